// TGraphicsObject: the base of the drawing tools (font, pen, brush) that tell their owner of
// changes.
#pragma once

#include "framework/event.h"
#include "framework/persistent.h"

namespace kiv {

class TGraphicsObject : public TPersistent {
public:
    // Raised after every change of a value; canvases and controls listen to it.
    TNotifyEvent OnChange;

protected:
    void Changed() { OnChange(this); }
};

}  // namespace kiv

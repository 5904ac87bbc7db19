// MeasureContext: a memory device context that lends a canvas something to measure text with.
#pragma once

#include <QImage>

#include "platform/draw/device_context.h"

namespace kiv {

class TCanvas;

// Controls size themselves outside any paint cycle, when they may have no window to draw on;
// the raster faces measure the same on any context, so a one-pixel image serves. While it
// lives, the canvas draws on the memory context; afterwards the canvas gets back the context
// it had before (or none). UI thread only.
class MeasureContext {
public:
    explicit MeasureContext(TCanvas& canvas);
    ~MeasureContext();
    MeasureContext(const MeasureContext&) = delete;
    MeasureContext& operator=(const MeasureContext&) = delete;

private:
    TCanvas& m_canvas;
    platform::DeviceContext* m_previous;
    QImage m_image;
    platform::DeviceContext m_dc;
};

}  // namespace kiv

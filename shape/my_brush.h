// TMyBrush: the shapes' brush, hatched with back diagonals in white unless told otherwise.
#pragma once

#include "framework/forms/brush.h"

namespace kiv {

// A TBrush whose Color (white) and Style (bsBDiagonal) are what a design leaves out.
class TMyBrush : public TBrush {
public:
    TMyBrush();
};

}  // namespace kiv

// TBltBitmap: the gauge's scratch bitmap, made the size of another and filled at once.
#pragma once

#include "framework/forms/bitmap.h"

namespace kiv {

class TBltBitmap : public TBitmap {
public:
    TBltBitmap();
    ~TBltBitmap() override;

    // Takes the width and height of `bitmap` and fills all of it with the window-frame colour
    // (a solid brush).
    void MakeLike(const TBitmap& bitmap);
};

}  // namespace kiv

// The five 20 x 20 pictures of the polygon editor's tool buttons.
#pragma once

#include <memory>

namespace kiv {

class TBitmap;

// Picture `index` (0 draw, 1 delete, 2 show/hide points, 3 clear, 4 undo), drawn in code.
std::unique_ptr<TBitmap> MakeToolPicture(int index);

}  // namespace kiv

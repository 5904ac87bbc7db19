// TGraphic: the transparency flag shared by every picture kind.
#include "framework/forms/graphic.h"

namespace kiv {

void TGraphic::SetTransparent(bool transparent) {
    if (transparent == m_transparent) return;
    m_transparent = transparent;
    Changed();
}

}  // namespace kiv

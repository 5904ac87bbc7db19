// Wallpaper: the own bitmap made on first use, its change notice and tiling.
#include "controls/wallpaper.h"

#include <utility>

#include "controls/cool_utils.h"
#include "framework/forms/bitmap.h"
#include "framework/forms/canvas.h"

namespace kiv {

Wallpaper::Wallpaper(std::function<void()> changed) : m_changed(std::move(changed)) {}

Wallpaper::~Wallpaper() = default;

TBitmap* Wallpaper::Bitmap() const {
    if (!m_bitmap) {
        m_bitmap = std::make_unique<TBitmap>();
        m_bitmap->OnChange = [this](TObject*) {
            if (m_changed) m_changed();
        };
    }
    return m_bitmap.get();
}

void Wallpaper::Assign(const TBitmap* bitmap) {
    Bitmap()->Assign(bitmap);
}

bool Wallpaper::SetIndex(int index) {
    if (index == m_index) return false;
    m_index = index;
    return true;
}

bool Wallpaper::Present() const {
    return m_bitmap && !m_bitmap->Empty();
}

void Wallpaper::Tile(platform::DeviceContext& dc, const TRect& rect) const {
    if (Present()) DrawTiledBitmap(dc, *m_bitmap, rect, platform::SRCCOPY, true);
}

void Wallpaper::Fill(TCanvas& canvas, const TRect& rect, TColor color) const {
    if (Present()) {
        Tile(*canvas.Handle(), rect);
        return;
    }
    canvas.Brush()->SetColor(color);
    canvas.Brush()->SetStyle(TBrushStyle::bsSolid);
    canvas.FillRect(rect);
}

}  // namespace kiv

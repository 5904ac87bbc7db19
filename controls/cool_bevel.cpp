// TCoolBevel: the background fill before the bevel's lines.
#include "controls/cool_bevel.h"

#include "framework/class_registry.h"
#include "framework/forms/bitmap.h"
#include "framework/forms/canvas.h"
#include "framework/forms/idents.h"

namespace kiv {

TCoolBevel::TCoolBevel(TComponent* owner) : TBevel(owner), m_wallpaper([this] { Invalidate(); }) {
    SetColor(clBtnFace);
}

TCoolBevel::~TCoolBevel() = default;

void TCoolBevel::SetTransparent(bool transparent) {
    if (transparent == m_transparent) return;
    m_transparent = transparent;
    Invalidate();
}

void TCoolBevel::SetWallpaper(const TBitmap* bitmap) {
    if (m_wallpaper.IsOwn(bitmap)) return;
    m_wallpaper.Assign(bitmap);
    Invalidate();
}

void TCoolBevel::SetIdWallpaper(int index) {
    if (m_wallpaper.SetIndex(index)) Invalidate();
}

void TCoolBevel::Paint() {
    if (!m_transparent) m_wallpaper.Fill(*Canvas(), ClientRect(), Color());
    TBevel::Paint();
}

namespace {
const bool registered = RegisterClass<TCoolBevel, TBevel>(
    "TCoolBevel",
    {
        Prop("Color", &TCoolBevel::Color, &TCoolBevel::SetColor)
            .Idents(ColorIdents())
            .Default(clBtnFace),
        Prop("ParentColor", &TCoolBevel::ParentColor, &TCoolBevel::SetParentColor).Default(false),
        Prop("Transparent", &TCoolBevel::Transparent, &TCoolBevel::SetTransparent).Default(true),
        Prop("Wallpaper", &TCoolBevel::Wallpaper, &TCoolBevel::SetWallpaper),
        Prop("idWallpaper", &TCoolBevel::IdWallpaper, &TCoolBevel::SetIdWallpaper).Default(-1),
    });
}  // namespace

}  // namespace kiv

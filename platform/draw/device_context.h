// DeviceContext: GDI's device context over a 32-bit QImage, with GDI's pixel rules.
#pragma once

#include <QImage>
#include <QRegion>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/draw/brush.h"
#include "platform/draw/color.h"
#include "platform/draw/font.h"
#include "platform/draw/pen.h"
#include "platform/draw/rect.h"

namespace kiv::platform {

enum BkMode : int { TRANSPARENT = 1, OPAQUE = 2 };

// Binary raster operations (SetROP2): how pen and shape-brush pixels meet the surface.
enum Rop2 : int {
    R2_BLACK = 1,
    R2_NOTMERGEPEN = 2,
    R2_MASKNOTPEN = 3,
    R2_NOTCOPYPEN = 4,
    R2_MASKPENNOT = 5,
    R2_NOT = 6,
    R2_XORPEN = 7,
    R2_NOTMASKPEN = 8,
    R2_MASKPEN = 9,
    R2_NOTXORPEN = 10,
    R2_NOP = 11,
    R2_MERGENOTPEN = 12,
    R2_COPYPEN = 13,
    R2_MERGEPENNOT = 14,
    R2_MERGEPEN = 15,
    R2_WHITE = 16,
};

// Ternary raster operations for BitBlt and PatBlt. Any GDI ternary code works; these are named.
constexpr std::uint32_t SRCCOPY = 0x00CC0020;
constexpr std::uint32_t SRCPAINT = 0x00EE0086;
constexpr std::uint32_t SRCAND = 0x008800C6;
constexpr std::uint32_t SRCINVERT = 0x00660046;
constexpr std::uint32_t SRCERASE = 0x00440328;
constexpr std::uint32_t NOTSRCCOPY = 0x00330008;
constexpr std::uint32_t NOTSRCERASE = 0x001100A6;
constexpr std::uint32_t MERGEPAINT = 0x00BB0226;
constexpr std::uint32_t PATCOPY = 0x00F00021;
constexpr std::uint32_t PATINVERT = 0x005A0049;
constexpr std::uint32_t DSTINVERT = 0x00550009;
constexpr std::uint32_t BLACKNESS = 0x00000042;
constexpr std::uint32_t WHITENESS = 0x00FF0062;

// Results of the clip-region calls, as GDI's region types.
enum RegionType : int { RGN_ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };

constexpr TColor CLR_INVALID = 0xFFFFFFFF;

// A device context draws on a QImage it does not own: the image must be 32-bit (RGB32, ARGB32
// or ARGB32_Premultiplied) and must outlive the context. Every pixel written is opaque.
//
// Coordinates: callers give logical coordinates; device = logical - window origin + viewport
// origin (GDI's MM_TEXT mapping). The clip region is kept in device coordinates, as GDI keeps
// it; IntersectClipRect and ExcludeClipRect take logical rectangles. Without a selected clip
// region the whole image is drawable.
//
// Pixel rules, as GDI: rectangles exclude their right and bottom edges; lines leave out their
// end point; Rectangle and Ellipse with the null pen fill one pixel less to the right and below;
// polygons fill the pixels whose top-left corners lie inside (alternate rule) and outline every
// vertex. FillRect, FrameRect, PatBlt and BitBlt ignore the ROP2 mode; pens and shape fills obey
// it.
//
// Initial state as a fresh GDI context: black text on a white OPAQUE background, white solid
// brush, black one-pixel pen, R2_COPYPEN, origins (0, 0), no clip region, pen at (0, 0).
// Not thread-safe; one thread draws on one context.
class DeviceContext {
public:
    // Throws std::invalid_argument when `image` is null or not a 32-bit format.
    explicit DeviceContext(QImage& image);

    QImage& Image() const { return *m_image; }

    // Mapping. The Set/Offset calls return the previous origin.
    TPoint SetWindowOrgEx(int x, int y);
    TPoint OffsetWindowOrgEx(int dx, int dy);
    TPoint GetWindowOrgEx() const { return m_state.windowOrg; }
    TPoint SetViewportOrgEx(int x, int y);
    TPoint OffsetViewportOrgEx(int dx, int dy);
    TPoint GetViewportOrgEx() const { return m_state.viewportOrg; }
    TPoint LPtoDP(TPoint p) const;
    TPoint DPtoLP(TPoint p) const;
    TRect LPtoDP(const TRect& r) const;
    TRect DPtoLP(const TRect& r) const;

    // Clipping. SelectClipRgn copies `deviceRegion` (device coordinates); nullptr removes the clip
    // region. Each returns the type of the resulting clip region.
    RegionType SelectClipRgn(const QRegion* deviceRegion);
    RegionType IntersectClipRect(const TRect& logical);
    RegionType ExcludeClipRect(const TRect& logical);
    RegionType OffsetClipRgn(int dx, int dy);
    // The selected clip region in device coordinates; nullopt when none is selected.
    std::optional<QRegion> GetClipRgn() const { return m_state.clip; }
    // The smallest logical rectangle around what can be drawn (clip region and image).
    TRect GetClipBox() const;
    bool PtVisible(int x, int y) const;

    // State stack. SaveDC returns the new depth (1 for the first save). RestoreDC(n) with n > 0
    // returns to the state saved at depth n; n < 0 pops -n states. Saved: origins, clip region,
    // colours, background mode, ROP2, font, brush, brush origin, pen and pen position.
    int SaveDC();
    bool RestoreDC(int saved);
    int SavedDepth() const { return int(m_saved.size()); }

    // Attributes; each setter returns the previous value.
    TColor SetTextColor(TColor c);
    TColor GetTextColor() const { return m_state.textColor; }
    TColor SetBkColor(TColor c);
    TColor GetBkColor() const { return m_state.bkColor; }
    BkMode SetBkMode(BkMode mode);
    BkMode GetBkMode() const { return m_state.bkMode; }
    Rop2 SetROP2(Rop2 mode);
    Rop2 GetROP2() const { return m_state.rop2; }
    Font SelectFont(const Font& font);
    const Font& GetFont() const { return m_state.font; }
    Brush SelectBrush(const Brush& brush);
    const Brush& GetBrush() const { return m_state.brush; }
    Pen SelectPen(const Pen& pen);
    const Pen& GetPen() const { return m_state.pen; }
    // Where the 8 x 8 hatch pattern is anchored, in device coordinates.
    TPoint SetBrushOrgEx(int x, int y);

    // Pixels. Both answer CLR_INVALID for a point outside the clip region or the image.
    TColor GetPixel(int x, int y) const;
    TColor SetPixel(int x, int y, TColor c);

    // Areas, with the given brush rather than the selected one.
    void FillRect(const TRect& r, const Brush& brush);
    void FillSolidRect(const TRect& r, TColor c);
    // A one-pixel border just inside `r`.
    void FrameRect(const TRect& r, const Brush& brush);
    void InvertRect(const TRect& r);

    // Shapes with the selected pen (outline) and brush (inside).
    void Rectangle(int left, int top, int right, int bottom);
    void Ellipse(int left, int top, int right, int bottom);
    // The part of the ellipse inscribed in the box that runs counterclockwise (as seen on the
    // screen) from the radial through the start point to the radial through the end point, both
    // radials drawn from the box's centre ((left + right) / 2, (top + bottom) / 2, exactly);
    // when they coincide, the whole ellipse. A pixel belongs to the sweep when the radial
    // through its centre (x + 0.5, y + 0.5) does, the edges included. Arc
    // draws that part of Ellipse's outline with the pen and fills nothing. Pie outlines that
    // part and the two radii from the arc's ends to the centre pixel, and fills the inside of
    // that part with the brush; each pixel is drawn once. Both follow Ellipse's pixel rules
    // (the null pen also here fills one pixel less to the right and below).
    void Arc(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd);
    void Pie(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd);
    void Polygon(std::span<const TPoint> points);
    void Polyline(std::span<const TPoint> points);
    TPoint MoveToEx(int x, int y);
    void LineTo(int x, int y);
    TPoint GetCurrentPositionEx() const { return m_state.penPos; }

    // Block transfers. The pattern is the selected brush. `source` may be this context (an
    // overlapping copy reads the pixels as they were before it); source pixels outside the
    // source image leave their destination pixels alone. Returns false when `rop` needs a
    // source and none is given.
    bool PatBlt(int x, int y, int width, int height, std::uint32_t rop);
    bool BitBlt(int x, int y, int width, int height, const DeviceContext* source, int sx, int sy,
                std::uint32_t rop);

    // Moves the pixels of `scroll` ∩ `clip` by (dx, dy); only pixels inside `clip` (and the clip
    // region) change. Returns, in logical coordinates, the part of `scroll` ∩ `clip` that no
    // moved pixel covers: the strip the caller must paint anew.
    QRegion ScrollDC(int dx, int dy, const TRect& scroll, const TRect& clip);

private:
    struct State {
        TPoint windowOrg;
        TPoint viewportOrg;
        std::optional<QRegion> clip;
        TColor textColor = clBlack;
        TColor bkColor = clWhite;
        BkMode bkMode = OPAQUE;
        Rop2 rop2 = R2_COPYPEN;
        Font font;
        Brush brush;
        TPoint brushOrg;
        Pen pen;
        TPoint penPos;
    };

    void ClipChanged();
    RegionType ClipType() const;
    QRegion CurrentClip() const;
    bool Visible(int dx, int dy) const;
    void Write(int dx, int dy, QRgb value);
    QRgb Read(int dx, int dy) const;
    // The colour a brush gives device pixel (dx, dy); false when it leaves the pixel alone.
    bool BrushPixel(const Brush& brush, int dx, int dy, QRgb& out) const;
    // Device-coordinate spans [x0, x1) on row y, clipped; `mix` says whether ROP2 applies.
    void BrushSpan(int y, int x0, int x1, const Brush& brush, bool mix);
    void PenPixel(int dx, int dy);
    void DeviceLine(TPoint from, TPoint to);
    void FillDeviceRect(const TRect& r, const Brush& brush, bool mix);
    struct Span {
        int y, x0, x1;  // device row y, columns [x0, x1)
    };
    void PaintSpans(const std::vector<Span>& spans, const Brush& brush);
    void PaintShape(const std::vector<Span>& inside, const std::vector<Span>& outline);
    // The inside and outline of the ellipse in `box` (device, normalised) for the current pen.
    void EllipseSpans(TRect box, std::vector<Span>& inside, std::vector<Span>& outline) const;
    // Sorted by row and column, overlapping and touching spans joined.
    static std::vector<Span> MergeSpans(std::vector<Span> spans);
    // What of the merged `from` no span of the merged `cut` covers.
    static std::vector<Span> SubtractSpans(const std::vector<Span>& from,
                                           const std::vector<Span>& cut);
    class Sweep;

    QImage* m_image;
    State m_state;
    std::vector<State> m_saved;
    std::vector<TRect> m_clipRects;  // device; clip region ∩ image
};

}  // namespace kiv::platform

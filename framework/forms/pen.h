// TPen: how a canvas draws lines and outlines.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "framework/enum_set.h"
#include "framework/forms/graphics_object.h"
#include "platform/draw/device_context.h"
#include "platform/draw/pen.h"

namespace kiv {

// Dashed styles draw solid lines: the drawing layer has no dashes.
enum class TPenStyle : std::uint8_t {
    psSolid,
    psDash,
    psDot,
    psDashDot,
    psDashDotDot,
    psClear,
    psInsideFrame
};
template <>
struct EnumInfo<TPenStyle> {
    static constexpr std::array<std::string_view, 7> names{
        "psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"};
};

// How pen pixels meet the surface, in the order of the binary raster operations.
enum class TPenMode : std::uint8_t {
    pmBlack,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};
template <>
struct EnumInfo<TPenMode> {
    static constexpr std::array<std::string_view, 16> names{
        "pmBlack",       "pmWhite",      "pmNop",         "pmNot",        "pmCopy",  "pmNotCopy",
        "pmMergePenNot", "pmMaskPenNot", "pmMergeNotPen", "pmMaskNotPen", "pmMerge", "pmNotMerge",
        "pmMask",        "pmNotMask",    "pmXor",         "pmNotXor"};
};

// Defaults: black, width 1, psSolid, pmCopy. Setters raise OnChange only on a change.
class TPen : public TGraphicsObject {
public:
    void Assign(const TPersistent* source) override;

    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    int Width() const { return m_width; }
    // Widths below 1 are taken as 1.
    void SetWidth(int width);
    TPenStyle Style() const { return m_style; }
    void SetStyle(TPenStyle style);
    TPenMode Mode() const { return m_mode; }
    void SetMode(TPenMode mode);

    platform::Pen Handle() const;
    platform::Rop2 Rop2() const;

private:
    TColor m_color = clBlack;
    int m_width = 1;
    TPenStyle m_style = TPenStyle::psSolid;
    TPenMode m_mode = TPenMode::pmCopy;
};

}  // namespace kiv

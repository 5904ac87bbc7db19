// TTransImage: an image control whose black-and-white mask can give a window its shape.
#pragma once

#include <QRegion>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "framework/stdctrls/image.h"
#include "shape/combine_mode.h"

namespace kiv {

class TPicture;

// Which way CreateMaskRegion builds the region: Auto takes NT_Safe on this system (the robust
// path of the NT family), NT_Safe reads the mask pixel by pixel and joins one rectangle region
// per run, Fast reads the packed 1-bit rows and makes the region from the run list at once.
enum class TMode : std::uint8_t { Auto, NT_Safe, Fast };
template <>
struct EnumInfo<TMode> {
    static constexpr std::array<std::string_view, 3> names{"Auto", "NT_Safe", "Fast"};
};

// Shows Picture as TImage does. Mask is a second picture, reduced to black and white whenever it
// changes: its black pixels are the control's opaque part. Mask pixel (x, y) stands for control
// pixel (x, y) whatever Stretch, Center or AutoSize do to the picture. The region is built only
// when asked for (the window's controller does) and never kept. UI thread only.
class TTransImage : public TImage {
public:
    explicit TTransImage(TComponent* owner);
    ~TTransImage() override;

    // The mask picture; never null.
    TPicture* Mask() const { return m_mask.get(); }
    // Copies `mask` into the control's own mask, which is then reduced to one bit a pixel.
    // Nothing is repainted and no region is built.
    void SetMask(const TPicture* mask);
    TCombineMode CombineMode() const { return m_combineMode; }
    void SetCombineMode(TCombineMode mode);
    TMode Mode() const { return m_mode; }
    void SetMode(TMode mode) { m_mode = mode; }

    // Whether the mask has pixels: a width times height that is not zero.
    bool HasMask() const;

    // The opaque pixels of the mask within the control, in the control's coordinates, by the
    // method Mode names: each row's runs of black pixels from the top, rows never merged, cut
    // at the control's width and height. With no black pixel there, NT_Safe gives none and Fast
    // an empty region; without a mask both give none.
    std::optional<QRegion> CreateMaskRegion();
    std::optional<QRegion> CreateMaskRegion(TMode mode);

private:
    void MaskChanged();
    // The last scanned column and row; negative when nothing is scanned.
    int LastColumn() const;
    int LastRow() const;
    std::optional<QRegion> SafeRegion();
    std::optional<QRegion> FastRegion();

    std::unique_ptr<TPicture> m_mask;
    TCombineMode m_combineMode = TCombineMode::cmOR;
    TMode m_mode = TMode::Auto;
};

}  // namespace kiv

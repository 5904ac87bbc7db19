// TTransImage: the mask, its reduction to two colours and the two ways to a region.
#include "shape/trans_image.h"

#include <algorithm>
#include <vector>

#include "framework/class_registry.h"
#include "framework/forms/bitmap.h"
#include "framework/forms/canvas.h"
#include "framework/forms/picture.h"
#include "platform/draw/regions.h"

namespace kiv {

namespace {

const bool registered = RegisterClass<TTransImage, TImage>(
    "TTransImage", {
                       Prop("Mask", &TTransImage::Mask),
                       Prop("CombineMode", &TTransImage::CombineMode, &TTransImage::SetCombineMode)
                           .Default(TCombineMode::cmOR),
                       Prop("Mode", &TTransImage::Mode, &TTransImage::SetMode).Default(TMode::Auto),
                   });

}  // namespace

TTransImage::TTransImage(TComponent* owner) : TImage(owner), m_mask(std::make_unique<TPicture>()) {
    // A mask read from a design arrives through the picture itself, not the setter.
    m_mask->OnChange = [this](TObject*) { MaskChanged(); };
}

TTransImage::~TTransImage() {
    m_mask->OnChange = {};
}

void TTransImage::SetMask(const TPicture* mask) {
    m_mask->Assign(mask);
}

void TTransImage::MaskChanged() {
    // Reducing changes the bitmap once more; the second notice finds it reduced.
    if (HasMask() && m_mask->Bitmap()->PixelFormat() != TPixelFormat::pf1bit) {
        m_mask->Bitmap()->SetPixelFormat(TPixelFormat::pf1bit);
    }
}

void TTransImage::SetCombineMode(TCombineMode mode) {
    m_combineMode = mode;
}

bool TTransImage::HasMask() const {
    return std::int64_t(m_mask->Width()) * m_mask->Height() != 0;
}

int TTransImage::LastColumn() const {
    return std::min(m_mask->Width(), Width()) - 1;
}

int TTransImage::LastRow() const {
    return std::min(m_mask->Height(), Height()) - 1;
}

std::optional<QRegion> TTransImage::CreateMaskRegion() {
    return CreateMaskRegion(m_mode);
}

std::optional<QRegion> TTransImage::CreateMaskRegion(TMode mode) {
    if (!HasMask()) return std::nullopt;
    // Every Linux system counts as the NT family: the robust path.
    return mode == TMode::Fast ? FastRegion() : SafeRegion();
}

std::optional<QRegion> TTransImage::SafeRegion() {
    TCanvas& pixels = *m_mask->Bitmap()->Canvas();
    const int lastColumn = LastColumn();
    std::optional<QRegion> result;
    for (int y = 0; y <= LastRow(); ++y) {
        for (int x = 0; x <= lastColumn; ++x) {
            if (pixels.Pixels(x, y) != clBlack) continue;
            const int start = x;
            while (x < lastColumn && pixels.Pixels(x + 1, y) == clBlack) ++x;
            const QRegion run = platform::CreateRectRgn(start, y, x + 1, y + 1);
            if (!result) {
                result = run;
            } else {
                platform::CombineRgn(*result, *result, run, platform::RGN_OR);
            }
        }
    }
    return result;
}

std::optional<QRegion> TTransImage::FastRegion() {
    TBitmap& bitmap = *m_mask->Bitmap();
    bitmap.SetPixelFormat(TPixelFormat::pf1bit);
    const int lastColumn = LastColumn();
    // A clear bit is black: opaque.
    auto opaque = [](const std::uint8_t* row, int x) {
        return (row[x >> 3] & (0x80 >> (x & 7))) == 0;
    };
    std::vector<TRect> runs;
    for (int y = 0; y <= LastRow(); ++y) {
        const std::uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x <= lastColumn; ++x) {
            if (!opaque(row, x)) continue;
            const int start = x;
            while (x < lastColumn && opaque(row, x + 1)) ++x;
            runs.emplace_back(start, y, x + 1, y + 1);
        }
    }
    return platform::RegionFromRects(runs);
}

}  // namespace kiv

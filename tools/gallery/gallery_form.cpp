// TGalleryForm: the skin and tile pictures, the embedded design and the hover handlers.
#include "tools/gallery/gallery_form.h"

#include <QImage>

#include "controls/cool_controls.h"
#include "controls/cool_label.h"
#include "framework/class_registry.h"
#include "framework/forms/bitmap.h"
#include "framework/memory_stream.h"
#include "framework/stdctrls/std_controls.h"
#include "platform/draw/qt_convert.h"

extern const std::uint8_t kivGalleryDesignData[];
extern const std::size_t kivGalleryDesignSize;

namespace kiv {

namespace {

const bool registered =
    RegisterClass<TGalleryForm, TForm>("TGalleryForm", {},
                                       {Method("LiveMouseMove", &TGalleryForm::LiveMouseMove),
                                        Method("BarMouseMove", &TGalleryForm::BarMouseMove),
                                        Method("SkinMouseMove", &TGalleryForm::SkinMouseMove)});

constexpr int kSkinWidth = 640;
constexpr int kSkinHeight = 400;

}  // namespace

namespace gallery {

TColor SkinColour(int x, int y) {
    const int stripe = (x + 2 * y) % 24 < 2 ? 18 : 0;
    return RGB(std::uint8_t(16 + x * 40 / kSkinWidth + stripe),
               std::uint8_t(20 + y * 50 / kSkinHeight + stripe / 2),
               std::uint8_t(70 + (x + y) * 60 / (kSkinWidth + kSkinHeight) + stripe));
}

TColor TileColour(int x, int y) {
    return ((x / 2 + y / 2) % 2) != 0 ? RGB(120, 60, 20) : RGB(160, 100, 40);
}

std::vector<std::uint8_t> BmpFile(int width, int height, TColor (*colour)(int, int)) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, platform::ToQRgb(colour(x, y)));
    TBitmap bitmap;
    bitmap.SetImage(image);
    TMemoryStream stream;
    bitmap.SaveToStream(stream);
    return {stream.Bytes().begin(), stream.Bytes().end()};
}

BundledFileResolver Files() {
    return [](const std::string& name) -> std::optional<std::vector<std::uint8_t>> {
        if (name == "gallery-skin.bmp") return BmpFile(kSkinWidth, kSkinHeight, SkinColour);
        if (name == "gallery-tile.bmp") return BmpFile(8, 8, TileColour);
        return std::nullopt;
    };
}

std::string_view Design() {
    return {reinterpret_cast<const char*>(kivGalleryDesignData), kivGalleryDesignSize};
}

}  // namespace gallery

TGalleryForm::TGalleryForm(TComponent* owner) : TForm(owner) {
    RegisterStdControls();
    RegisterCoolControls();
    LoadDesign(gallery::Design(), "gallery.kfm", gallery::Files());
}

void TGalleryForm::SetLiveShadow(std::uint8_t size) {
    if (auto* live = dynamic_cast<TCoolLabel*>(FindComponent("btnLive"))) live->SetShadowSize(size);
}

void TGalleryForm::LiveMouseMove(TObject*, TShiftState, int, int) {
    SetLiveShadow(1);
}

void TGalleryForm::BarMouseMove(TObject*, TShiftState, int, int) {
    SetLiveShadow(0);
}

void TGalleryForm::SkinMouseMove(TObject*, TShiftState, int, int) {
    SetLiveShadow(0);
}

}  // namespace kiv

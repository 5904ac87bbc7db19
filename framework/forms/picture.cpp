// TPicture: one graphic, its change notices and its design data.
#include "framework/forms/picture.h"

#include <cstring>
#include <string>

#include "framework/class_registry.h"
#include "framework/file_stream.h"
#include "framework/filer.h"
#include "framework/forms/bitmap.h"
#include "framework/forms/errors.h"
#include "framework/memory_stream.h"

namespace kiv {

namespace {

const bool registered = RegisterClass<TPicture, TPersistent>("TPicture");

constexpr std::string_view kBitmapClass = "TBitmap";

}  // namespace

TPicture::TPicture() = default;

TPicture::~TPicture() = default;

void TPicture::Adopt(std::unique_ptr<TGraphic> graphic) {
    m_graphic = std::move(graphic);
    if (m_graphic) m_graphic->OnChange = [this](TObject*) { Changed(); };
    Changed();
}

void TPicture::Assign(const TPersistent* source) {
    if (!source) {
        SetGraphic(nullptr);
    } else if (const auto* picture = dynamic_cast<const TPicture*>(source)) {
        if (picture != this) SetGraphic(picture->Graphic());
    } else if (const auto* graphic = dynamic_cast<const TGraphic*>(source)) {
        SetGraphic(graphic);
    } else {
        TPersistent::Assign(source);
    }
}

void TPicture::SetGraphic(const TGraphic* graphic) {
    if (!graphic) {
        Adopt(nullptr);
        return;
    }
    if (graphic == m_graphic.get()) return;
    // Bitmaps are the only kind of graphic.
    const auto* bitmap = dynamic_cast<const TBitmap*>(graphic);
    if (!bitmap) throw EInvalidGraphic("Unsupported graphic kind " + graphic->ClassName());
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(bitmap);
    Adopt(std::move(copy));
}

TBitmap* TPicture::Bitmap() {
    if (auto* bitmap = dynamic_cast<TBitmap*>(m_graphic.get())) return bitmap;
    Adopt(std::make_unique<TBitmap>());
    return static_cast<TBitmap*>(m_graphic.get());
}

void TPicture::SetBitmap(const TBitmap* bitmap) {
    SetGraphic(bitmap);
}

int TPicture::Width() const {
    return m_graphic ? m_graphic->Width() : 0;
}

int TPicture::Height() const {
    return m_graphic ? m_graphic->Height() : 0;
}

void TPicture::LoadFromStream(TStream& stream) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->LoadFromStream(stream);
    Adopt(std::move(bitmap));
}

void TPicture::LoadFromFile(const std::string& path) {
    TFileStream file(path, fmOpenRead);
    LoadFromStream(file);
}

void TPicture::DefineProperties(TFiler& filer) {
    TPersistent::DefineProperties(filer);
    filer.DefineBinaryProperty(
        "Data", [this](TStream& stream) { ReadData(stream); },
        [this](TStream& stream) { WriteData(stream); },
        m_graphic != nullptr && !m_graphic->Empty());
}

void TPicture::ReadData(TStream& stream) {
    std::int64_t size = stream.Size() - stream.Position();
    if (size <= 0) {
        Adopt(nullptr);
        return;
    }
    std::uint8_t first[2] = {0, 0};
    stream.ReadBuffer(first, std::min<std::int64_t>(size, 2));
    stream.Seek(-std::min<std::int64_t>(size, 2), SeekOrigin::soCurrent);
    auto bitmap = std::make_unique<TBitmap>();
    if (first[0] == 'B' && first[1] == 'M') {
        bitmap->LoadFromStream(stream);
    } else {
        std::uint8_t length = 0;
        stream.ReadBuffer(&length, 1);
        if (length > size - 1) throw EInvalidGraphic("Picture data is cut short");
        std::string name(length, '\0');
        stream.ReadBuffer(name.data(), length);
        if (name != kBitmapClass) {
            throw EInvalidGraphic(FormatMessage("Unsupported graphic kind %s", name));
        }
        bitmap->ReadData(stream);
    }
    Adopt(std::move(bitmap));
}

void TPicture::WriteData(TStream& stream) const {
    if (!m_graphic) return;
    const std::string name = m_graphic->ClassName();
    std::uint8_t length = static_cast<std::uint8_t>(name.size());
    stream.WriteBuffer(&length, 1);
    stream.WriteBuffer(name.data(), length);
    m_graphic->WriteData(stream);
}

}  // namespace kiv

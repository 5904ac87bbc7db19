// TPicture: holds one graphic (a bitmap) and stores it in designs as Picture.Data.
#pragma once

#include <memory>
#include <string>

#include "framework/event.h"
#include "framework/persistent.h"

namespace kiv {

class TBitmap;
class TGraphic;
class TStream;

// The design's binary `Data` value takes two forms when read:
//   - as the VCL writes it: one length byte, the graphic's class name ("TBitmap"), then the
//     graphic's own design data (for a bitmap: a 32-bit little-endian byte count and a BMP file);
//   - a plain BMP file (starting with "BM"), which is what a hand-made design most easily holds.
// It is written in the first form. Empty data clears the picture. Other class names raise
// EInvalidGraphic.
class TPicture : public TPersistent {
public:
    TPicture();
    ~TPicture() override;

    // Copies a TPicture's graphic or a TGraphic itself; nullptr clears.
    void Assign(const TPersistent* source) override;
    void DefineProperties(TFiler& filer) override;

    // The graphic, or nullptr when the picture is empty.
    TGraphic* Graphic() const { return m_graphic.get(); }
    // Stores a copy of `graphic` (nullptr clears).
    void SetGraphic(const TGraphic* graphic);
    // The graphic as a bitmap: an empty one is created when the picture holds no bitmap.
    TBitmap* Bitmap();
    void SetBitmap(const TBitmap* bitmap);

    int Width() const;
    int Height() const;

    // Reads a BMP file into a new bitmap.
    void LoadFromStream(TStream& stream);
    void LoadFromFile(const std::string& path);

    // Raised after the graphic was replaced or changed itself.
    TNotifyEvent OnChange;

private:
    void ReadData(TStream& stream);
    void WriteData(TStream& stream) const;
    void Adopt(std::unique_ptr<TGraphic> graphic);
    void Changed() { OnChange(this); }

    std::unique_ptr<TGraphic> m_graphic;
};

}  // namespace kiv

// TFileItem: one entry of the file store: a name, a description, a compression flag and bytes.
#pragma once

#include <memory>
#include <string>

#include "framework/collection_item.h"
#include "framework/memory_stream.h"

namespace kiv {

class TFiler;
class TStream;

class TFileItem : public TCollectionItem {
public:
    // An empty entry, Compress true. Use TFileCollection::Add to create one.
    explicit TFileItem(TCollection& collection);
    ~TFileItem() override;

    // The file last loaded through SetFilename; never stored in a design.
    const std::string& Filename() const { return m_filename; }
    // Loads the file at `path` into Data, names the entry after the file's last path component
    // and remembers the path. Does nothing for an empty path or the current Filename. Raises
    // EPackerError "The specified file does not exist." when no regular file is there, and the
    // stream layer's error when it cannot be read; on any error the entry is unchanged.
    void SetFilename(const std::string& path);

    const std::string& Name() const { return m_name; }
    void SetName(const std::string& name);
    const std::string& Description() const { return m_description; }
    void SetDescription(const std::string& description);
    // Decides only the stored form written next; Data is left alone.
    bool Compress() const { return m_compress; }
    void SetCompress(bool compress) { m_compress = compress; }

    // The entry's bytes, uncompressed, owned by the entry. Readers rewind it first.
    TMemoryStream* Data() const { return m_data.get(); }

    // Writes all of Data to a new or overwritten file. False at once for an empty name; true
    // when every byte was written. Errors creating or writing the file are raised.
    virtual bool SaveToFile(const std::string& fileName);
    // Appends all of Data at `stream`'s position, then rewinds `stream`. True when every byte
    // was copied.
    virtual bool SaveToStream(TStream& stream);

    // Declares the binary value TPFData (ReadData/WriteData), always written.
    void DefineProperties(TFiler& filer) override;
    // Replaces Data with the stored form in `stream` (exactly the stored bytes): decompressed
    // when Compress is set (EPackerError when damaged), copied otherwise. Lets pending messages
    // through first, since it runs while a window's design is being read.
    virtual void ReadData(TStream& stream);
    // Writes Data's stored form at `stream`'s position: compressed when Compress is set.
    virtual void WriteData(TStream& stream);

private:
    std::string m_filename;
    std::string m_name;
    std::string m_description;
    bool m_compress = true;
    std::unique_ptr<TMemoryStream> m_data;
};

}  // namespace kiv

// TFileItem: loading, saving and the stored form (plain or compressed) of one store entry.
#include "packfiles/file_item.h"

#include <filesystem>

#include "framework/class_registry.h"
#include "framework/file_stream.h"
#include "framework/filer.h"
#include "framework/message_pump.h"
#include "packfiles/compress_stream.h"
#include "packfiles/packer_error.h"

namespace kiv {

namespace {

// Name and Description come first so that Compress is known when TPFData is read.
const bool registered = RegisterClass<TFileItem, TCollectionItem>(
    "TFileItem", {
                     Prop("Name", &TFileItem::Name, &TFileItem::SetName),
                     Prop("Filename", &TFileItem::Filename, &TFileItem::SetFilename).Stored(false),
                     Prop("Description", &TFileItem::Description, &TFileItem::SetDescription),
                     Prop("Compress", &TFileItem::Compress, &TFileItem::SetCompress),
                 });

// The part of `path` after its last separator.
std::string FilePart(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

TFileItem::TFileItem(TCollection& collection)
    : TCollectionItem(collection), m_data(std::make_unique<TMemoryStream>()) {}

TFileItem::~TFileItem() = default;

void TFileItem::SetFilename(const std::string& path) {
    if (path.empty() || path == m_filename) return;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        throw EPackerError("The specified file does not exist.");
    }
    // Read into a fresh stream and swap it in, so that a file that cannot be read leaves the
    // entry's bytes as they were.
    auto data = std::make_unique<TMemoryStream>();
    {
        TFileStream file(path, fmOpenRead | fmShareDenyWrite);
        data->CopyFrom(file, 0);
    }
    m_data = std::move(data);
    SetName(FilePart(path));
    m_filename = path;
}

void TFileItem::SetName(const std::string& name) {
    if (name != m_name) m_name = name;
}

void TFileItem::SetDescription(const std::string& description) {
    if (description != m_description) m_description = description;
}

bool TFileItem::SaveToFile(const std::string& fileName) {
    if (fileName.empty()) return false;
    TFileStream file(fileName, fmCreate);
    m_data->SetPosition(0);
    return file.CopyFrom(*m_data, m_data->Size()) >= m_data->Size();
}

bool TFileItem::SaveToStream(TStream& stream) {
    m_data->SetPosition(0);
    const std::int64_t copied = stream.CopyFrom(*m_data, m_data->Size());
    stream.SetPosition(0);
    return copied >= m_data->Size();
}

void TFileItem::DefineProperties(TFiler& filer) {
    TCollectionItem::DefineProperties(filer);
    filer.DefineBinaryProperty(
        "TPFData", [this](TStream& stream) { ReadData(stream); },
        [this](TStream& stream) { WriteData(stream); }, true);
}

void TFileItem::ReadData(TStream& stream) {
    ProcessMessages();
    // Decoded into a fresh stream: the entry's old bytes never mix with the new ones, and a
    // damaged stored form leaves them untouched.
    auto data = std::make_unique<TMemoryStream>();
    if (m_compress) {
        TCompressStream().DecompressStream(stream, *data);
    } else {
        stream.SetPosition(0);
        data->CopyFrom(stream, stream.Size());
    }
    data->SetPosition(0);
    m_data = std::move(data);
}

void TFileItem::WriteData(TStream& stream) {
    if (!m_data) throw EPackerError("Not enough memory could be allowed.");
    m_data->SetPosition(0);
    if (m_compress) {
        TCompressStream().CompressStream(*m_data, stream, m_data->Size());
    } else {
        stream.SetPosition(0);
        stream.CopyFrom(*m_data, m_data->Size());
    }
}

}  // namespace kiv

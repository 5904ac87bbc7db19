// TPackFiles: the store component and its lookup by name.
#include "packfiles/pack_files.h"

#include "framework/class_registry.h"

namespace kiv {

namespace {

const bool registered = RegisterClass<TPackFiles, TComponent>(
    "TPackFiles", {
                      Prop("About", &TPackFiles::About, &TPackFiles::SetAbout),
                      Prop("Version", &TPackFiles::Version, &TPackFiles::SetVersion),
                      Prop("Items", &TPackFiles::Items),
                  });

// Upper case for ASCII letters only; every other byte is kept, so that names in any encoding
// compare byte for byte.
std::string AsciiUpper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

}  // namespace

TPackFiles::TPackFiles(TComponent* owner)
    : TComponent(owner), m_items(std::make_unique<TFileCollection>(this)) {}

TPackFiles::~TPackFiles() = default;

void TPackFiles::SetVersion(const std::string& /*version*/) {
    m_version = kVersion;
}

void TPackFiles::SetItems(const TFileCollection* source) {
    if (source == m_items.get()) return;
    // Entries cannot be copied, so assigning a collection that holds any fails with the
    // framework's assignment error. The collection's own Assign empties first and fails second;
    // trying it on a scratch collection first keeps the entries when it fails.
    TFileCollection trial(this);
    trial.Assign(source);
    m_items->Assign(source);
}

std::unique_ptr<TMemoryStream> TPackFiles::GetFileStream(const std::string& name) const {
    auto stream = std::make_unique<TMemoryStream>();
    const std::string wanted = AsciiUpper(name);
    for (int i = 0; i < m_items->Count(); ++i) {
        TFileItem* item = m_items->Items(i);
        if (AsciiUpper(item->Name()) == wanted) {
            item->SaveToStream(*stream);
            break;
        }
    }
    return stream;
}

}  // namespace kiv

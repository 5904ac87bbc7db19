// TPackFiles: a non-visual component that carries named files inside a window's design.
#pragma once

#include <memory>
#include <string>

#include "framework/component.h"
#include "framework/memory_stream.h"
#include "packfiles/file_collection.h"

namespace kiv {

class TPackFiles : public TComponent {
public:
    static constexpr const char* kVersion = "1.3";

    explicit TPackFiles(TComponent* owner);
    ~TPackFiles() override;

    // Design-time text of the about box; no effect at run time.
    const std::string& About() const { return m_about; }
    void SetAbout(const std::string& about) { m_about = about; }
    // Always "1.3": the setter ignores its value, so a design always reads back "1.3".
    const std::string& Version() const { return m_version; }
    void SetVersion(const std::string& version);

    TFileCollection* Items() const { return m_items.get(); }
    // Replaces the entries by copies of `source`'s (nothing when it is this store's own).
    void SetItems(const TFileCollection* source);

    // A new stream holding a copy of the first entry whose name equals `name` with ASCII
    // letters compared without case, positioned at 0; empty when no entry matches. The caller
    // owns it; changing it leaves the store alone.
    std::unique_ptr<TMemoryStream> GetFileStream(const std::string& name) const;

private:
    std::string m_about;
    std::string m_version = kVersion;
    std::unique_ptr<TFileCollection> m_items;
};

}  // namespace kiv

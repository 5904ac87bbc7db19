// The walk over the volumes of a set: proposes and opens each next volume, asks the caller
// through the change-volume callback, and checks that the new volume continues the set.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "formatcore/byte_source.h"
#include "formatcore/file_source.h"
#include "unrar/format_reader.h"
#include "unrar/output_file.h"
#include "unrar/unrar.h"

namespace kiv::rar {

class VolumeSet {
public:
    // Opens the first volume; throws RarError (ERAR_EOPEN, ERAR_BAD_ARCHIVE, ...). Encrypted
    // headers are read with the keyring's password (see OpenFormatReader); it must outlive the
    // set.
    explicit VolumeSet(const std::string& firstVolume, Keyring* keyring = nullptr);

    void SetChangeVolumeProc(CHANGEVOLPROC proc) { m_changeVolume = proc; }
    const std::string& CurrentName() const { return m_name; }
    const format::ByteSource& Current() const { return *m_file; }
    const ArchiveInfo& Info() const { return m_reader->Info(); }
    const FileIds& Volumes() const { return m_volumes; }
    // Volumes moved to since the first one was opened.
    uint64_t Index() const { return m_index; }

    // The next block of the current volume. Throws RarError (ERAR_BAD_DATA) for damage and for
    // an end-of-archive block whose volume number breaks the sequence.
    Block Next();
    // Moves to the volume after the current one. continued is the entry part whose
    // continuation must open the new volume, or null when the new volume must start with a
    // fresh entry. When the notifying callback writes another path into the name, that file is
    // opened and checked in place of the proposed one (and not notified again). Throws
    // RarError: ERAR_EOPEN when the volume is missing, cannot be opened or the callback answers
    // 0; ERAR_BAD_DATA when it does not continue the set.
    void Advance(const EntryHeader* continued);
    // True when the proposed next volume exists (for sets whose volumes carry no end block).
    bool NextExists() const;

private:
    // A volume opened and checked, not yet taken as the current one.
    struct Candidate {
        std::unique_ptr<format::FileSource> file;
        std::unique_ptr<FormatReader> reader;
        Block first;
    };

    std::string ProposeNext() const;
    Candidate OpenCandidate(const std::string& name, const EntryHeader* continued) const;
    // The notifying callback's answer for `name`: the name it left or wrote in the buffer.
    std::string Notify(const std::string& name) const;
    std::string AskForVolume(std::string name) const;
    void CheckContinues(const ArchiveInfo& info, const Block& first, const EntryHeader* continued,
                        const std::string& name) const;

    CHANGEVOLPROC m_changeVolume = nullptr;
    Keyring* m_keyring;
    std::unique_ptr<format::FileSource> m_file;
    std::unique_ptr<FormatReader> m_reader;
    std::string m_name;
    bool m_setUsesFirstFlag = false;
    uint64_t m_index = 0;                  // volumes walked since the first one opened
    std::optional<uint64_t> m_numberBase;  // end-block volume number minus m_index
    std::optional<Block> m_peeked;
    FileIds m_volumes;
};

}  // namespace kiv::rar

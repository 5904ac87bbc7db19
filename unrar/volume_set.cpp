// The walk over the volumes of a set.
#include "unrar/volume_set.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "unrar/rar_error.h"
#include "unrar/volume_io.h"
#include "unrar/volume_name.h"

namespace kiv::rar {

namespace {

constexpr uint64_t kMaxVolumes = 100000;
// A callback that keeps answering "go on" without supplying the volume is asked this often.
constexpr int kMaxAsks = 256;
constexpr size_t kNameBufferSize = 4096;

[[noreturn]] void NotContinuing(const std::string& name, const std::string& why) {
    throw RarError(ERAR_BAD_DATA, name + " does not continue the volume set: " + why);
}

}  // namespace

VolumeSet::VolumeSet(const std::string& firstVolume, Keyring* keyring)
    : m_keyring(keyring), m_name(firstVolume) {
    m_file = OpenVolume(firstVolume);
    m_reader = OpenFormatReader(*m_file, m_keyring);
    m_setUsesFirstFlag = m_reader->Info().firstVolumeFlag;
    m_volumes.emplace_back(m_file->Device(), m_file->Inode());
}

Block VolumeSet::Next() {
    Block block;
    if (m_peeked) {
        block = std::move(*m_peeked);
        m_peeked.reset();
    } else {
        block = m_reader->Next();
    }
    if (block.kind == BlockKind::EndOfArchive && block.volumeNumber) {
        const uint64_t number = *block.volumeNumber;
        if (!m_numberBase) {
            m_numberBase = number - m_index;
        } else if (number != *m_numberBase + m_index) {
            NotContinuing(m_name, "its volume number is out of sequence");
        }
    }
    return block;
}

std::string VolumeSet::ProposeNext() const {
    return Info().newNumbering ? NextVolumeNameNew(m_name) : NextVolumeNameOld(m_name);
}

bool VolumeSet::NextExists() const {
    struct stat st {};
    return ::stat(ProposeNext().c_str(), &st) == 0;
}

std::string VolumeSet::AskForVolume(std::string name) const {
    for (int asked = 0;; ++asked) {
        struct stat st {};
        if (::stat(name.c_str(), &st) == 0) return name;
        if (m_changeVolume == nullptr || asked >= kMaxAsks) {
            throw RarError(ERAR_EOPEN, "volume " + name + " is missing");
        }
        std::vector<char> buffer(kNameBufferSize, '\0');
        std::memcpy(buffer.data(), name.data(), std::min(name.size(), kNameBufferSize - 1));
        if (m_changeVolume(buffer.data(), RAR_VOL_ASK) == 0) {
            throw RarError(ERAR_EOPEN, "volume " + name + " is missing and was not supplied");
        }
        buffer.back() = '\0';
        name = buffer.data();
    }
}

void VolumeSet::CheckContinues(const ArchiveInfo& info, const Block& first,
                               const EntryHeader* continued, const std::string& name) const {
    if (info.format != Info().format) NotContinuing(name, "another archive format");
    if (!info.isVolume) NotContinuing(name, "not a volume");
    if (info.format == RarFormat::Rar5) {
        const uint64_t expected = Info().volumeNumber.value_or(0) + 1;
        if (info.volumeNumber.value_or(0) != expected) {
            NotContinuing(name, "its volume number is out of sequence");
        }
    } else if (m_setUsesFirstFlag && info.firstVolumeFlag) {
        NotContinuing(name, "it is the first volume of a set");
    }
    const bool startsWithPart = first.kind == BlockKind::Entry && first.entry.splitBefore;
    if (continued != nullptr) {
        if (!startsWithPart || first.entry.name != continued->name) {
            NotContinuing(name, "it does not hold the rest of " + continued->name);
        }
    } else if (startsWithPart) {
        NotContinuing(name, "it starts with the rest of an entry that was not split");
    }
}

VolumeSet::Candidate VolumeSet::OpenCandidate(const std::string& name,
                                              const EntryHeader* continued) const {
    Candidate c;
    c.file = OpenVolume(name);
    for (const auto& [dev, ino] : m_volumes) {
        if (dev == c.file->Device() && ino == c.file->Inode()) {
            NotContinuing(name, "it was read already");
        }
    }
    try {
        c.reader = OpenFormatReader(*c.file, m_keyring);
    } catch (const RarError& e) {
        if (e.Code() == ERAR_EREAD) throw;
        NotContinuing(name, e.what());
    }
    c.first = c.reader->Next();
    CheckContinues(c.reader->Info(), c.first, continued, name);
    return c;
}

std::string VolumeSet::Notify(const std::string& name) const {
    if (m_changeVolume == nullptr) return name;
    std::vector<char> buffer(kNameBufferSize, '\0');
    std::memcpy(buffer.data(), name.data(), std::min(name.size(), kNameBufferSize - 1));
    if (m_changeVolume(buffer.data(), RAR_VOL_NOTIFY) == 0) {
        throw RarError(ERAR_EOPEN, "volume " + name + " was refused");
    }
    buffer.back() = '\0';
    return buffer.data();
}

void VolumeSet::Advance(const EntryHeader* continued) {
    if (m_index + 1 >= kMaxVolumes) throw RarError(ERAR_BAD_DATA, "too many volumes");
    std::string name = AskForVolume(ProposeNext());
    Candidate next = OpenCandidate(name, continued);
    // The caller reads the volume it names (its own pre-scan, for one), so the set goes on with
    // that file and not with the one proposed.
    const std::string named = Notify(name);
    if (named != name) {
        if (named.empty()) throw RarError(ERAR_EOPEN, "volume " + name + " was renamed to nothing");
        name = named;
        next = OpenCandidate(name, continued);
    }
    m_volumes.emplace_back(next.file->Device(), next.file->Inode());
    m_reader = std::move(next.reader);
    m_file = std::move(next.file);
    m_name = name;
    m_peeked = std::move(next.first);
    ++m_index;
}

}  // namespace kiv::rar

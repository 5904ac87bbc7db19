// One open archive handle behind the C interface: header walk, skip, test and extraction.
#include "unrar/archive.h"

#include <algorithm>
#include <cstring>

#include "formatcore/dos_time.h"
#include "unrar/data_check.h"
#include "unrar/name_codec.h"
#include "unrar/output_file.h"
#include "unrar/rar_error.h"
#include "unrar/volume_io.h"

namespace kiv::rar {

namespace {

constexpr uint64_t kMaxEntries = 1u << 20;
constexpr size_t kChunk = size_t{1024} * 1024;
constexpr size_t kNameField = 260;

void CopyField(char (&field)[kNameField], const std::string& text) {
    std::string cut = CutUtf8(text, kNameField - 1);
    std::memset(field, 0, kNameField);
    std::memcpy(field, cut.data(), cut.size());
}

}  // namespace

Archive::Archive(const std::string& firstVolume, unsigned openMode)
    : m_volumes(firstVolume), m_mode(openMode) {}

Block Archive::NextBlock() {
    try {
        return m_volumes.Next();
    } catch (const RarError& e) {
        m_fatal = e.Code();
        throw;
    }
}

void Archive::AdvanceVolume(const EntryHeader* continued) {
    try {
        m_volumes.Advance(continued);
    } catch (const RarError& e) {
        m_fatal = e.Code();
        throw;
    }
}

// Walks the remaining parts of an entry that was skipped, refused or broken off, so that the
// next header read starts after it.
void Archive::FinishUnfinished() {
    while (m_unfinished && m_unfinished->splitAfter && m_mode != RAR_OM_LIST_INCSPLIT) {
        EntryHeader part = *m_unfinished;
        AdvanceVolume(&part);
        m_unfinished = NextBlock().entry;
    }
    m_unfinished.reset();
}

int Archive::ReadHeader(RARHeaderData& header) {
    try {
        return ReadHeaderOrThrow(header);
    } catch (const RarError& e) {
        char* cmtBuf = header.CmtBuf;
        unsigned cmtBufSize = header.CmtBufSize;
        std::memset(&header, 0, sizeof header);
        header.CmtBuf = cmtBuf;
        header.CmtBufSize = cmtBufSize;
        CopyField(header.ArcName, m_volumes.CurrentName());
        return e.Code();
    }
}

int Archive::ReadHeaderOrThrow(RARHeaderData& header) {
    if (m_fatal != 0) return m_fatal;
    if (m_ended) return ERAR_END_ARCHIVE;
    if (m_current) {
        m_unfinished = m_current->entry;
        m_current.reset();
    }
    FinishUnfinished();
    while (true) {
        Block block = NextBlock();
        if (block.kind == BlockKind::Entry) {
            const EntryHeader& entry = block.entry;
            // A volume opened on its own may start with the rest of an entry; it cannot be
            // extracted without its beginning and is passed over.
            if (entry.splitBefore && m_mode != RAR_OM_LIST_INCSPLIT) continue;
            if (++m_entries > kMaxEntries) {
                m_fatal = ERAR_BAD_DATA;
                throw RarError(ERAR_BAD_DATA, "too many entries");
            }
            Current current;
            current.entry = entry;
            current.nameCut = entry.name.size() >= kNameField;
            m_lastListedPart = entry;
            Fill(header, current);
            m_current = std::move(current);
            return 0;
        }
        const bool more = block.kind == BlockKind::EndOfArchive
                              ? block.nextVolume
                              : m_volumes.Info().isVolume && m_volumes.NextExists();
        if (!more) {
            m_ended = true;
            return ERAR_END_ARCHIVE;
        }
        const bool partOpen =
            m_mode == RAR_OM_LIST_INCSPLIT && m_lastListedPart && m_lastListedPart->splitAfter;
        EntryHeader last = partOpen ? *m_lastListedPart : EntryHeader();
        AdvanceVolume(partOpen ? &last : nullptr);
    }
}

void Archive::Fill(RARHeaderData& header, const Current& current) const {
    const EntryHeader& e = current.entry;
    CopyField(header.ArcName, m_volumes.CurrentName());
    CopyField(header.FileName, e.name);
    header.Flags = e.flags;
    header.PackSize = static_cast<unsigned>(e.packSize);
    header.UnpSize = static_cast<unsigned>(e.unpSize);
    header.HostOS = e.hostOs;
    header.FileCRC = e.hasCrc ? e.crc : 0;
    header.FileTime = e.dosTime;
    header.UnpVer = e.unpVer;
    header.Method = e.method;
    header.FileAttr = e.attr;
    header.CmtSize = 0;
    header.CmtState = 0;
}

int Archive::ProcessFile(int operation, const char* destPath, const char* destName) {
    try {
        if (m_fatal != 0) return m_fatal;
        if (!m_current) return ERAR_UNKNOWN;
        Current current = std::move(*m_current);
        m_current.reset();
        m_unfinished = current.entry;
        if (operation == RAR_SKIP) {
            FinishUnfinished();
            return 0;
        }
        if (operation != RAR_TEST && operation != RAR_EXTRACT) return ERAR_UNKNOWN;
        return TestOrExtract(current, operation, destPath, destName);
    } catch (const RarError& e) {
        return e.Code();
    }
}

int Archive::TestOrExtract(const Current& current, int operation, const char* destPath,
                           const char* destName) {
    const EntryHeader& e = current.entry;
    const std::string path = destPath ? destPath : "";
    const std::string name = destName ? destName : "";
    if (e.directory) {
        if (operation == RAR_EXTRACT) CreateFolder(ResolveDestination(path, name, e.name));
        return 0;
    }
    if (e.encrypted) return ERAR_MISSING_PASSWORD;
    if (!e.stored || e.specialFile) return ERAR_UNKNOWN_FORMAT;
    if (m_mode == RAR_OM_LIST_INCSPLIT && (e.splitBefore || e.splitAfter)) return ERAR_UNKNOWN;
    if (operation == RAR_EXTRACT && current.nameCut) return ERAR_SMALL_BUF;

    std::unique_ptr<OutputFile> out;
    if (operation == RAR_EXTRACT) {
        out = OutputFile::Create(ResolveDestination(path, name, e.name), m_volumes.Volumes());
    }
    const bool blake2 = m_volumes.Info().format == RarFormat::Rar5 && (!e.hasCrc || e.hasBlake2);
    DataCheck whole(false, blake2);
    uint64_t total = 0;
    EntryHeader part = e;
    while (true) {
        DataCheck partCheck(true, false);
        const uint64_t before = total;
        CopyPart(part, whole, partCheck, out.get(), total);
        whole.AppendCrc(partCheck.Crc(), total - before);
        if (!part.splitAfter) break;
        if (part.hasCrc && partCheck.Crc() != part.crc) {
            throw RarError(ERAR_BAD_DATA, e.name + ": checksum mismatch in a volume's part");
        }
        AdvanceVolume(&part);
        part = NextBlock().entry;
        m_unfinished = part;
    }
    m_unfinished.reset();
    if (!e.unknownSize && total != e.unpSize) {
        throw RarError(ERAR_BAD_DATA, e.name + ": data size differs from the header");
    }
    if (part.hasCrc && whole.Crc() != part.crc) {
        throw RarError(ERAR_BAD_DATA, e.name + ": CRC-32 mismatch");
    }
    if (part.hasBlake2 && blake2 && whole.Blake2() != part.blake2) {
        throw RarError(ERAR_BAD_DATA, e.name + ": BLAKE2sp mismatch");
    }
    if (out) {
        struct timespec mtime {};
        mtime.tv_sec =
            static_cast<time_t>(e.hasUnixTime ? e.mtimeSec : format::DosToUnixTime(e.dosTime));
        mtime.tv_nsec = e.hasUnixTime ? static_cast<long>(e.mtimeNsec) : 0;
        const bool haveTime = e.hasUnixTime || e.dosTime != 0;
        out->Commit(e.hostOs == 3, e.attr, (e.attr & 1) != 0, haveTime ? &mtime : nullptr);
    }
    return 0;
}

void Archive::CopyPart(const EntryHeader& part, DataCheck& whole, DataCheck& partCheck,
                       OutputFile* out, uint64_t& total) {
    if (m_buffer.empty()) m_buffer.resize(kChunk);
    const format::ByteSource& volume = m_volumes.Current();
    uint64_t offset = part.dataOffset;
    uint64_t left = part.packSize;
    while (left > 0) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(left, kChunk));
        if (!ReadVolume(volume, offset, m_buffer.data(), n)) {
            throw RarError(ERAR_EREAD,
                           part.name + ": data cut short in " + m_volumes.CurrentName());
        }
        whole.Update(m_buffer.data(), n);
        partCheck.Update(m_buffer.data(), n);
        if (out) out->Write(m_buffer.data(), n);
        if (m_processData && m_processData(m_buffer.data(), static_cast<int>(n)) == 0) {
            throw RarError(ERAR_UNKNOWN, part.name + ": stopped by the data callback");
        }
        offset += n;
        left -= n;
        total += n;
    }
}

}  // namespace kiv::rar

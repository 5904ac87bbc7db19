// One open archive handle behind the C interface: header walk, skip, test and extraction.
#include "unrar/archive.h"

#include <sys/stat.h>

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include "formatcore/dos_time.h"
#include "formatcore/rar5_layout.h"
#include "unrar/data_check.h"
#include "unrar/entry_crypt.h"
#include "unrar/entry_sink.h"
#include "unrar/name_codec.h"
#include "unrar/output_file.h"
#include "unrar/packed_input.h"
#include "unrar/rar_error.h"
#include "unrar/stored_decoder.h"

namespace kiv::rar {

namespace {

constexpr uint64_t kMaxEntries = 1u << 20;
constexpr size_t kCopyChunk = size_t{1} << 20;
constexpr size_t kNameField = 260;
constexpr uint32_t kHostUnix = 3;

void CopyField(char (&field)[kNameField], const std::string& text) {
    std::string cut = CutUtf8(text, kNameField - 1);
    std::memset(field, 0, kNameField);
    std::memcpy(field, cut.data(), cut.size());
}

// Entries of one generation share a decoder; a solid run never changes generation.
uint32_t Generation(uint32_t unpVer) {
    if (unpVer == 26) return 20;
    if (unpVer == 36) return 29;
    return unpVer;
}

// A file copy or a hard link: written as a copy of its target's data, once that is extracted.
bool IsCopy(const EntryHeader& e) {
    return e.redirection == format::rar5::kRedirectHardLink ||
           e.redirection == format::rar5::kRedirectFileCopy;
}

// The time an extracted file is given: the entry's Unix time, else its DOS time; none when the
// header has neither.
std::optional<struct timespec> ModificationTime(const EntryHeader& e) {
    if (!e.hasUnixTime && e.dosTime == 0) return std::nullopt;
    struct timespec mtime {};
    mtime.tv_sec =
        static_cast<time_t>(e.hasUnixTime ? e.mtimeSec : format::DosToUnixTime(e.dosTime));
    mtime.tv_nsec = e.hasUnixTime ? static_cast<long>(e.mtimeNsec) : 0;
    return mtime;
}

// The permissions an extracted file is created with (the umask applies): a Unix-made entry's
// own, without set-id and sticky bits; otherwise read-write, or read-only for the read-only
// attribute.
mode_t ModeFor(const EntryHeader& e) {
    if (e.hostOs == kHostUnix) return static_cast<mode_t>(e.attr & 0777);
    return (e.attr & 1) != 0 ? 0444 : 0666;
}

}  // namespace

Archive::Archive(const std::string& firstVolume, unsigned openMode)
    : m_volumes(firstVolume, &m_keyring), m_mode(openMode) {}

Block Archive::NextBlock() {
    try {
        return m_volumes.Next();
    } catch (const RarError& e) {
        // Encrypted headers wait where they are for a (better) password.
        if (e.Code() != ERAR_MISSING_PASSWORD && e.Code() != ERAR_BAD_PASSWORD) m_fatal = e.Code();
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
    m_encryptedFailure.reset();
    if (m_fatal != 0) return m_fatal;
    if (m_ended) return ERAR_END_ARCHIVE;
    if (m_current) {
        // Passed over without a call for it: a skip.
        const EntryHeader skipped = m_current->entry;
        m_current.reset();
        m_unfinished = skipped;
        PassOver(skipped);
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
    int code = 0;
    int systemError = 0;
    std::optional<Current> again;
    const uint64_t volume = m_volumes.Index();
    try {
        if (m_fatal != 0) return m_fatal;
        if (!m_current) return m_encryptedFailure.value_or(ERAR_UNKNOWN);
        Current current = std::move(*m_current);
        m_current.reset();
        m_unfinished = current.entry;
        if (operation == RAR_SKIP) {
            PassOver(current.entry);
            FinishUnfinished();
            return 0;
        }
        if (operation != RAR_TEST && operation != RAR_EXTRACT) return ERAR_UNKNOWN;
        again = current;
        code = TestOrExtract(current, operation, destPath, destName);
    } catch (const RarError& e) {
        code = e.Code();
        systemError = e.SystemError();
    }
    if (code != 0 && again) {
        if (CanRetry(again->entry, code, volume)) {
            m_current = std::move(again);
        } else if (again->entry.encrypted) {
            m_encryptedFailure = code;
        }
    }
    // Set last, after every clean-up, so that the caller finds it.
    if (systemError != 0) errno = systemError;
    return code;
}

bool Archive::CanRetry(const EntryHeader& e, int code, uint64_t startVolume) const {
    if (m_fatal != 0) return false;
    // Refused before any of its data was read or decoded.
    if (code == ERAR_MISSING_PASSWORD || code == ERAR_BAD_PASSWORD) return true;
    // The entry's data is read again from its first byte, so a try may be repeated only while
    // the walk has not left the volume it starts in, and only when it decoded no solid state.
    return m_volumes.Index() == startVolume && !CarriesSolidState(e);
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
    if (m_mode == RAR_OM_LIST_INCSPLIT && (e.splitBefore || e.splitAfter)) return ERAR_UNKNOWN;
    // Links, devices and fifos are never created; their data may still feed a solid stream.
    if (e.specialFile && !IsCopy(e)) {
        PassOver(e);
        return ERAR_EREFERENCE;
    }
    if (operation == RAR_EXTRACT && current.nameCut) {
        PassOver(e);
        return ERAR_SMALL_BUF;
    }
    if (IsCopy(e)) return WriteCopy(e, operation, path, name);
    std::unique_ptr<OutputFile> out;
    Destination dest;
    if (operation == RAR_EXTRACT) {
        try {
            dest = ResolveDestination(path, name, e.name);
            out = OutputFile::Create(dest, m_volumes.Volumes(), ModeFor(e));
        } catch (const RarError&) {
            PassOver(e);
            throw;
        }
    }
    DecodeEntry(e, out.get(), true);
    if (out) {
        const std::optional<struct timespec> mtime = ModificationTime(e);
        out->Commit(mtime ? &*mtime : nullptr);
        Remember(e, dest, *out);
    }
    return 0;
}

int Archive::WriteCopy(const EntryHeader& e, int operation, const std::string& path,
                       const std::string& name) {
    if (operation != RAR_EXTRACT) return ERAR_EREFERENCE;
    Fd source = m_extracted.Open(e.linkTarget, e.unpSize);
    if (!source.Valid()) return ERAR_EREFERENCE;
    const Destination dest = ResolveDestination(path, name, e.name);
    std::unique_ptr<OutputFile> out = OutputFile::Create(dest, m_volumes.Volumes(), ModeFor(e));
    // The target's data passed its check when it was extracted; the copy's header has none.
    DataCheck check(false, false);
    EntrySink sink(e.name, check, out.get(), m_processData, e.unpSize, false);
    std::vector<uint8_t> buffer(kCopyChunk);
    while (true) {
        const ssize_t got = ::read(source.Get(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw RarError(ERAR_EREAD, e.name + ": cannot read " + e.linkTarget, errno);
        if (got == 0) break;
        sink.Write(buffer.data(), static_cast<size_t>(got));
    }
    if (sink.Written() != e.unpSize) {
        throw RarError(ERAR_BAD_DATA, e.name + ": " + e.linkTarget + " changed while copied");
    }
    const std::optional<struct timespec> mtime = ModificationTime(e);
    out->Commit(mtime ? &*mtime : nullptr);
    Remember(e, dest, *out);
    return 0;
}

void Archive::Remember(const EntryHeader& e, const Destination& dest, const OutputFile& out) {
    // Only RAR 5.0 entries refer to earlier ones.
    if (m_volumes.Info().format != RarFormat::Rar5) return;
    m_extracted.Remember(e.name, dest, out.Device(), out.Inode());
}

bool Archive::CarriesSolidState(const EntryHeader& e) const {
    // A RAR 5.0 redirection has no data of its own in the solid stream, whatever size it
    // declares (that of its target).
    return m_mode == RAR_OM_EXTRACT && m_volumes.Info().solid && !e.stored && !e.directory &&
           (!e.encrypted || m_keyring.HasPassword()) && !e.splitBefore && e.redirection == 0;
}

void Archive::PassOver(const EntryHeader& e) {
    if (!CarriesSolidState(e)) return;
    try {
        DecodeEntry(e, nullptr, false);
    } catch (const RarError&) {
        // The solid run ends here (a password refused before decoding left the decoder as it
        // was, so it goes too); the walk goes on unless the volumes cannot be followed.
        m_decoder.reset();
        if (m_fatal != 0) throw;
    }
}

DecodeParams Archive::ParamsFor(const EntryHeader& e) const {
    DecodeParams p;
    p.unpVer = e.unpVer;
    p.unpSize = e.unpSize;
    p.unknownSize = e.unknownSize;
    p.dictionarySize = e.dictionarySize;
    // RAR 1.5 headers have no solid flag of their own: in a solid archive every entry after the
    // first continues the stream.
    p.solid = e.unpVer < 20 ? m_volumes.Info().solid && m_decoder != nullptr &&
                                  m_decoderGeneration == Generation(e.unpVer)
                            : e.solid;
    p.solidArchive = m_volumes.Info().solid || e.solid;
    return p;
}

Decoder& Archive::DecoderFor(const EntryHeader& e, const DecodeParams& p) {
    if (e.stored) {
        if (!m_stored) m_stored = CreateStoredDecoder();
        return *m_stored;
    }
    const auto create = [&] { return m_decoderFactory ? m_decoderFactory(p) : CreateDecoder(p); };
    const uint32_t generation = Generation(e.unpVer);
    if (p.solid && m_decoder && m_decoderGeneration == generation) return *m_decoder;
    m_decoder.reset();
    std::unique_ptr<Decoder> made = create();
    if (!made) {
        throw RarError(ERAR_UNKNOWN_FORMAT, e.name + ": the compression of unpack version " +
                                                std::to_string(e.unpVer) + " is not supported");
    }
    if (p.solid) {
        throw RarError(
            ERAR_BAD_DATA,
            e.name + ": continues a solid stream whose earlier entries were not decoded");
    }
    m_decoder = std::move(made);
    m_decoderGeneration = generation;
    return *m_decoder;
}

void Archive::DecodeEntry(const EntryHeader& e, OutputFile* out, bool deliver) {
    const bool blake2 = m_volumes.Info().format == RarFormat::Rar5 && (!e.hasCrc || e.hasBlake2);
    // Before anything is read or decoded: a missing or refused password leaves all as it was.
    std::unique_ptr<StreamDecryptor> cipher =
        e.encrypted ? EntryDecryptor(e, m_volumes.Info(), m_keyring) : nullptr;
    const DecodeParams p = ParamsFor(e);
    Decoder& decoder = DecoderFor(e, p);
    // A plain stored entry's CRC-32 is that of its packed bytes, taken as they are read; an
    // encrypted one's is that of the plaintext.
    const bool packedCrc = e.stored && !cipher;
    PartsInput input(m_volumes, e, packedCrc, [this](const EntryHeader& finished) {
        AdvanceVolume(&finished);
        EntryHeader next = NextBlock().entry;
        m_unfinished = next;
        return next;
    });
    const std::optional<uint64_t> limit =
        e.unknownSize ? std::nullopt : std::optional<uint64_t>(e.unpSize);
    // The padding after a stored entry's plaintext is no data of it.
    std::optional<DecryptingInput> decrypted;
    if (cipher) decrypted.emplace(input, std::move(cipher), e.stored ? limit : std::nullopt);
    PackedInput& source = decrypted ? static_cast<PackedInput&>(*decrypted) : input;
    DataCheck check(!packedCrc, blake2);
    EntrySink sink(e.name, check, out, deliver ? m_processData : nullptr, limit,
                   CarriesSolidState(e));
    try {
        decoder.Decode(source, sink, p);
        input.Drain();
    } catch (...) {
        if (!e.stored) m_decoder.reset();
        throw;
    }
    m_unfinished.reset();
    if (sink.WriteFailure()) throw *sink.WriteFailure();
    if (!e.unknownSize && sink.Written() != e.unpSize) {
        throw RarError(ERAR_BAD_DATA, e.name + ": data size differs from the header");
    }
    const EntryHeader& last = input.Part();
    const uint32_t crc = packedCrc ? input.PackedCrc() : check.Crc();
    if (last.hasCrc && StoredCrc(last, m_keyring, crc) != last.crc) {
        throw RarError(ERAR_BAD_DATA, e.name + ": CRC-32 mismatch");
    }
    if (last.hasBlake2 && blake2 && StoredHash(last, m_keyring, check.Blake2()) != last.blake2) {
        throw RarError(ERAR_BAD_DATA, e.name + ": BLAKE2sp mismatch");
    }
}

}  // namespace kiv::rar

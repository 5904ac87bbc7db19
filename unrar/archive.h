// One open archive handle behind the C interface: header walk, skip, test and extraction.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "unrar/decoder.h"
#include "unrar/extracted_files.h"
#include "unrar/format_reader.h"
#include "unrar/keyring.h"
#include "unrar/output_file.h"
#include "unrar/unrar.h"
#include "unrar/volume_set.h"

namespace kiv::rar {

class Archive {
public:
    // Makes the decoder for an entry's generation, or null when there is none.
    using DecoderFactory = std::function<std::unique_ptr<Decoder>(const DecodeParams&)>;

    // Throws RarError with the code for RAROpenArchiveData.OpenResult.
    Archive(const std::string& firstVolume, unsigned openMode);

    void SetChangeVolumeProc(CHANGEVOLPROC proc) { m_volumes.SetChangeVolumeProc(proc); }
    void SetProcessDataProc(PROCESSDATAPROC proc) { m_processData = proc; }
    void SetPassword(std::string password) { m_keyring.SetPassword(std::move(password)); }
    // The handle's password and derived keys; fuzzers replace the key derivations here.
    Keyring& Keys() { return m_keyring; }
    // Where compressed entries get their decoders (CreateDecoder unless set); tests put
    // decoders of their own here.
    void SetDecoderFactory(DecoderFactory factory) { m_decoderFactory = std::move(factory); }

    // The semantics of RARReadHeader and RARProcessFile; they return ERAR_* codes and only let
    // std::bad_alloc escape. After ERAR_ECREATE or ERAR_EWRITE, ProcessFile leaves errno set to
    // the system's reason for the failure. An entry that failed stays the current one, for
    // another ProcessFile (with another password, say), when its data can be read again: a
    // password was refused before any of it was read, or the walk is still in the volume where
    // its data begins and no solid state went into the try.
    int ReadHeader(RARHeaderData& header);
    int ProcessFile(int operation, const char* destPath, const char* destName);

private:
    struct Current {
        EntryHeader entry;
        bool nameCut = false;
    };

    Block NextBlock();
    // Whether ProcessFile may be called again for this entry after it failed with code.
    bool CanRetry(const EntryHeader& e, int code, uint64_t startVolume) const;
    void AdvanceVolume(const EntryHeader* continued);
    void FinishUnfinished();
    int ReadHeaderOrThrow(RARHeaderData& header);
    int TestOrExtract(const Current& current, int operation, const char* destPath,
                      const char* destName);
    // Writes a file copy or hard link entry as a copy of the file this handle extracted for its
    // target; ERAR_EREFERENCE when there is none (or only a test was asked for). Throws RarError.
    int WriteCopy(const EntryHeader& e, int operation, const std::string& path,
                  const std::string& name);
    // Keeps what an extracted file became, for the copies of it that may follow.
    void Remember(const EntryHeader& e, const Destination& dest, const OutputFile& out);
    void Fill(RARHeaderData& header, const Current& current) const;

    // Decodes the entry whose header was read last into `out` (none: checks only) and verifies
    // it; the data callback sees its bytes when `deliver`. Throws RarError.
    void DecodeEntry(const EntryHeader& e, OutputFile* out, bool deliver);
    // Decodes an entry that is passed over when a later entry of a solid archive may need its
    // state; a failure there only ends the solid run (and a broken volume walk ends the walk).
    void PassOver(const EntryHeader& e);
    bool CarriesSolidState(const EntryHeader& e) const;
    DecodeParams ParamsFor(const EntryHeader& e) const;
    Decoder& DecoderFor(const EntryHeader& e, const DecodeParams& p);

    Keyring m_keyring;  // before m_volumes, whose readers use it
    VolumeSet m_volumes;
    ExtractedFiles m_extracted;
    unsigned m_mode;
    PROCESSDATAPROC m_processData = nullptr;
    DecoderFactory m_decoderFactory;
    std::optional<Current> m_current;             // header returned, not yet processed
    std::optional<EntryHeader> m_unfinished;      // part whose later parts are still to be walked
    std::optional<EntryHeader> m_lastListedPart;  // split list mode: the part listed last
    // An encrypted entry that failed and cannot be read again (its data ran over volumes that
    // are behind): another ProcessFile for it, as a password retry makes, gets its failure.
    std::optional<int> m_encryptedFailure;
    uint64_t m_entries = 0;
    int m_fatal = 0;  // sticky: the walk cannot go on
    bool m_ended = false;
    std::unique_ptr<Decoder> m_stored;
    // The decoder of the current solid run (or of the last compressed entry), kept across
    // entries and volumes; gone after a failure, so that no entry continues a broken state.
    std::unique_ptr<Decoder> m_decoder;
    uint32_t m_decoderGeneration = 0;
};

}  // namespace kiv::rar

// One open archive handle behind the C interface: header walk, skip, test and extraction.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "unrar/format_reader.h"
#include "unrar/unrar.h"
#include "unrar/volume_set.h"

namespace kiv::rar {

class Archive {
public:
    // Throws RarError with the code for RAROpenArchiveData.OpenResult.
    Archive(const std::string& firstVolume, unsigned openMode);

    void SetChangeVolumeProc(CHANGEVOLPROC proc) { m_volumes.SetChangeVolumeProc(proc); }
    void SetProcessDataProc(PROCESSDATAPROC proc) { m_processData = proc; }
    void SetPassword(std::string password) { m_password = std::move(password); }

    // The semantics of RARReadHeader and RARProcessFile; they return ERAR_* codes and only let
    // std::bad_alloc escape.
    int ReadHeader(RARHeaderData& header);
    int ProcessFile(int operation, const char* destPath, const char* destName);

private:
    struct Current {
        EntryHeader entry;
        bool nameCut = false;
    };

    Block NextBlock();
    void AdvanceVolume(const EntryHeader* continued);
    void FinishUnfinished();
    int ReadHeaderOrThrow(RARHeaderData& header);
    int TestOrExtract(const Current& current, int operation, const char* destPath,
                      const char* destName);
    void CopyPart(const EntryHeader& part, class DataCheck& whole, class DataCheck& partCheck,
                  class OutputFile* out, uint64_t& total);
    void Fill(RARHeaderData& header, const Current& current) const;

    VolumeSet m_volumes;
    unsigned m_mode;
    PROCESSDATAPROC m_processData = nullptr;
    std::string m_password;
    std::optional<Current> m_current;             // header returned, not yet processed
    std::optional<EntryHeader> m_unfinished;      // part whose later parts are still to be walked
    std::optional<EntryHeader> m_lastListedPart;  // split list mode: the part listed last
    uint64_t m_entries = 0;
    int m_fatal = 0;  // sticky: the walk cannot go on
    bool m_ended = false;
    std::vector<uint8_t> m_buffer;
};

}  // namespace kiv::rar

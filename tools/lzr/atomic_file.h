// AtomicFile: output written to a temporary file beside its target and renamed over it at the end.
#pragma once

#include <memory>
#include <string>

#include "framework/file_stream.h"

namespace kiv {

// The target appears, or is replaced, only by Commit(); until then it is untouched, and a
// destroyed uncommitted AtomicFile leaves nothing behind.
class AtomicFile {
public:
    // Creates the temporary file in the target's folder; EFCreateError when that fails.
    explicit AtomicFile(std::string target);
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();

    TStream& Stream() { return *m_stream; }
    // Closes the stream, gives the file the usual permissions (0666 less the umask) and renames
    // it over the target; EWriteError naming the target when the rename fails.
    void Commit();

private:
    std::string m_target;
    std::string m_temp;
    std::unique_ptr<TFileStream> m_stream;
    bool m_committed = false;
};

}  // namespace kiv

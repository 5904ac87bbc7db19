// ErrorReport: one failure as OnError receives it, built by what the failure concerns.
#pragma once

#include <string>
#include <utility>

namespace kiv {

// The four values OnError passes on: the file concerned (FN), an extra message (MsgEx), the
// number of the volume concerned as text (VolumeID, "0" when no volume change is concerned)
// and the message code (ECode). Built only through the named constructors, so a report never
// depends on the order of loose strings.
class ErrorReport {
public:
    // A failure about a file: an archive, a volume that is read, an entry's destination.
    static ErrorReport ForFile(std::string fileName, int code) {
        return ErrorReport(std::move(fileName), "0", code);
    }
    // A failure about changing to volume number `volumeNumber`, proposed under `volumeName`.
    static ErrorReport ForVolume(std::string volumeName, int volumeNumber, int code) {
        return ErrorReport(std::move(volumeName), std::to_string(volumeNumber), code);
    }

    // The same report with an extra message: the system's reason for a failure.
    ErrorReport WithExtra(std::string extra) const {
        ErrorReport explained = *this;
        explained.m_extra = std::move(extra);
        return explained;
    }

    // The same report naming `fileName` instead.
    ErrorReport Naming(std::string fileName) const {
        ErrorReport renamed = *this;
        renamed.m_fileName = std::move(fileName);
        return renamed;
    }

    const std::string& FileName() const { return m_fileName; }
    // The system's reason where the engine has one (a file that cannot be created or written,
    // a folder that cannot be made); empty otherwise.
    const std::string& Extra() const { return m_extra; }
    const std::string& VolumeId() const { return m_volumeId; }
    int Code() const { return m_code; }

private:
    ErrorReport(std::string fileName, std::string volumeId, int code)
        : m_fileName(std::move(fileName)), m_volumeId(std::move(volumeId)), m_code(code) {}

    std::string m_fileName;
    std::string m_extra;
    std::string m_volumeId;
    int m_code;
};

}  // namespace kiv

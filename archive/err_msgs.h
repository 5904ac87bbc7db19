// Message codes of the archive engine, their fixed texts and the engine's error class E_RAISE.
#pragma once

#include <string>

#include "framework/exception.h"

namespace kiv {

// The codes the engine reports itself; every code has a text in the message table.
namespace msg {
inline constexpr int BadFileHeader = 25108;
inline constexpr int BrokenVolumeChain = 25135;
inline constexpr int CorruptInput = 25139;
inline constexpr int ErrorWriting = 25136;
inline constexpr int ErrorClosing = 25137;
inline constexpr int ErrorCreatingDir = 25150;
inline constexpr int CrcFailed = 25151;
inline constexpr int CannotCreateDir = 25153;
inline constexpr int DiskFull = 25156;
inline constexpr int NotAccessible = 25157;
inline constexpr int EofNotFound = 25158;
inline constexpr int FileNotFound = 25172;
inline constexpr int ErrorOpening = 25235;
inline constexpr int ErrorReading = 25236;
inline constexpr int UnsupportedType = 25242;
inline constexpr int InvalidFileName = 25243;
inline constexpr int MaxVolumes = 25250;
inline constexpr int OutOfMemory = 25253;
inline constexpr int HeaderNotFound = 25257;
inline constexpr int LibraryNotFound = 25258;
inline constexpr int UnsupportedMethod = 25326;
inline constexpr int InvalidPassword = 26517;
inline constexpr int SkippedFile = 26800;
}  // namespace msg

// The text of a message code; empty for a code without text (0 among them).
std::string ErrorMessage(int code);

// The engine's error: its message is the text of its code.
class E_RAISE : public Exception {
public:
    explicit E_RAISE(int code) : Exception(ErrorMessage(code)), m_code(code) {}
    int ECode() const { return m_code; }

private:
    int m_code;
};

}  // namespace kiv

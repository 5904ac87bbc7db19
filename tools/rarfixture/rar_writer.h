// Writes stored RAR 1.5-4.x and RAR 5.0 archives and volume sets for tests and benchmarks.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "unrar/crypt_kdf.h"

namespace kiv::fixture {

enum class ArchiveFormat { Rar4, Rar5 };
// How a RAR 1.5-4.x name is stored: its bytes as they are (an OEM name), the Unicode form
// (an ASCII stand-in, a zero byte, then the encoded UTF-16 units), or UTF-8 with the Unicode
// flag and no zero byte. RAR 5.0 names are always UTF-8.
enum class NameForm { Oem, Unicode, Utf8 };
// Old: name.rar, name.r00, name.r01 ...; New: name.part1.rar ... (digits for the set's size).
enum class VolumeNaming { Old, New };

// A comment in an old comment block (RAR 1.5-2.x): its text and, when not empty, the packed
// form stored for it (a RAR 2.0 stream made by the caller, method 0x33); otherwise the text is
// stored as it is (method 0x30).
struct OldComment {
    std::string text;
    std::string packed;
};

struct FixtureEntry {
    std::string name;        // '/' separated; stored with '\' in RAR 1.5-4.x
    std::string data;        // the contents, unless sourcePath is set
    std::string sourcePath;  // read the contents from this file (for large entries)
    bool directory = false;
    uint32_t hostOs = 2;  // 0 MS-DOS, 2 Windows, 3 Unix; RAR 5.0 stores 0 or 1 for 2 or 3
    uint32_t attr = 0x20;
    int64_t mtime = 1600000000;  // Unix seconds
    NameForm nameForm = NameForm::Oem;
    bool encrypted = false;  // the header flag (RAR 5.0: an encryption record), data unchanged
    // When not empty, the stored bytes are encrypted with it (and the entry flagged): RAR 1.5-4.x
    // with RAR 2.0's cipher for unpVer 20 and AES-128 for later versions, RAR 5.0 with AES-256.
    std::string password;
    uint8_t method = 0x30;  // any other value marks the (unchanged) data as compressed
    bool blake2 = false;    // RAR 5.0: a BLAKE2sp record instead of the CRC-32
    // When not empty, the bytes stored as the entry's data (a packed form made by the caller);
    // data stays what they unpack to and gives the unpacked size and the checks.
    std::string packed;
    bool solid = false;       // the entry's solid flag
    uint8_t unpVer = 29;      // RAR 1.5-4.x: the version needed to extract
    uint32_t dictionary = 0;  // the dictionary exponent (RAR 1.5-4.x: 0-6; RAR 5.0: 0-31)
    uint32_t algorithm = 0;   // RAR 5.0: the compression algorithm version
    uint32_t fraction = 0;    // RAR 5.0, algorithm 1: the dictionary's 32nds
    uint16_t extraFlags = 0;  // RAR 1.5-4.x: header flags or'ed into the ones written (0x4000)
    // RAR 1.5-4.x: a file comment as RAR 1.5-2.x keeps it, in a comment block behind the name
    // inside the file header (flag 0x0008), the header's check value covering the fields up to
    // the end of the name only.
    OldComment comment;
    // RAR 5.0: a redirection record (1 Unix symbolic link, 2 Windows symbolic link, 3 junction,
    // 4 hard link, 5 file copy) naming linkTarget; the entry then stores no data (CRC 0), and
    // data only gives the size it declares, as RAR gives a link the size of its target.
    uint32_t redirection = 0;
    std::string linkTarget;
};

struct FixtureOptions {
    ArchiveFormat format = ArchiveFormat::Rar4;
    uint64_t volumeSize = 0;  // largest volume file; 0 writes one archive that is no volume
    VolumeNaming naming = VolumeNaming::New;
    bool endBlocks = true;       // end-of-archive blocks (old RAR 1.5/2.x sets have none)
    bool nextVolumeFlag = true;  // their next-volume flag on all volumes but the last
    bool volumeNumbers = true;   // volume numbers in RAR 1.5-4.x end blocks
    int partDigits = 0;          // digits of partN; 0 chooses from the number of volumes
    bool solid = false;          // the main header's solid flag
    // When not empty, every header is encrypted with it (RAR 1.5-4.x: those after the main
    // header; RAR 5.0: those after the archive encryption header).
    std::string headerPassword;
    uint32_t cryptSeed = 1;        // of the salts and start vectors
    unsigned kdfLog2 = 15;         // RAR 5.0: 2^kdfLog2 PBKDF2 iterations
    bool passwordCheck = true;     // RAR 5.0: password check values
    bool tweakedChecksums = true;  // RAR 5.0: checksums of encrypted entries stored keyed
    int cryptVersion = -1;         // RAR 3.x: the main header's encryption version; -1 writes
                                   // none (keys are then derived as before RAR 3.6)
    // The key derivations (the library's unless set); fuzz seeds take the fuzzers' cheap ones.
    std::function<rar::Rar3Key(std::string_view, const uint8_t*, bool)> rar3Derivation;
    std::function<rar::Rar5Keys(std::string_view, const uint8_t*, unsigned)> rar5Derivation;
    // RAR 1.5-4.x: an archive comment as RAR 1.5-2.x keeps it, in a comment block inside the main
    // header of the first volume (flag 0x0002), the check value covering the first 13 bytes.
    OldComment archiveComment;
};

// Writes the archive or volume set. path names the archive, or for a set its base name
// ("dir/name.rar" gives dir/name.part1.rar ... or dir/name.rar, dir/name.r00 ...).
// Returns the volume paths in order. Throws std::runtime_error.
std::vector<std::string> WriteRarArchive(const std::string& path,
                                         const std::vector<FixtureEntry>& entries,
                                         const FixtureOptions& options);

// The volume names of a set of count volumes, as WriteRarArchive names them.
std::vector<std::string> VolumeNames(const std::string& path, const FixtureOptions& options,
                                     size_t count);

}  // namespace kiv::fixture

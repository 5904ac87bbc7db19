// The unrar C interface: records, codes, callbacks and the seven calls of libunrar.so.
//
// Callers bind these symbols with dlopen/dlsym, so the records keep the original byte layout
// (packed to one byte) and the calls keep the original parameter types.
//
// What our library puts into the records:
// - RARHeaderData.ArcName: the volume file that holds the entry's (first) header.
// - RARHeaderData.FileName: the stored name with '/' as separator. RAR 1.5-4.x names without
//   the Unicode form are the archive's own bytes (OEM code page); names stored in the Unicode
//   form and every RAR 5.0 name are UTF-8. A name longer than 259 bytes is cut at a character
//   boundary, and RARProcessFile refuses to extract that entry with ERAR_SMALL_BUF.
// - Flags: RAR 1.5-4.x header flags as stored (0xE0 all set: a folder); for RAR 5.0 the same
//   bits are composed: 0x01 continued from the previous volume, 0x02 continued in the next,
//   0x04 encrypted, 0x10 solid, 0x20 folder.
// - HostOS: 0 MS-DOS, 1 OS/2, 2 Windows, 3 Unix (RAR 5.0 hosts Windows/Unix map to 2/3).
// - FileTime: DOS date-time in local time (RAR 5.0 Unix times are converted).
// - PackSize, UnpSize: the low 32 bits; FileCRC: the CRC-32 stored in the entry's first header
//   (0 when a RAR 5.0 entry carries only a BLAKE2sp hash); FileAttr: as stored;
//   Method: 0x30 stored .. 0x35 best; UnpVer as stored (RAR 5.0: 50, 70 for the later
//   revision of its algorithm, 0 for a revision this library does not know).
// - CmtSize and CmtState are 0: comments are not read.
//
// Error codes in practice:
// - ERAR_BAD_ARCHIVE: not a RAR archive; ERAR_UNKNOWN_FORMAT: RAR before 1.5 or an unknown
//   version, and RARProcessFile of an entry whose compression this library cannot decode;
// - ERAR_EREFERENCE: RARProcessFile of a link, a device or a fifo, which are never created (a
//   RAR 5.0 file copy or hard link of a file this handle extracted is written as a regular file
//   holding a copy of that file's data);
// - ERAR_BAD_DATA: a damaged header (the walk ends there), damaged compressed data, a data
//   checksum mismatch, or a volume that does not continue the set; ERAR_EREAD: data cut short
//   or unreadable;
// - ERAR_NO_MEMORY: the entry's dictionary is larger than this machine can hold;
// - ERAR_EOPEN: a volume that is missing or refused by the change-volume callback, or that
//   cannot be opened; ERAR_ECREATE / ERAR_EWRITE: the destination cannot be created or written,
//   or it lies outside DestPath, passes through a symbolic link or is a volume file. With these
//   two codes RARProcessFile leaves errno set to the reason: the errno of the system call that
//   failed (ENOSPC or EDQUOT for a full disk, EACCES, ENAMETOOLONG, ...), EPERM for a
//   destination refused for safety;
// - ERAR_MISSING_PASSWORD: an encrypted entry, or an archive with encrypted headers, and no
//   password set; ERAR_BAD_PASSWORD: the password fails the check value of a RAR 5.0 entry or
//   of encrypted headers (or, for RAR 1.5-4.x headers, the check of the first header). Entries
//   of RAR 2.0 and RAR 3.x carry no check value: a wrong password shows as ERAR_BAD_DATA. After
//   either password code the call can be made again once RARSetPassword gave another password:
//   RARReadHeader reads the same header again, and RARProcessFile processes the same entry
//   again (after ERAR_BAD_DATA too, under the conditions given at RARProcessFile; an encrypted
//   entry that cannot be read again answers with its failure again);
// - ERAR_UNKNOWN: the data callback answered 0.
//
// Solid archives: every entry is decoded in order. An entry that is skipped, passed over by
// reading the next header, refused (a link, a destination that cannot be created) or whose
// file cannot be written is still decoded, without being written, so that the entries after it
// can be; a damaged entry ends the solid run, and the entries that continue it fail with
// ERAR_BAD_DATA.
//
// Writing: every folder and file is reached from DestPath (the folder the caller trusts) one
// component at a time, never through a symbolic link; a file is created with the entry's
// permissions (a Unix-made entry's own, else read-write or read-only) through the umask, and
// written to an unnamed temporary file that takes its name only after the data check (where
// the file system has none, a hidden temporary file beside it, which a later run of the same
// entry removes when a killed run left it).
#ifndef KIV_UNRAR_UNRAR_H
#define KIV_UNRAR_UNRAR_H

#if defined(KIV_UNRAR_BUILDING)
#define KIV_UNRAR_EXPORT __attribute__((visibility("default")))
#else
#define KIV_UNRAR_EXPORT
#endif

#define ERAR_END_ARCHIVE 10
#define ERAR_NO_MEMORY 11
#define ERAR_BAD_DATA 12
#define ERAR_BAD_ARCHIVE 13
#define ERAR_UNKNOWN_FORMAT 14
#define ERAR_EOPEN 15
#define ERAR_ECREATE 16
#define ERAR_ECLOSE 17
#define ERAR_EREAD 18
#define ERAR_EWRITE 19
#define ERAR_SMALL_BUF 20
#define ERAR_UNKNOWN 21
#define ERAR_MISSING_PASSWORD 22
#define ERAR_EREFERENCE 23
#define ERAR_BAD_PASSWORD 24

#define RAR_OM_LIST 0
#define RAR_OM_EXTRACT 1
#define RAR_OM_LIST_INCSPLIT 2

#define RAR_SKIP 0
#define RAR_TEST 1
#define RAR_EXTRACT 2

#define RAR_VOL_ASK 0
#define RAR_VOL_NOTIFY 1

#ifdef __cplusplus
extern "C" {
#endif

#pragma pack(push, 1)

struct RARHeaderData {
    char ArcName[260];
    char FileName[260];
    unsigned int Flags;
    unsigned int PackSize;
    unsigned int UnpSize;
    unsigned int HostOS;
    unsigned int FileCRC;
    unsigned int FileTime;
    unsigned int UnpVer;
    unsigned int Method;
    unsigned int FileAttr;
    char* CmtBuf;
    unsigned int CmtBufSize;
    unsigned int CmtSize;
    unsigned int CmtState;
};

struct RAROpenArchiveData {
    char* ArcName;
    unsigned int OpenMode;
    unsigned int OpenResult;
    char* CmtBuf;
    unsigned int CmtBufSize;
    unsigned int CmtSize;
    unsigned int CmtState;
};

#pragma pack(pop)

// Mode RAR_VOL_ASK: the volume named in ArcName is absent; the callback may write another
// path into ArcName (a buffer of 4096 bytes including the terminating zero) and answer non-zero
// to try that path, or answer 0 to stop. Mode RAR_VOL_NOTIFY: ArcName has just been opened;
// non-zero goes on, 0 stops; a callback that writes another path into ArcName and goes on makes
// the library read that file instead (checked like the proposed one, without another notice).
typedef int (*CHANGEVOLPROC)(char* ArcName, int Mode);
// Called with every chunk (at most 1 MiB) of an entry's data while it is tested or extracted
// (not while a solid entry is only decoded to reach the next one); the bytes are the library's
// and must only be read. Non-zero goes on, 0 stops the entry (RARProcessFile then returns
// ERAR_UNKNOWN).
typedef int (*PROCESSDATAPROC)(unsigned char* Addr, int Size);

// Opens the volume ArchiveData->ArcName. Returns a handle, or a null pointer with
// ArchiveData->OpenResult set to the ERAR_* reason. Each handle is independent.
KIV_UNRAR_EXPORT void* RAROpenArchive(struct RAROpenArchiveData* ArchiveData);
// Closes the handle and every volume file it holds. Returns 0, or ERAR_ECLOSE for a null handle.
KIV_UNRAR_EXPORT int RARCloseArchive(void* hArcData);
// Fills HeaderData with the next entry. An entry spread over several volumes is returned once
// (except in RAR_OM_LIST_INCSPLIT, which returns every part); volumes are followed as needed.
// Returns 0, ERAR_END_ARCHIVE at the end of the set, or an ERAR_* error that ends the walk.
KIV_UNRAR_EXPORT int RARReadHeader(void* hArcData, struct RARHeaderData* HeaderData);
// Skips, tests or extracts the entry whose header was read last. For RAR_EXTRACT the file is
// written to DestName (or DestPath followed by the stored name when DestName is null), which
// must lie inside DestPath when DestPath is given; it appears only when its data passed the
// check. Returns 0 or an ERAR_* code (and errno, see above); a failed entry leaves no file
// behind. After a failure the same entry may be processed again (after RARSetPassword, say)
// while its data can be read once more: while the walk is still in the volume where the entry
// begins and the entry carries no solid state; otherwise that call answers ERAR_UNKNOWN (an
// encrypted entry: its failure again).
KIV_UNRAR_EXPORT int RARProcessFile(void* hArcData, int Operation, char* DestPath, char* DestName);
KIV_UNRAR_EXPORT void RARSetChangeVolProc(void* hArcData, CHANGEVOLPROC ChangeVolProc);
KIV_UNRAR_EXPORT void RARSetProcessDataProc(void* hArcData, PROCESSDATAPROC ProcessDataProc);
// Keeps a copy of Password (UTF-8) for the handle's encrypted entries and headers: RAR 2.0's
// cipher, RAR 3.x's AES-128 and RAR 5.0's AES-256. An empty password removes it. RAR 2.0 keys
// from the password's bytes as given; RAR 1.3 and RAR 1.5 encryption is not supported
// (ERAR_UNKNOWN_FORMAT).
KIV_UNRAR_EXPORT void RARSetPassword(void* hArcData, char* Password);

#ifdef __cplusplus
}
#endif

#if defined(__x86_64__)
#ifdef __cplusplus
static_assert(sizeof(struct RARHeaderData) == 576, "RARHeaderData must match the original layout");
static_assert(sizeof(struct RAROpenArchiveData) == 36,
              "RAROpenArchiveData must match the original layout");
#else
_Static_assert(sizeof(struct RARHeaderData) == 576, "RARHeaderData layout");
_Static_assert(sizeof(struct RAROpenArchiveData) == 36, "RAROpenArchiveData layout");
#endif
#endif

#endif

// The process-wide binding of the RAR library (libunrar.so), loaded with dlopen and bound by
// the seven entry-point names, and the engine-initialisation object that owns it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "unrar/unrar.h"

namespace kiv {

// The seven calls of the RAR library as bound.
struct UnrarApi {
    void* (*RAROpenArchive)(RAROpenArchiveData*) = nullptr;
    int (*RARCloseArchive)(void*) = nullptr;
    int (*RARReadHeader)(void*, RARHeaderData*) = nullptr;
    int (*RARProcessFile)(void*, int, char*, char*) = nullptr;
    void (*RARSetChangeVolProc)(void*, CHANGEVOLPROC) = nullptr;
    void (*RARSetProcessDataProc)(void*, PROCESSDATAPROC) = nullptr;
    void (*RARSetPassword)(void*, char*) = nullptr;
};

// Where the library is looked for: a bare name goes through the executable's folder, the
// system directory and the loader's path (or through `folders` when given); a name holding '/'
// is loaded as given.
struct LibrarySource {
    std::string name = "libunrar.so";
    std::optional<std::vector<std::string>> folders;
};

// True while the library is loaded and all seven calls are bound.
bool LibraryLoaded();

// The bound calls; only meaningful while LibraryLoaded().
const UnrarApi& RarLibrary();

// Loads and binds the library from the source the engine was initialised with (the default
// source without an engine), unless it is loaded already. Returns LibraryLoaded(). A library
// that lacks one of the calls counts as not loaded. UI thread only.
bool LoadRarLibrary();

// Why the last load failed (naming the file or the missing call); empty after a success.
std::string RarLibraryError();

// The archive engine of the process: created once at program start, before any window,
// destroyed at program end. Construction loads and binds the library (a failure leaves the
// engine working for everything but RAR extraction); destruction releases it. Only one engine
// may exist at a time (a second raises kiv::Exception).
class ArchiveEngine {
public:
    explicit ArchiveEngine(LibrarySource source = {});
    ~ArchiveEngine();
    ArchiveEngine(const ArchiveEngine&) = delete;
    ArchiveEngine& operator=(const ArchiveEngine&) = delete;
};

}  // namespace kiv

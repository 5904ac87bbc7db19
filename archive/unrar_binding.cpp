// Loading and binding libunrar.so; the only process-wide state besides the two run owners.
#include "archive/unrar_binding.h"

#include <utility>

#include "framework/exception.h"
#include "platform/library_handle.h"

namespace kiv {

namespace {

struct Binding {
    platform::LibraryHandle handle;
    UnrarApi api;
    bool loaded = false;
    bool engine = false;
    LibrarySource source;
    std::string error;
};

Binding& TheBinding() {
    static Binding binding;
    return binding;
}

template <typename F>
bool Bind(const platform::LibraryHandle& handle, const char* name, F& target, std::string& error) {
    platform::Result<void*> symbol = handle.Symbol(name);
    if (!symbol) {
        error = symbol.error();
        return false;
    }
    target = reinterpret_cast<F>(*symbol);
    return true;
}

void Release(Binding& b) {
    b.loaded = false;
    b.api = UnrarApi{};
    // A failure to unload changes nothing for us.
    b.handle.Reset();
}

}  // namespace

bool LibraryLoaded() {
    return TheBinding().loaded;
}

const UnrarApi& RarLibrary() {
    return TheBinding().api;
}

std::string RarLibraryError() {
    return TheBinding().error;
}

bool LoadRarLibrary() {
    Binding& b = TheBinding();
    if (b.loaded) return true;
    platform::Result<platform::LibraryHandle> handle =
        b.source.folders ? platform::LibraryHandle::Load(b.source.name, *b.source.folders)
                         : platform::LibraryHandle::Load(b.source.name);
    if (!handle) {
        b.error = handle.error();
        return false;
    }
    UnrarApi api;
    std::string error;
    // The order in which the calls are bound; the first missing one is named.
    const bool bound = Bind(*handle, "RAROpenArchive", api.RAROpenArchive, error) &&
                       Bind(*handle, "RARCloseArchive", api.RARCloseArchive, error) &&
                       Bind(*handle, "RARReadHeader", api.RARReadHeader, error) &&
                       Bind(*handle, "RARProcessFile", api.RARProcessFile, error) &&
                       Bind(*handle, "RARSetChangeVolProc", api.RARSetChangeVolProc, error) &&
                       Bind(*handle, "RARSetProcessDataProc", api.RARSetProcessDataProc, error) &&
                       Bind(*handle, "RARSetPassword", api.RARSetPassword, error);
    if (!bound) {
        b.error = error;
        return false;
    }
    b.handle = std::move(*handle);
    b.api = api;
    b.loaded = true;
    b.error.clear();
    return true;
}

ArchiveEngine::ArchiveEngine(LibrarySource source) {
    Binding& b = TheBinding();
    if (b.engine) throw Exception("The archive engine is already initialised");
    b.engine = true;
    Release(b);
    b.source = std::move(source);
    b.error.clear();
    LoadRarLibrary();
}

ArchiveEngine::~ArchiveEngine() {
    Binding& b = TheBinding();
    Release(b);
    b.engine = false;
    b.source = LibrarySource{};
}

}  // namespace kiv

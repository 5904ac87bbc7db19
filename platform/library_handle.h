// An owned handle of a shared library loaded with dlopen, found the way the installer's
// library search goes: executable's folder, system directory, then the loader's own path.
#pragma once

#include <string>
#include <vector>

#include "platform/result.h"

namespace kiv::platform {

class LibraryHandle {
public:
    // An empty handle that holds no library.
    LibraryHandle() = default;
    ~LibraryHandle();
    LibraryHandle(LibraryHandle&& other) noexcept;
    LibraryHandle& operator=(LibraryHandle&& other) noexcept;
    LibraryHandle(const LibraryHandle&) = delete;
    LibraryHandle& operator=(const LibraryHandle&) = delete;

    // Loads name from the first of DefaultSearchFolders() that holds a file of that name,
    // else by the bare name through the loader's default path.
    static Result<LibraryHandle> Load(const std::string& name);

    // Loads name from the first of folders (with or without a trailing '/') that holds a file
    // of that name and can be loaded, else through the loader's default path (dlopen(name)).
    // A name containing '/' is loaded as given, without a search. Symbols are bound at once
    // (RTLD_NOW) and kept local. The error text names the file and carries dlerror()'s
    // message: "Cannot load libunrar.so: <reason>"; when a file in one of the folders existed
    // but failed to load, its reason is the one given, since that is the file the user meant.
    static Result<LibraryHandle> Load(const std::string& name,
                                      const std::vector<std::string>& folders);

    // The executable's folder, then the system directory (each left out when unknown).
    static std::vector<std::string> DefaultSearchFolders();

    bool IsLoaded() const { return m_handle != nullptr; }
    // The path the library was opened by: folder + name, or the bare name.
    const std::string& Path() const { return m_path; }

    // The address of an exported symbol. Fails, naming the symbol and the library and carrying
    // dlerror()'s message, when it is missing or nothing is loaded. The address is valid while
    // this handle holds the library.
    Result<void*> Symbol(const std::string& name) const;

    // dlclose now; the handle becomes empty. Addresses from Symbol become invalid.
    void Reset();

private:
    LibraryHandle(void* handle, std::string path) : m_handle(handle), m_path(std::move(path)) {}

    void* m_handle = nullptr;
    std::string m_path;
};

}  // namespace kiv::platform

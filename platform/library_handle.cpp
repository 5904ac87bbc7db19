// dlopen, dlsym and dlclose behind an owning handle, with the installer's search order.
#include "platform/library_handle.h"

#include <dlfcn.h>
#include <unistd.h>

#include <utility>

#include "platform/folders.h"

namespace kiv::platform {
namespace {

std::string LastLoaderError() {
    const char* message = ::dlerror();
    return message != nullptr ? message : "unknown loader error";
}

std::string JoinFolder(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

LibraryHandle::~LibraryHandle() {
    Reset();
}

LibraryHandle::LibraryHandle(LibraryHandle&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)), m_path(std::move(other.m_path)) {}

LibraryHandle& LibraryHandle::operator=(LibraryHandle&& other) noexcept {
    if (this != &other) {
        Reset();
        m_handle = std::exchange(other.m_handle, nullptr);
        m_path = std::move(other.m_path);
    }
    return *this;
}

void LibraryHandle::Reset() {
    if (m_handle != nullptr) {
        // A failing dlclose leaves nothing to repair; the handle is gone either way.
        ::dlclose(m_handle);
        m_handle = nullptr;
    }
    m_path.clear();
}

Result<LibraryHandle> LibraryHandle::Load(const std::string& name) {
    return Load(name, DefaultSearchFolders());
}

Result<LibraryHandle> LibraryHandle::Load(const std::string& name,
                                          const std::vector<std::string>& folders) {
    if (name.empty()) return Result<LibraryHandle>::Failure("Cannot load a library without a name");
    std::string firstFailure;
    if (name.find('/') == std::string::npos) {
        for (const std::string& folder : folders) {
            const std::string candidate = JoinFolder(folder, name);
            if (::access(candidate.c_str(), F_OK) != 0) continue;
            if (void* handle = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL)) {
                return LibraryHandle(handle, candidate);
            }
            if (firstFailure.empty()) firstFailure = LastLoaderError();
        }
    }
    if (void* handle = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        return LibraryHandle(handle, name);
    }
    const std::string reason = firstFailure.empty() ? LastLoaderError() : firstFailure;
    return Result<LibraryHandle>::Failure("Cannot load " + name + ": " + reason);
}

std::vector<std::string> LibraryHandle::DefaultSearchFolders() {
    std::vector<std::string> folders;
    if (Result<std::string> folder = ExecutableFolder()) folders.push_back(std::move(*folder));
    if (Result<std::string> folder = SystemDirectory()) folders.push_back(std::move(*folder));
    return folders;
}

Result<void*> LibraryHandle::Symbol(const std::string& name) const {
    if (m_handle == nullptr) {
        return Result<void*>::Failure("Cannot find symbol " + name + ": no library is loaded");
    }
    ::dlerror();
    void* address = ::dlsym(m_handle, name.c_str());
    // A symbol may legitimately have the address 0; only dlerror tells a miss apart.
    if (const char* message = ::dlerror()) {
        return Result<void*>::Failure("Cannot find symbol " + name + " in " + m_path + ": " +
                                      message);
    }
    return address;
}

}  // namespace kiv::platform

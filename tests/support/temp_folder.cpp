// TempFolder: creation with mkdtemp, entering and leaving, and removal of read-only trees.
#include "tests/support/temp_folder.h"

#include <errno.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace kiv::test {

namespace fs = std::filesystem;

namespace {

std::string Base() {
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    return ec ? "/tmp" : base.string();
}

// Gives the owner full access to `folder` before looking inside it, so that a folder without
// read or search permission can be walked, and write access to every file. Links are left
// alone: their targets may lie outside.
void RestorePermissions(const fs::path& folder) {
    std::error_code ec;
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ec);
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code status;
        if (it->is_symlink(status)) continue;
        if (it->is_directory(status)) {
            RestorePermissions(it->path());
        } else {
            fs::permissions(it->path(), fs::perms::owner_read | fs::perms::owner_write,
                            fs::perm_options::add, status);
        }
    }
}

std::string SystemError(const std::string& what, int err) {
    return what + ": " + std::strerror(err);
}

}  // namespace

TempFolder::TempFolder(Enter enter) {
    const std::string base = Base();
    std::string pattern = base + "/kiv-" + program_invocation_short_name + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error(SystemError("cannot create a temporary folder in " + base, errno));
    }
    std::error_code ec;
    m_path = fs::canonical(pattern, ec).string();
    if (ec) m_path = pattern;
    if (enter == Enter::No) return;
    const fs::path previous = fs::current_path(ec);
    if (!ec && ::chdir(m_path.c_str()) == 0) {
        m_previous = previous.string();
        return;
    }
    const std::string reason = ec ? ec.message() : std::strerror(errno);
    fs::remove_all(m_path, ec);
    throw std::runtime_error("cannot enter the temporary folder " + m_path + ": " + reason);
}

TempFolder::~TempFolder() {
    if (!m_previous.empty() && ::chdir(m_previous.c_str()) != 0) {
        ADD_FAILURE() << SystemError("cannot go back to " + m_previous, errno);
    }
    RestorePermissions(m_path);
    std::error_code ec;
    fs::remove_all(m_path, ec);
    if (ec)
        ADD_FAILURE() << "cannot remove the temporary folder " << m_path << ": " << ec.message();
}

std::string TempFolder::operator/(std::string_view relative) const {
    std::string path = m_path;
    path += '/';
    path += relative;
    return path;
}

std::string TempFolder::MakeFolder(std::string_view relative) const {
    const std::string path = *this / relative;
    std::error_code ec;
    fs::create_directories(path, ec);
    if (ec) throw std::runtime_error("cannot create the folder " + path + ": " + ec.message());
    return path;
}

}  // namespace kiv::test

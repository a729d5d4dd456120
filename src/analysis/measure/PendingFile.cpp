#include "analysis/measure/PendingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "common/Error.h"

namespace measure {

namespace fs = std::filesystem;

PendingFile::PendingFile(const std::string& target, const std::string& ending) : m_target(target) {
    const fs::path t(target);
    const fs::path folder = t.parent_path().empty() ? fs::path(".") : t.parent_path();
    m_path = (folder / ("." + t.stem().string() + ".XXXXXX" + ending)).string();
    m_fd = ::mkostemps(m_path.data(), static_cast<int>(ending.size()), O_CLOEXEC);
    if (m_fd < 0) {
        const int error = errno;
        m_path.clear();
        fail("Cannot write ", error);
    }
    // An export is an ordinary document, not a private temporary file.
    if (::fchmod(m_fd, 0644) != 0) {
        const int error = errno;
        ::close(m_fd);
        ::unlink(m_path.c_str());
        fail("Cannot write ", error);
    }
}

PendingFile::~PendingFile() {
    if (m_fd >= 0) ::close(m_fd);
    if (!m_path.empty()) ::unlink(m_path.c_str());
}

void PendingFile::fail(const std::string& what, int error) const {
    throw common::IoError(what + m_target + ": " + std::strerror(error));
}

void PendingFile::write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(m_fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fail("Cannot write ", errno);
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void PendingFile::checkSpace(std::int64_t bytes) {
    if (bytes <= 0) return;
    const int error = ::posix_fallocate(m_fd, 0, static_cast<off_t>(bytes));
    if (error != 0) {
        [[maybe_unused]] const int ignored = ::ftruncate(m_fd, 0);
        fail("Not enough space for ", error);
    }
    if (::ftruncate(m_fd, 0) != 0) fail("Cannot write ", errno);
}

void PendingFile::close() {
    if (m_fd < 0) return;
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) fail("Cannot write ", errno);
}

void PendingFile::commitReplacing() {
    close();
    if (::rename(m_path.c_str(), m_target.c_str()) != 0) fail("Cannot write ", errno);
    m_path.clear();
}

bool PendingFile::commitAsNew(const std::string& target) {
    close();
    if (::renameat2(AT_FDCWD, m_path.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        m_path.clear();
        return true;
    }
    if (errno == EEXIST) return false;
    if (errno != EINVAL && errno != ENOSYS) {
        const int error = errno;
        throw common::IoError("Cannot write " + target + ": " + std::strerror(error));
    }
    // A file system without the no-replace rename: a hard link fails on an existing name.
    if (::link(m_path.c_str(), target.c_str()) == 0) {
        ::unlink(m_path.c_str());
        m_path.clear();
        return true;
    }
    if (errno == EEXIST) return false;
    if (errno != EPERM && errno != EOPNOTSUPP) {
        const int error = errno;
        throw common::IoError("Cannot write " + target + ": " + std::strerror(error));
    }
    // Nor links (FAT): look, then rename.
    std::error_code ec;
    if (fs::exists(target, ec) || ec) return false;
    if (::rename(m_path.c_str(), target.c_str()) != 0) {
        const int error = errno;
        throw common::IoError("Cannot write " + target + ": " + std::strerror(error));
    }
    m_path.clear();
    return true;
}

}  // namespace measure

#include "analysis/files/FileIo.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace files {
namespace {

// The umask cannot be read without changing it, and changing it races with other threads;
// the kernel shows it in /proc/self/status.
mode_t currentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    return 022;
}

}  // namespace

ssize_t readFull(int fd, void* buffer, std::size_t size) {
    auto p = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, p + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

bool writeAll(int fd, const void* data, std::size_t size) {
    auto p = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string ioReason(const std::string& what, const std::filesystem::path& path) {
    return what + " " + path.string() + ": " + std::strerror(errno);
}

AtomicFile::AtomicFile(std::filesystem::path destination) : m_destination(std::move(destination)) {
    const std::filesystem::path folder = m_destination.parent_path();
    std::string pattern =
        ((folder.empty() ? std::filesystem::path(".") : folder) /
         ("." + m_destination.filename().string() + ".part-XXXXXX"))
            .string();
    m_fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (m_fd < 0) {
        m_reason = ioReason("cannot create a file in", folder.empty() ? "." : folder);
        return;
    }
    m_temporary = pattern;
}

AtomicFile::~AtomicFile() { discard(); }

void AtomicFile::discard() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
    m_temporary.clear();
}

bool AtomicFile::commit() {
    if (m_fd < 0) return false;
    struct stat old {};
    const mode_t mode = ::stat(m_destination.c_str(), &old) == 0 ? (old.st_mode & 07777)
                                                                  : (0666 & ~currentUmask());
    if (::fchmod(m_fd, mode) != 0 || ::fsync(m_fd) != 0) {
        m_reason = ioReason("cannot write", m_destination);
        discard();
        return false;
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        m_reason = ioReason("cannot write", m_destination);
        discard();
        return false;
    }
    if (::rename(m_temporary.c_str(), m_destination.c_str()) != 0) {
        m_reason = ioReason("cannot rename a file to", m_destination);
        discard();
        return false;
    }
    m_temporary.clear();
    return true;
}

}  // namespace files

#include "analysis/files/TempRawFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "common/AppPaths.h"

namespace files {
namespace {

int createIn(const std::filesystem::path& folder, std::filesystem::path& created) {
    static constexpr const char* kSuffix = ".raw";
    std::string pattern = (folder / "tempdata-XXXXXX").string() + kSuffix;
    // mkostemps gives mode 0600 and a name no other test uses.
    const int fd = ::mkostemps(pattern.data(), static_cast<int>(std::strlen(kSuffix)), O_CLOEXEC);
    if (fd >= 0) created = pattern;
    return fd;
}

}  // namespace

TempRawFile::TempRawFile(TempRawFile&& other) noexcept : m_path(other.release()) {}

TempRawFile& TempRawFile::operator=(TempRawFile&& other) noexcept {
    if (this != &other) {
        reset();
        m_path = other.release();
    }
    return *this;
}

int TempRawFile::create(std::string& reason) {
    reset();
    std::filesystem::path created;
    int fd = createIn(common::userDataDirectory(), created);
    if (fd < 0) {
        const char* tmp = std::getenv("TMPDIR");
        fd = createIn(tmp && *tmp ? tmp : "/tmp", created);
    }
    if (fd < 0) {
        reason = std::string("cannot create a temporary data file: ") + std::strerror(errno);
        return -1;
    }
    m_path = created;
    return fd;
}

void TempRawFile::reset() {
    if (!m_path.empty()) ::unlink(m_path.c_str());
    m_path.clear();
}

std::filesystem::path TempRawFile::release() {
    std::filesystem::path kept = std::move(m_path);
    m_path.clear();
    return kept;
}

}  // namespace files

#include "common/CMapFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

namespace common {

namespace {

constexpr const char* kPagedName = "[Paged]";

std::string errnoText(int err) { return std::strerror(err); }

// Largest size a mapping call accepts: the file offset type and the address space both hold it.
constexpr std::uint64_t kMaxMapSize =
    std::min<std::uint64_t>(static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()),
                            std::numeric_limits<std::size_t>::max() / 2);

}  // namespace

CMapFile::~CMapFile() { release(); }

CMapFile::CMapFile(CMapFile&& other) noexcept
    : m_base(std::exchange(other.m_base, nullptr)),
      m_size(std::exchange(other.m_size, 0)),
      m_fd(std::exchange(other.m_fd, -1)),
      m_writable(std::exchange(other.m_writable, false)),
      m_name(std::move(other.m_name)),
      m_lastError(std::move(other.m_lastError)),
      m_twoChannels(other.m_twoChannels),
      m_channelCount(other.m_channelCount),
      m_recordSize(other.m_recordSize),
      m_channelOffset(other.m_channelOffset),
      m_channelPoints(std::exchange(other.m_channelPoints, 0)) {
    other.m_name.clear();
    other.m_lastError.clear();
}

CMapFile& CMapFile::operator=(CMapFile&& other) noexcept {
    if (this != &other) {
        release();
        m_base = std::exchange(other.m_base, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_fd = std::exchange(other.m_fd, -1);
        m_writable = std::exchange(other.m_writable, false);
        m_name = std::move(other.m_name);
        other.m_name.clear();
        m_lastError = std::move(other.m_lastError);
        other.m_lastError.clear();
        m_twoChannels = other.m_twoChannels;
        m_channelCount = other.m_channelCount;
        m_recordSize = other.m_recordSize;
        m_channelOffset = other.m_channelOffset;
        m_channelPoints = std::exchange(other.m_channelPoints, 0);
    }
    return *this;
}

bool CMapFile::fail(std::string message) {
    m_lastError = std::move(message);
    return false;
}

void CMapFile::release() noexcept {
    if (m_base != nullptr) {
        ::munmap(m_base, m_size);
    }
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_base = nullptr;
    m_size = 0;
    m_fd = -1;
    m_writable = false;
    m_name.clear();
    m_channelPoints = 0;
}

void CMapFile::updateChannelPoints() noexcept {
    const std::uint64_t needed = m_channelOffset + sizeof(std::int16_t);
    m_channelPoints = m_size >= needed ? (m_size - needed) / m_recordSize + 1 : 0;
}

bool CMapFile::bMapFileRead(const std::string& path, std::int32_t channelCount, bool b16Bit) {
    if (channelCount < 1) {
        release();
        return fail("Cannot map \"" + path + "\": channel count " + std::to_string(channelCount) +
                    " is below 1");
    }
    m_channelCount = channelCount;
    m_twoChannels = channelCount == 2;
    m_recordSize = static_cast<std::uint64_t>(channelCount) * (b16Bit ? 2u : 8u);
    return mapExisting(path, false);
}

bool CMapFile::b1MapFileRead(const std::string& path) { return mapExisting(path, false); }

bool CMapFile::MapFile(const std::string& path) { return mapExisting(path, true); }

bool CMapFile::mapExisting(const std::string& path, bool writable) {
    release();
    m_lastError.clear();
    if (path.empty()) {
        return fail("Cannot map a file without a name");
    }
    const int fd = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) {
        return fail("Cannot open \"" + path + "\": " + errnoText(errno));
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int err = errno;
        ::close(fd);
        return fail("Cannot read the size of \"" + path + "\": " + errnoText(err));
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return fail("Cannot map \"" + path + "\": not a regular file");
    }
    if (info.st_size <= 0) {
        ::close(fd);
        return fail("Cannot map \"" + path + "\": the file is empty");
    }
    const auto size = static_cast<std::uint64_t>(info.st_size);
    if (size > kMaxMapSize) {
        ::close(fd);
        return fail("Cannot map \"" + path + "\": the file is too large");
    }
    const int protection = writable ? PROT_READ | PROT_WRITE : PROT_READ;
    void* base = ::mmap(nullptr, size, protection, MAP_SHARED, fd, 0);
    if (base == MAP_FAILED) {
        const int err = errno;
        ::close(fd);
        return fail("Cannot map \"" + path + "\": " + errnoText(err));
    }
    m_base = static_cast<std::byte*>(base);
    m_size = size;
    m_fd = fd;
    m_writable = writable;
    m_name = path;
    updateChannelPoints();
    return true;
}

bool CMapFile::MapFileNew(const std::string& path, std::int64_t size) {
    release();
    m_lastError.clear();
    if (path.empty()) {
        return fail("Cannot create a file without a name");
    }
    if (size < 1) {
        return fail("Cannot create \"" + path + "\" with size " + std::to_string(size));
    }
    const auto bytes = static_cast<std::uint64_t>(size);
    if (bytes > kMaxMapSize) {
        return fail("Cannot create \"" + path + "\": " + std::to_string(size) +
                    " bytes is too large");
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        return fail("Cannot create \"" + path + "\": " + errnoText(errno));
    }
    auto abandon = [&](std::string message) {
        ::close(fd);
        ::unlink(path.c_str());
        return fail(std::move(message));
    };
    // Some file systems allocate a reservation piece by piece and would fill the disk before
    // failing; a request that plainly does not fit is refused before it starts.
    struct statvfs volume {};
    if (::fstatvfs(fd, &volume) == 0 && volume.f_blocks > 0) {
        const std::uint64_t available =
            static_cast<std::uint64_t>(volume.f_bavail) * static_cast<std::uint64_t>(volume.f_frsize);
        if (bytes > available) {
            return abandon("Not enough disk space for \"" + path + "\": " + std::to_string(bytes) +
                           " bytes needed, " + std::to_string(available) + " available");
        }
    }
    // Reserving the blocks now turns a full disk into this clear failure instead of a SIGBUS
    // on the first write through the map into a block that cannot be allocated.
    const int reserveError = ::posix_fallocate(fd, 0, static_cast<off_t>(bytes));
    if (reserveError != 0) {
        return abandon("Cannot reserve " + std::to_string(bytes) + " bytes for \"" + path +
                       "\": " + errnoText(reserveError));
    }
    void* base = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (base == MAP_FAILED) {
        return abandon("Cannot map \"" + path + "\": " + errnoText(errno));
    }
    m_base = static_cast<std::byte*>(base);
    m_size = bytes;
    m_fd = fd;
    m_writable = true;
    m_name = path;
    updateChannelPoints();
    return true;
}

bool CMapFile::MapFileTemp(std::int64_t size) {
    release();
    m_lastError.clear();
    if (size < 1) {
        return fail("Cannot map " + std::to_string(size) + " bytes of memory");
    }
    const auto bytes = static_cast<std::uint64_t>(size);
    if (bytes > kMaxMapSize) {
        return fail("Cannot map " + std::to_string(size) + " bytes of memory: too large");
    }
    void* base = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED) {
        return fail("Cannot map " + std::to_string(size) + " bytes of memory: " +
                    errnoText(errno));
    }
    m_base = static_cast<std::byte*>(base);
    m_size = bytes;
    m_fd = -1;
    m_writable = true;
    m_name = kPagedName;
    updateChannelPoints();
    return true;
}

bool CMapFile::UnMapFile() {
    if (m_base == nullptr) {
        return false;
    }
    if (::munmap(m_base, m_size) != 0) {
        m_lastError = "Cannot release the mapping of \"" + m_name + "\": " + errnoText(errno);
        return false;
    }
    m_base = nullptr;
    release();
    return true;
}

bool CMapFile::Commit() {
    if (m_base == nullptr) {
        return false;
    }
    if (::msync(m_base, m_size, MS_SYNC) != 0) {
        m_lastError = "Cannot write \"" + m_name + "\": " + errnoText(errno);
        return false;
    }
    return true;
}

void CMapFile::SetupGetInteger(std::int32_t channel) noexcept {
    m_channelOffset = m_twoChannels && channel == 2 ? 2 : 0;
    updateChannelPoints();
}

bool CMapFile::inRange(std::int64_t offset, std::uint64_t length) const noexcept {
    const bool inside = offset >= 0 && static_cast<std::uint64_t>(offset) <= m_size &&
                        length <= m_size - static_cast<std::uint64_t>(offset);
    assert((inside || m_base == nullptr) && "offset beyond the mapping");
    return inside && m_base != nullptr;
}

namespace {

template <typename T>
T loadAt(const std::byte* base, std::int64_t offset) noexcept {
    T value;
    std::memcpy(&value, base + offset, sizeof value);
    return value;
}

}  // namespace

double CMapFile::dGetNthDouble(std::int64_t n, std::int32_t channel) const noexcept {
    const std::uint64_t index = static_cast<std::uint64_t>(n) - 1u;
    const std::uint64_t extra = m_twoChannels && channel == 1 ? 8u : 0u;
    // Records beyond the mapping would overflow the offset; they are out of range anyway.
    if (m_recordSize == 0 || index > m_size / m_recordSize) {
        assert(m_base == nullptr && "record beyond the mapping");
        return 0.0;
    }
    const auto offset = static_cast<std::int64_t>(index * m_recordSize + extra);
    return inRange(offset, sizeof(double)) ? loadAt<double>(m_base, offset) : 0.0;
}

std::int16_t CMapFile::wGetNthInt(std::int64_t n) const noexcept {
    const std::uint64_t index = static_cast<std::uint64_t>(n) - 1u;
    if (index >= m_size / 2) {
        assert(m_base == nullptr && "word beyond the mapping");
        return 0;
    }
    return loadWord(index * 2);
}

double CMapFile::GetDbl(std::int64_t offset) const noexcept {
    return inRange(offset, sizeof(double)) ? loadAt<double>(m_base, offset) : 0.0;
}

std::int32_t CMapFile::GetLng(std::int64_t offset) const noexcept {
    return inRange(offset, sizeof(std::int32_t)) ? loadAt<std::int32_t>(m_base, offset) : 0;
}

std::int16_t CMapFile::GetInt(std::int64_t offset) const noexcept {
    return inRange(offset, sizeof(std::int16_t)) ? loadAt<std::int16_t>(m_base, offset) : 0;
}

void CMapFile::Get2Ints(std::int64_t offset, std::array<std::int16_t, 2>& values) const noexcept {
    if (inRange(offset, 2 * sizeof(std::int16_t))) {
        std::memcpy(values.data(), m_base + offset, 2 * sizeof(std::int16_t));
    } else {
        values = {0, 0};
    }
}

bool CMapFile::GetRng(void* destination, std::int64_t offset, std::int64_t length) const noexcept {
    // A negative length becomes a huge one and is refused with the other overruns.
    if (!inRange(offset, static_cast<std::uint64_t>(length))) {
        return false;
    }
    if (length > 0) {
        std::memcpy(destination, m_base + offset, static_cast<std::size_t>(length));
    }
    return true;
}

namespace {

template <typename T>
void storeAt(std::byte* base, std::int64_t offset, T value) noexcept {
    std::memcpy(base + offset, &value, sizeof value);
}

}  // namespace

bool CMapFile::PutDbl(double value, std::int64_t offset) noexcept {
    if (!m_writable || !inRange(offset, sizeof value)) {
        return false;
    }
    storeAt(m_base, offset, value);
    return true;
}

bool CMapFile::PutLng(std::int32_t value, std::int64_t offset) noexcept {
    if (!m_writable || !inRange(offset, sizeof value)) {
        return false;
    }
    storeAt(m_base, offset, value);
    return true;
}

bool CMapFile::PutInt(std::int16_t value, std::int64_t offset) noexcept {
    if (!m_writable || !inRange(offset, sizeof value)) {
        return false;
    }
    storeAt(m_base, offset, value);
    return true;
}

bool CMapFile::PutByte(std::uint8_t value, std::int64_t offset) noexcept {
    if (!m_writable || !inRange(offset, sizeof value)) {
        return false;
    }
    storeAt(m_base, offset, value);
    return true;
}

bool CMapFile::PutRng(const void* source, std::int64_t offset, std::int64_t length) noexcept {
    if (!m_writable || !inRange(offset, static_cast<std::uint64_t>(length))) {
        return false;
    }
    if (length > 0) {
        std::memcpy(m_base + offset, source, static_cast<std::size_t>(length));
    }
    return true;
}

std::span<const std::uint16_t> CMapFile::words() const noexcept {
    if (m_base == nullptr) {
        return {};
    }
    // The mapping starts on a page boundary, so the words are aligned.
    return {reinterpret_cast<const std::uint16_t*>(m_base), static_cast<std::size_t>(m_size / 2)};
}

std::span<std::byte> CMapFile::writableBytes() noexcept {
    if (m_base == nullptr || !m_writable) {
        return {};
    }
    return {m_base, static_cast<std::size_t>(m_size)};
}

bool CMapFile::adviseAccess(AccessHint hint) noexcept {
    if (m_base == nullptr) {
        return false;
    }
    int advice = MADV_NORMAL;
    switch (hint) {
        case AccessHint::Normal: advice = MADV_NORMAL; break;
        case AccessHint::Sequential: advice = MADV_SEQUENTIAL; break;
        case AccessHint::Random: advice = MADV_RANDOM; break;
        case AccessHint::WillNeed: advice = MADV_WILLNEED; break;
    }
    return ::madvise(m_base, m_size, advice) == 0;
}

}  // namespace common

#include "analysis/measure/clasRemovedPts.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>

#include "analysis/files/FileIo.h"
#include "common/Error.h"

namespace measure {
namespace {

static_assert(std::endian::native == std::endian::little,
              "side files are read and written in place as little-endian integers");

constexpr std::int64_t kRecordBytes = 4;
constexpr std::size_t kChunkRecords = 65536;

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

void addDamage(std::string& damage, const std::string& what) {
    if (damage.find(what) != std::string::npos) return;
    if (!damage.empty()) damage += "; ";
    damage += what;
}

}  // namespace

void clasRemovedPts::Setup(std::string fileName, std::int32_t maxIndex) {
    m_fileName = std::move(fileName);
    m_maxIndex = std::max<std::int32_t>(maxIndex, 0);
    load();
}

void clasRemovedPts::Reload() { load(); }

void clasRemovedPts::load() {
    m_indexes.clear();
    m_damage.clear();
    m_cursor = 0;
    m_missing = true;
    m_unreadable = false;
    if (m_fileName.empty()) return;

    const Descriptor fd(::open(m_fileName.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno != ENOENT) {
            addDamage(m_damage, common::systemMessage("cannot be opened"));
            // The points in it may be sound: an insertion must not write a new file over them.
            m_missing = false;
            m_unreadable = true;
        }
        return;
    }
    m_missing = false;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        addDamage(m_damage, "not a regular file");
        m_unreadable = true;
        return;
    }
    const std::int64_t length = info.st_size;
    if (length % kRecordBytes != 0) addDamage(m_damage, "its length is not a multiple of 4 bytes");
    std::int64_t records = length / kRecordBytes;
    // A sound file lists every point at most once; anything longer is not a list of this
    // graph's points, and reading it whole could exhaust the memory.
    const std::int64_t most =
        m_maxIndex > 0 ? 2 * std::int64_t{m_maxIndex} + 2048 : kMaxEntriesUnknownLength;
    if (records > most) {
        addDamage(m_damage, "it is far longer than the graph has points");
        records = most;
    }

    m_indexes.reserve(static_cast<std::size_t>(records));
    std::vector<std::int32_t> chunk(std::min<std::size_t>(kChunkRecords, static_cast<std::size_t>(records)));
    bool ordered = true;
    std::int32_t previous = 0;
    std::int64_t left = records;
    while (left > 0) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(left, kChunkRecords));
        const ssize_t got = files::readFull(fd.get(), chunk.data(), want * sizeof(std::int32_t));
        if (got < 0) {
            addDamage(m_damage, common::systemMessage("cannot be read to its end"));
            break;
        }
        const std::size_t whole = static_cast<std::size_t>(got) / sizeof(std::int32_t);
        for (std::size_t k = 0; k < whole; ++k) {
            const std::int32_t index = chunk[k];
            if (index < 1 || (m_maxIndex > 0 && index > m_maxIndex)) {
                addDamage(m_damage, "it holds entries that are not points of the graph");
                continue;
            }
            if (index < previous) ordered = false;
            previous = index;
            m_indexes.push_back(index);
        }
        if (whole < want) {  // the file shrank while it was read
            addDamage(m_damage, "it ended early");
            break;
        }
        left -= static_cast<std::int64_t>(want);
    }
    if (!ordered) {
        addDamage(m_damage, "its entries are not in ascending order");
        std::sort(m_indexes.begin(), m_indexes.end());
    }
    // Repeated entries are allowed (the list is only non-decreasing); one is enough.
    m_indexes.erase(std::unique(m_indexes.begin(), m_indexes.end()), m_indexes.end());
    m_indexes.shrink_to_fit();
}

bool clasRemovedPts::bPointRemoved(std::int32_t index) const {
    const std::size_t n = m_indexes.size();
    if (n == 0) return false;
    const std::int32_t* v = m_indexes.data();
    std::size_t c = std::min(m_cursor, n);
    // The cursor is the first entry >= the previous look-up; an in-order scan finds the
    // answer at the cursor or just after it.
    if ((c == 0 || v[c - 1] < index) && (c == n || v[c] >= index)) {
        // c is already the position of index
    } else if (c < n && v[c] < index && (c + 1 == n || v[c + 1] >= index)) {
        ++c;
    } else {
        c = static_cast<std::size_t>(std::lower_bound(v, v + n, index) - v);
    }
    m_cursor = c;
    return c < n && v[c] == index;
}

std::span<const std::int32_t> clasRemovedPts::indexesIn(std::int32_t first,
                                                        std::int32_t last) const {
    if (first > last) return {};
    const auto begin = std::lower_bound(m_indexes.begin(), m_indexes.end(), first);
    const auto end = std::upper_bound(begin, m_indexes.end(), last);
    return {m_indexes.data() + (begin - m_indexes.begin()),
            static_cast<std::size_t>(end - begin)};
}

bool clasRemovedPts::StoreRemovedPtInSortedFile(std::int32_t index) {
    if (index < 1 || (m_maxIndex > 0 && index > m_maxIndex) || m_fileName.empty()) return false;
    if (m_unreadable)
        throw common::IoError("Cannot store the removed point: " + m_fileName + " " + m_damage);
    const auto at = std::lower_bound(m_indexes.begin(), m_indexes.end(), index);
    if (at != m_indexes.end() && *at == index) return false;
    const std::size_t position = static_cast<std::size_t>(at - m_indexes.begin());

    // The new list is written whole: a failure part-way leaves the old file as it was, and
    // a damaged file is replaced by the entries that could be read.
    files::AtomicFile out(m_fileName);
    if (!out.valid()) throw common::IoError("Cannot store the removed point: " + out.reason());
    const auto bytes = [](const std::int32_t* p, std::size_t count) {
        return std::make_pair(static_cast<const void*>(p), count * sizeof(std::int32_t));
    };
    const auto [head, headBytes] = bytes(m_indexes.data(), position);
    const auto [tail, tailBytes] = bytes(m_indexes.data() + position, m_indexes.size() - position);
    if (!files::writeAll(out.fd(), head, headBytes) ||
        !files::writeAll(out.fd(), &index, sizeof index) ||
        !files::writeAll(out.fd(), tail, tailBytes))
        throw common::IoError(
            "Cannot store the removed point: " + files::ioReason("cannot write", m_fileName));
    if (!out.commit()) throw common::IoError("Cannot store the removed point: " + out.reason());

    m_indexes.insert(m_indexes.begin() + static_cast<std::ptrdiff_t>(position), index);
    m_missing = false;
    m_damage.clear();
    m_cursor = position;
    return true;
}

}  // namespace measure

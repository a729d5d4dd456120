#include "analysis/measure/clasMovedPts.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <stdexcept>

#include "analysis/files/FileIo.h"
#include "common/Error.h"

namespace measure {
namespace {

static_assert(std::endian::native == std::endian::little,
              "side files are read and written in place as little-endian numbers");

void addDamage(std::string& damage, const std::string& what) {
    if (damage.find(what) != std::string::npos) return;
    if (!damage.empty()) damage += "; ";
    damage += what;
}

// Reads up to size bytes at offset; the count read (short at the end of the file), or -1.
ssize_t preadFull(int fd, void* buffer, std::size_t size, off_t offset) {
    auto* p = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, p + done, size - done, offset + static_cast<off_t>(done));
        if (got < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

bool pwriteAll(int fd, const void* data, std::size_t size, off_t offset) {
    const auto* p = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t put = ::pwrite(fd, p + done, size - done, offset + static_cast<off_t>(done));
        if (put < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

std::int64_t fileLength(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return info.st_size;
}

std::int32_t slotOf(std::int32_t index) { return index % clasMovedPts::kSlots; }

}  // namespace

clasMovedPts::~clasMovedPts() { closeFiles(); }

void clasMovedPts::Setup(std::string indexFileName, std::string valueFileName,
                         std::int32_t maxIndex) {
    closeFiles();
    m_indexName = std::move(indexFileName);
    m_valueName = std::move(valueFileName);
    m_maxIndex = std::max<std::int32_t>(maxIndex, 0);
    load();
}

void clasMovedPts::Reload() {
    closeFiles();
    load();
}

void clasMovedPts::load() {
    m_points.clear();
    m_taken.assign(kSlots, {});
    m_pages = 0;
    m_missing = true;
    m_damage.clear();
    m_needsRewrite = false;
    m_unreadable = false;
    if (m_indexName.empty()) return;

    const int indexFd = ::open(m_indexName.c_str(), O_RDONLY | O_CLOEXEC);
    if (indexFd < 0) {
        if (errno != ENOENT) {
            addDamage(m_damage, common::systemMessage("the index file cannot be opened"));
            // The points in it may be sound: a store must not write a new file over them.
            m_missing = false;
            m_unreadable = true;
        }
        return;
    }
    m_missing = false;
    const int valueFd = ::open(m_valueName.c_str(), O_RDONLY | O_CLOEXEC);
    const std::int64_t indexLength = fileLength(indexFd);
    const std::int64_t valueLength = valueFd >= 0 ? fileLength(valueFd) : -1;

    if (indexLength < 0) {
        addDamage(m_damage, "the index file is not a regular file");
    } else {
        if (indexLength % kIndexPageBytes != 0)
            addDamage(m_damage, "the index file ends with an incomplete page");
        std::int64_t pages = (indexLength + kIndexPageBytes - 1) / kIndexPageBytes;
        // No slot of a sound store holds more points than the channel has in that slot.
        const std::int64_t most =
            m_maxIndex > 0 ? m_maxIndex / kSlots + 2 : kMaxPagesUnknownLength;
        if (pages > most) {
            addDamage(m_damage, "the index file is far longer than the graph has points");
            pages = most;
        }
        if (valueFd < 0 || valueLength < 0)
            addDamage(m_damage, "the value file is missing or cannot be read");

        std::vector<std::int32_t> indexPage(kSlots);
        std::vector<double> valuePage(kSlots);
        for (std::int32_t p = 1; p <= pages; ++p) {
            std::fill(indexPage.begin(), indexPage.end(), 0);
            const ssize_t got = preadFull(indexFd, indexPage.data(), kIndexPageBytes,
                                          static_cast<off_t>((p - 1) * kIndexPageBytes));
            if (got < 0) {
                addDamage(m_damage, common::systemMessage("the index file cannot be read"));
                break;
            }
            m_pages = p;
            // Only whole entries count; a partial entry reads as free.
            const std::size_t whole = static_cast<std::size_t>(got) / 4;
            std::fill(indexPage.begin() + static_cast<std::ptrdiff_t>(whole), indexPage.end(), 0);

            bool valuesRead = false;
            std::size_t valuesWhole = 0;
            for (std::int32_t s = 0; s < kSlots; ++s) {
                const std::int32_t index = indexPage[static_cast<std::size_t>(s)];
                if (index == 0) continue;
                if (index < 0 || slotOf(index) != s || (m_maxIndex > 0 && index > m_maxIndex)) {
                    addDamage(m_damage, "the index file holds entries in slots they do not belong to");
                    continue;
                }
                if (valueFd < 0 || valueLength < 0) continue;
                if (!valuesRead) {
                    std::fill(valuePage.begin(), valuePage.end(), 0.0);
                    const ssize_t v = preadFull(valueFd, valuePage.data(), kValuePageBytes,
                                                static_cast<off_t>((p - 1) * kValuePageBytes));
                    valuesWhole = v < 0 ? 0 : static_cast<std::size_t>(v) / 8;
                    valuesRead = true;
                }
                if (static_cast<std::size_t>(s) >= valuesWhole) {
                    addDamage(m_damage, "the value file is shorter than the index file");
                    continue;
                }
                const double value = valuePage[static_cast<std::size_t>(s)];
                if (!std::isfinite(value)) {
                    addDamage(m_damage, "the value file holds values that are not numbers");
                    continue;
                }
                if (m_points.count(index)) {
                    addDamage(m_damage, "a point is stored twice");
                    continue;
                }
                m_points.emplace(index, Entry{p, value});
                m_taken[static_cast<std::size_t>(s)].push_back(p);
            }
        }
    }
    if (valueFd >= 0) ::close(valueFd);
    ::close(indexFd);
    m_needsRewrite = !m_damage.empty();
}

std::optional<double> clasMovedPts::movedValue(std::int32_t index) const {
    const auto found = m_points.find(index);
    if (found == m_points.end()) return std::nullopt;
    return found->second.value;
}

void clasMovedPts::Check4MovedPt(std::int32_t index, bool& moved, double& value) const {
    const auto found = m_points.find(index);
    moved = found != m_points.end();
    if (moved) value = found->second.value;
}

std::vector<clasMovedPts::Point> clasMovedPts::pointsIn(std::int32_t first,
                                                        std::int32_t last) const {
    std::vector<Point> points;
    forEachIn(first, last, [&](std::int32_t index, double value) {
        points.push_back(Point{index, value});
    });
    return points;
}

std::int32_t clasMovedPts::firstFreePage(std::int32_t slot) const {
    std::int32_t page = 1;
    for (const std::int32_t taken : m_taken[static_cast<std::size_t>(slot)]) {
        if (taken == page) ++page;
        else if (taken > page) break;
    }
    return page;
}

void clasMovedPts::takeSlot(std::int32_t slot, std::int32_t page) {
    auto& pages = m_taken[static_cast<std::size_t>(slot)];
    pages.insert(std::lower_bound(pages.begin(), pages.end(), page), page);
}

void clasMovedPts::openFiles(bool truncate) {
    if (m_indexFd >= 0 && m_valueFd >= 0) return;
    closeFiles();
    m_valueFd = ::open(m_valueName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | (truncate ? O_TRUNC : 0),
                       0666);
    if (m_valueFd < 0)
        throw common::IoError("Cannot store the moved point: " +
                              files::ioReason("cannot open", m_valueName));
    m_indexFd = ::open(m_indexName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (m_indexFd < 0) {
        const std::string reason = files::ioReason("cannot open", m_indexName);
        closeFiles();
        throw common::IoError("Cannot store the moved point: " + reason);
    }
}

void clasMovedPts::closeFiles() {
    if (m_indexFd >= 0) ::close(m_indexFd);
    if (m_valueFd >= 0) ::close(m_valueFd);
    m_indexFd = -1;
    m_valueFd = -1;
}

// Writes both files with exactly the points that could be read, each on its page. The index
// file goes first: until the value file follows, every index entry still has its value.
void clasMovedPts::rewriteSound() {
    closeFiles();
    std::int32_t pages = 0;
    for (const auto& [index, entry] : m_points) pages = std::max(pages, entry.page);
    std::vector<std::int32_t> indexes(static_cast<std::size_t>(pages) * kSlots, 0);
    std::vector<double> values(static_cast<std::size_t>(pages) * kSlots, 0.0);
    for (const auto& [index, entry] : m_points) {
        const std::size_t at = static_cast<std::size_t>(entry.page - 1) * kSlots +
                               static_cast<std::size_t>(slotOf(index));
        indexes[at] = index;
        values[at] = entry.value;
    }
    const auto writeWhole = [](const std::string& name, const void* data, std::size_t size) {
        files::AtomicFile out(name);
        if (!out.valid()) throw common::IoError("Cannot store the moved point: " + out.reason());
        if (!files::writeAll(out.fd(), data, size))
            throw common::IoError("Cannot store the moved point: " +
                                  files::ioReason("cannot write", name));
        if (!out.commit()) throw common::IoError("Cannot store the moved point: " + out.reason());
    };
    writeWhole(m_indexName, indexes.data(), indexes.size() * sizeof(std::int32_t));
    writeWhole(m_valueName, values.data(), values.size() * sizeof(double));

    m_taken.assign(kSlots, {});
    for (const auto& [index, entry] : m_points)
        m_taken[static_cast<std::size_t>(slotOf(index))].push_back(entry.page);
    for (auto& slotPages : m_taken) std::sort(slotPages.begin(), slotPages.end());
    m_pages = pages;
    m_missing = false;
    m_damage.clear();
    m_needsRewrite = false;
}

void clasMovedPts::StoreMovedPtInFile(std::int32_t index, double value, bool& alreadyMoved) {
    if (index < 1 || (m_maxIndex > 0 && index > m_maxIndex))
        throw std::invalid_argument("A moved point needs the index of a point of the graph.");
    if (!std::isfinite(value)) throw std::invalid_argument("A moved point needs a finite value.");
    if (m_indexName.empty() || m_valueName.empty())
        throw common::IoError("Cannot store the moved point: the graph has no moved-points files.");
    if (m_unreadable)
        throw common::IoError("Cannot store the moved point: " + m_indexName + " " + m_damage);
    if (m_needsRewrite) rewriteSound();

    const std::int32_t slot = slotOf(index);
    const auto found = m_points.find(index);
    const bool already = found != m_points.end();
    const std::int32_t page = already ? found->second.page : firstFreePage(slot);
    const bool newPage = page > m_pages;

    struct CloseUnlessBatch {
        clasMovedPts& store;
        ~CloseUnlessBatch() {
            if (store.m_batchDepth == 0) store.closeFiles();
        }
    } closeAfter{*this};
    openFiles(m_missing);

    bool written = true;
    if (newPage) {
        std::vector<double> values(kSlots, 0.0);
        std::vector<std::int32_t> indexes(kSlots, 0);
        values[static_cast<std::size_t>(slot)] = value;
        indexes[static_cast<std::size_t>(slot)] = index;
        written = pwriteAll(m_valueFd, values.data(), kValuePageBytes,
                            static_cast<off_t>((page - 1) * kValuePageBytes)) &&
                  pwriteAll(m_indexFd, indexes.data(), kIndexPageBytes,
                            static_cast<off_t>((page - 1) * kIndexPageBytes));
    } else {
        written = pwriteAll(m_valueFd, &value, sizeof value,
                            static_cast<off_t>((page - 1) * kValuePageBytes + slot * 8)) &&
                  (already || pwriteAll(m_indexFd, &index, sizeof index,
                                        static_cast<off_t>((page - 1) * kIndexPageBytes + slot * 4)));
    }
    if (!written)
        throw common::IoError("Cannot store the moved point: " +
                              files::ioReason("cannot write", m_indexName));

    if (already) {
        found->second.value = value;
    } else {
        m_points.emplace(index, Entry{page, value});
        takeSlot(slot, page);
    }
    if (newPage) m_pages = page;
    m_missing = false;
    alreadyMoved = already;
}

}  // namespace measure

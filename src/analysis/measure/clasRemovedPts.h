#pragma once
// The removed points of one event graph, kept in a side file beside the test.
//
// File: a flat sequence of 32-bit little-endian signed integers without a header, each the
// 1-based point index of a removed point, in ascending order. Record k (from 1) lies at byte
// 4 * (k - 1). 0 is never stored (it marks "no entry" in a page read by older readers).
//
// The whole index list is held in memory, sorted: a look-up is a binary search, and a look-up
// next to the previous one (the in-order scan of a whole channel while drawing) is answered
// from a cursor without searching. An insertion writes the complete new file under a
// temporary name and renames it, so the file is always either the old or the new list.
//
// A damaged file never stops the program: records that cannot be read (an incomplete last
// record, zero or negative entries, entries beyond the graph's points, records beyond what a
// record of the graph can hold) are
// left out, entries out of order are sorted, and damage() says what was wrong. The next
// insertion writes the file back sound.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace measure {

class clasRemovedPts {
public:
    // Names the file and reads it. maxIndex, when above 0, is the number of points of the
    // graph's channel: a sound file never holds more entries than that.
    void Setup(std::string fileName, std::int32_t maxIndex = 0);
    // Reads the file again (after another program changed it).
    void Reload();

    // Inserts the index in order. True when it was stored, false when it was stored already
    // or is not a point index (below 1, or above maxIndex when that is known). Throws common::IoError when the file cannot be
    // written; the store is unchanged then.
    bool StoreRemovedPtInSortedFile(std::int32_t index);

    // Whether the point is removed. Not thread-safe (it moves the look-up cursor).
    bool bPointRemoved(std::int32_t index) const;

    // The removed indexes first..last, ascending.
    std::span<const std::int32_t> indexesIn(std::int32_t first, std::int32_t last) const;
    std::size_t count() const { return m_indexes.size(); }
    bool bFileMissing() const { return m_missing; }
    // What is wrong with the file as it was read; "" when it is sound.
    const std::string& damage() const { return m_damage; }
    const std::string& fileName() const { return m_fileName; }

    // Entries read at most when the graph's point count is not known.
    static constexpr std::int64_t kMaxEntriesUnknownLength = std::int64_t{1} << 26;

private:
    void load();

    std::string m_fileName;
    std::int32_t m_maxIndex = 0;
    std::vector<std::int32_t> m_indexes;  // ascending, each once
    bool m_missing = true;
    std::string m_damage;
    bool m_unreadable = false;  // the file is there but cannot be opened
    mutable std::size_t m_cursor = 0;     // position of the first entry >= the last look-up
};

}  // namespace measure

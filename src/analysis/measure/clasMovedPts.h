#pragma once
// The moved points of one event graph, kept in two paged side files beside the test.
//
// Index file: pages of 2048 32-bit little-endian signed integers (8192 bytes a page); value
// file: pages of 2048 64-bit little-endian reals (16384 bytes a page). Page p (from 1) is at
// byte (p - 1) * page size. A point with index i lives in slot s = i mod 2048 of some page
// p: index page p, entry s holds i, value page p, entry s its new value. 0 marks a free slot.
// A point is looked up on pages 1, 2, 3, ...; a new point takes the first page whose slot is
// free, and when every page has that slot taken a new page is appended to both files.
//
// Every readable point is held in memory (index -> page and value), so a look-up never
// touches the disk and the points of a range come out in index order. A store writes only
// the entries it changes (a new page is written whole); the value is written before the
// index, so the index file never names a value that is not there.
//
// A damaged pair of files never stops the program: an entry whose value cannot be read (a
// short or missing value file), a value that is not a finite number, an entry in a slot it
// does not belong to, a negative entry or one beyond the graph's points, or a second copy of a point on a later page is left
// out (the point counts as not moved), an incomplete last page is read as far as it goes,
// and damage() says what was wrong. The first store after that writes both files back with
// only the points that could be read.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace measure {

class clasMovedPts {
public:
    static constexpr std::int32_t kSlots = 2048;
    static constexpr std::int64_t kIndexPageBytes = kSlots * 4;
    static constexpr std::int64_t kValuePageBytes = kSlots * 8;
    // Pages read at most when the graph's point count is not known.
    static constexpr std::int32_t kMaxPagesUnknownLength = 8192;

    clasMovedPts() = default;
    clasMovedPts(const clasMovedPts&) = delete;
    clasMovedPts& operator=(const clasMovedPts&) = delete;
    ~clasMovedPts();

    // Names the files and reads them. maxIndex, when above 0, is the number of points of the
    // graph's channel: no slot of a sound file needs more pages than maxIndex / 2048 + 1.
    void Setup(std::string indexFileName, std::string valueFileName, std::int32_t maxIndex = 0);
    void Reload();

    // Stores the point's new value; alreadyMoved tells whether it was moved before (its value
    // is overwritten then). A value that is not a finite number, or an index below 1 or above
    // maxIndex, is not stored (std::invalid_argument). Throws common::IoError when the files cannot be
    // written; the store is unchanged then.
    void StoreMovedPtInFile(std::int32_t index, double value, bool& alreadyMoved);
    void Check4MovedPt(std::int32_t index, bool& moved, double& value) const;
    std::optional<double> movedValue(std::int32_t index) const;

    struct Point {
        std::int32_t index;
        double value;
    };
    // The moved points first..last in index order.
    std::vector<Point> pointsIn(std::int32_t first, std::int32_t last) const;
    template <class F>
    void forEachIn(std::int32_t first, std::int32_t last, F&& f) const {
        if (first > last) return;
        for (auto it = m_points.lower_bound(first); it != m_points.end() && it->first <= last; ++it)
            f(it->first, it->second.value);
    }

    std::size_t count() const { return m_points.size(); }
    std::int32_t pageCount() const { return m_pages; }
    bool bFileMissing() const { return m_missing; }
    const std::string& damage() const { return m_damage; }
    const std::string& indexFileName() const { return m_indexName; }
    const std::string& valueFileName() const { return m_valueName; }

    // Keeps both files open across many stores (a bulk edit); they close when the last
    // batch object goes.
    class Batch {
    public:
        explicit Batch(clasMovedPts& store) : m_store(store) { ++m_store.m_batchDepth; }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        ~Batch() {
            if (--m_store.m_batchDepth == 0) m_store.closeFiles();
        }

    private:
        clasMovedPts& m_store;
    };

private:
    struct Entry {
        std::int32_t page;
        double value;
    };

    void load();
    void openFiles(bool truncate);
    void closeFiles();
    void rewriteSound();
    std::int32_t firstFreePage(std::int32_t slot) const;
    void takeSlot(std::int32_t slot, std::int32_t page);

    std::string m_indexName;
    std::string m_valueName;
    std::int32_t m_maxIndex = 0;
    std::map<std::int32_t, Entry> m_points;
    // Per slot, the pages whose entry is taken, ascending.
    std::vector<std::vector<std::int32_t>> m_taken;
    std::int32_t m_pages = 0;
    bool m_missing = true;
    std::string m_damage;
    bool m_needsRewrite = false;
    bool m_unreadable = false;  // the index file is there but cannot be opened

    int m_indexFd = -1;
    int m_valueFd = -1;
    int m_batchDepth = 0;
};

}  // namespace measure

// The removed- and moved-points side files: their bytes, their look-ups over many pages, and
// what a damaged file gives.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <set>

#include "analysis/measure/GraphPointEdits.h"
#include "analysis/measure/clasMovedPts.h"
#include "analysis/measure/clasRemovedPts.h"
#include "common/Error.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using measure::clasMovedPts;
using measure::clasRemovedPts;

std::string int32Bytes(std::initializer_list<std::int32_t> values) {
    std::string bytes;
    for (const std::int32_t v : values) {
        const auto u = static_cast<std::uint32_t>(v);
        for (int b = 0; b < 4; ++b) bytes += static_cast<char>((u >> (8 * b)) & 0xFF);
    }
    return bytes;
}

std::vector<std::int32_t> int32sOf(const std::string& bytes) {
    std::vector<std::int32_t> values(bytes.size() / 4);
    std::memcpy(values.data(), bytes.data(), values.size() * 4);
    return values;
}

// Moved-points pages with the given entries; entries beyond the pages are left out.
struct MovedEntry {
    std::int32_t page;
    std::int32_t slot;
    std::int32_t index;
    double value;
};

std::string indexPages(std::int32_t pages, const std::vector<MovedEntry>& entries) {
    std::vector<std::int32_t> words(static_cast<std::size_t>(pages) * 2048, 0);
    for (const MovedEntry& e : entries)
        if (e.page <= pages) words[static_cast<std::size_t>(e.page - 1) * 2048 + static_cast<std::size_t>(e.slot)] = e.index;
    return std::string(reinterpret_cast<const char*>(words.data()), words.size() * 4);
}

std::string valuePages(std::int32_t pages, const std::vector<MovedEntry>& entries) {
    std::vector<double> values(static_cast<std::size_t>(pages) * 2048, 0.0);
    for (const MovedEntry& e : entries)
        if (e.page <= pages) values[static_cast<std::size_t>(e.page - 1) * 2048 + static_cast<std::size_t>(e.slot)] = e.value;
    return std::string(reinterpret_cast<const char*>(values.data()), values.size() * 8);
}

std::int32_t int32At(const std::string& bytes, std::size_t offset) {
    std::int32_t v = 0;
    std::memcpy(&v, bytes.data() + offset, 4);
    return v;
}

double doubleAt(const std::string& bytes, std::size_t offset) {
    double v = 0;
    std::memcpy(&v, bytes.data() + offset, 8);
    return v;
}

class PointStoreTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    fs::path removedFile = dir / "Test01.r03";
    fs::path indexFile = dir / "Test01.ml03";
    fs::path valueFile = dir / "Test01.mv03";
};

// --- removed points -------------------------------------------------------------------------

TEST_F(PointStoreTest, RemovedPointsAreKeptAscendingOnceEach) {
    clasRemovedPts store;
    store.Setup(removedFile.string());
    EXPECT_TRUE(store.bFileMissing());
    EXPECT_FALSE(store.bPointRemoved(5));
    EXPECT_TRUE(store.StoreRemovedPtInSortedFile(5));
    EXPECT_TRUE(store.StoreRemovedPtInSortedFile(3));
    EXPECT_TRUE(store.StoreRemovedPtInSortedFile(9));
    EXPECT_FALSE(store.StoreRemovedPtInSortedFile(5));  // removed already
    EXPECT_FALSE(store.StoreRemovedPtInSortedFile(0));  // not a point
    EXPECT_EQ(testsupport::readFile(removedFile), int32Bytes({3, 5, 9}));

    clasRemovedPts reread;
    reread.Setup(removedFile.string());
    EXPECT_EQ(reread.damage(), "");
    for (const std::int32_t i : {3, 5, 9}) EXPECT_TRUE(reread.bPointRemoved(i)) << i;
    for (const std::int32_t i : {0, 1, 4, 6, 10, -3}) EXPECT_FALSE(reread.bPointRemoved(i)) << i;
}

TEST_F(PointStoreTest, ManyPagesOfRemovedPointsAreAllFoundInAnyOrderOfLookUps) {
    // 5000 entries span three pages of 2048; every third point is removed.
    std::string bytes;
    std::set<std::int32_t> removed;
    for (std::int32_t k = 1; k <= 5000; ++k) {
        bytes += int32Bytes({3 * k});
        removed.insert(3 * k);
    }
    testsupport::writeFile(removedFile, bytes);
    clasRemovedPts store;
    store.Setup(removedFile.string(), 20000);
    ASSERT_EQ(store.count(), 5000u);

    // In order (the drawing scan), backwards, and at random.
    for (std::int32_t i = 0; i <= 15010; ++i)
        ASSERT_EQ(store.bPointRemoved(i), removed.count(i) == 1) << i;
    for (std::int32_t i = 15010; i >= 0; --i)
        ASSERT_EQ(store.bPointRemoved(i), removed.count(i) == 1) << i;
    std::mt19937 random(7);
    std::uniform_int_distribution<std::int32_t> pick(-5, 15010);
    for (int n = 0; n < 20000; ++n) {
        const std::int32_t i = pick(random);
        ASSERT_EQ(store.bPointRemoved(i), removed.count(i) == 1) << i;
    }
    const auto range = store.indexesIn(6140, 6150);
    EXPECT_EQ(std::vector<std::int32_t>(range.begin(), range.end()),
              (std::vector<std::int32_t>{6141, 6144, 6147, 6150}));
}

struct DamagedRemovedCase {
    const char* name;
    std::string bytes;
    std::int32_t maxIndex;
    std::vector<std::int32_t> found;     // read as removed
    std::vector<std::int32_t> notFound;  // not removed
    bool damaged;
};

TEST_F(PointStoreTest, DamagedRemovedFilesGiveWhatCanBeReadAndAreWrittenBackSound) {
    std::string longFile;
    for (std::int32_t k = 1; k <= 5000; ++k) longFile += int32Bytes({2 * k});
    const std::vector<DamagedRemovedCase> cases = {
        {"sound", int32Bytes({2, 4, 6}), 0, {2, 4, 6}, {1, 3, 5, 7}, false},
        {"repeated entries are allowed", int32Bytes({3, 3, 5}), 0, {3, 5}, {4}, false},
        {"empty", "", 0, {}, {1, 2}, false},
        {"odd length", int32Bytes({3, 5}) + "\x07\x00", 0, {3, 5}, {7}, true},
        {"unsorted", int32Bytes({9, 3, 5}), 0, {3, 5, 9}, {4}, true},
        {"zero entries", int32Bytes({0, 0, 4}), 0, {4}, {0}, true},
        {"negative entries", int32Bytes({-7, 2, std::numeric_limits<std::int32_t>::min()}), 0,
         {2}, {-7}, true},
        {"far longer than the channel", longFile, 20, {2, 20}, {22, 4136, 10000}, true},
    };
    for (const DamagedRemovedCase& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::writeFile(removedFile, c.bytes);
        clasRemovedPts store;
        store.Setup(removedFile.string(), c.maxIndex);
        EXPECT_EQ(!store.damage().empty(), c.damaged) << store.damage();
        for (const std::int32_t i : c.found) EXPECT_TRUE(store.bPointRemoved(i)) << i;
        for (const std::int32_t i : c.notFound) EXPECT_FALSE(store.bPointRemoved(i)) << i;

        // The next insertion writes exactly the readable entries and the new one, in order.
        std::vector<std::int32_t> expected(store.indexesIn(1, INT32_MAX).begin(),
                                           store.indexesIn(1, INT32_MAX).end());
        const std::int32_t added = 7;
        if (!store.bPointRemoved(added)) {
            ASSERT_TRUE(store.StoreRemovedPtInSortedFile(added));
            expected.insert(std::lower_bound(expected.begin(), expected.end(), added), added);
        }
        EXPECT_EQ(store.damage(), "");
        EXPECT_EQ(int32sOf(testsupport::readFile(removedFile)), expected);
        clasRemovedPts reread;
        reread.Setup(removedFile.string(), c.maxIndex);
        EXPECT_EQ(reread.damage(), "");
    }
}

TEST_F(PointStoreTest, ARemovedFileThatIsNotAFileRemovesNothingAndIsNotOverwritten) {
    fs::create_directory(removedFile);
    clasRemovedPts store;
    store.Setup(removedFile.string());
    EXPECT_NE(store.damage(), "");
    EXPECT_FALSE(store.bPointRemoved(1));
    EXPECT_THROW(store.StoreRemovedPtInSortedFile(1), common::IoError);
    EXPECT_TRUE(fs::is_directory(removedFile));
}

// --- moved points ---------------------------------------------------------------------------

TEST_F(PointStoreTest, MovedPointsSharingASlotGoToConsecutivePages) {
    clasMovedPts store;
    store.Setup(indexFile.string(), valueFile.string());
    EXPECT_TRUE(store.bFileMissing());
    bool already = true;
    store.StoreMovedPtInFile(5, 1.5, already);
    EXPECT_FALSE(already);
    store.StoreMovedPtInFile(5 + 2048, 2.5, already);
    EXPECT_FALSE(already);
    store.StoreMovedPtInFile(7, 3.5, already);
    EXPECT_EQ(store.pageCount(), 2);

    const std::string index = testsupport::readFile(indexFile);
    const std::string value = testsupport::readFile(valueFile);
    ASSERT_EQ(index.size(), 2u * 8192);
    ASSERT_EQ(value.size(), 2u * 16384);
    EXPECT_EQ(int32At(index, 5 * 4), 5);
    EXPECT_EQ(int32At(index, 7 * 4), 7);
    EXPECT_EQ(int32At(index, 8192 + 5 * 4), 2053);
    EXPECT_EQ(int32At(index, 8192 + 7 * 4), 0);
    EXPECT_EQ(doubleAt(value, 5 * 8), 1.5);
    EXPECT_EQ(doubleAt(value, 7 * 8), 3.5);
    EXPECT_EQ(doubleAt(value, 16384 + 5 * 8), 2.5);
    // Every other entry is a free slot.
    std::size_t used = 0;
    for (const std::int32_t v : int32sOf(index)) used += v != 0;
    EXPECT_EQ(used, 3u);

    // Moving a point again overwrites its value in place.
    store.StoreMovedPtInFile(2053, -4.25, already);
    EXPECT_TRUE(already);
    EXPECT_EQ(testsupport::readFile(indexFile), index);
    EXPECT_EQ(doubleAt(testsupport::readFile(valueFile), 16384 + 5 * 8), -4.25);

    clasMovedPts reread;
    reread.Setup(indexFile.string(), valueFile.string());
    EXPECT_EQ(reread.damage(), "");
    bool moved = false;
    double y = 0;
    reread.Check4MovedPt(2053, moved, y);
    EXPECT_TRUE(moved);
    EXPECT_EQ(y, -4.25);
    reread.Check4MovedPt(5, moved, y);
    EXPECT_TRUE(moved);
    EXPECT_EQ(y, 1.5);
    reread.Check4MovedPt(4101, moved, y);
    EXPECT_FALSE(moved);
    EXPECT_EQ(reread.movedValue(6), std::nullopt);

    // A third point of slot 5 takes page 3; the pages are read from disk as they were.
    reread.StoreMovedPtInFile(5 + 2 * 2048, 9.0, already);
    EXPECT_EQ(reread.pageCount(), 3);
    EXPECT_EQ(int32At(testsupport::readFile(indexFile), 2 * 8192 + 5 * 4), 4101);
    const auto points = reread.pointsIn(1, 5000);
    ASSERT_EQ(points.size(), 4u);
    EXPECT_EQ(points[0].index, 5);
    EXPECT_EQ(points[1].index, 7);
    EXPECT_EQ(points[2].index, 2053);
    EXPECT_EQ(points[3].index, 4101);
}

TEST_F(PointStoreTest, ANewPointTakesTheFirstPageWithAFreeSlot) {
    // Slot 9 is taken on page 1 only; slot 3 on pages 1 and 2.
    const std::vector<MovedEntry> entries = {
        {1, 9, 9, 1.0}, {1, 3, 3, 2.0}, {2, 3, 2051, 3.0}};
    testsupport::writeFile(indexFile, indexPages(2, entries));
    testsupport::writeFile(valueFile, valuePages(2, entries));
    clasMovedPts store;
    store.Setup(indexFile.string(), valueFile.string());
    bool already = false;
    store.StoreMovedPtInFile(2057, 4.0, already);  // slot 9: page 2
    store.StoreMovedPtInFile(4099, 5.0, already);  // slot 3: a new page 3
    const std::string index = testsupport::readFile(indexFile);
    EXPECT_EQ(int32At(index, 8192 + 9 * 4), 2057);
    EXPECT_EQ(int32At(index, 2 * 8192 + 3 * 4), 4099);
    EXPECT_EQ(index.size(), 3u * 8192);
    EXPECT_EQ(testsupport::readFile(valueFile).size(), 3u * 16384);
}

TEST_F(PointStoreTest, ValuesThatAreNotNumbersAreNotStored) {
    clasMovedPts store;
    store.Setup(indexFile.string(), valueFile.string());
    bool already = false;
    EXPECT_THROW(store.StoreMovedPtInFile(3, std::nan(""), already), std::invalid_argument);
    EXPECT_THROW(store.StoreMovedPtInFile(3, INFINITY, already), std::invalid_argument);
    EXPECT_THROW(store.StoreMovedPtInFile(0, 1.0, already), std::invalid_argument);
    EXPECT_FALSE(fs::exists(indexFile));
}

struct DamagedMovedCase {
    const char* name;
    std::string index;
    std::optional<std::string> value;  // nullopt: no value file
    std::int32_t maxIndex;
    std::vector<std::pair<std::int32_t, double>> moved;
    std::vector<std::int32_t> notMoved;
    bool damaged;
};

TEST_F(PointStoreTest, DamagedMovedFilesGiveWhatCanBeReadAndAreWrittenBackSound) {
    const std::vector<MovedEntry> twoPages = {{1, 5, 5, 1.5}, {2, 5, 2053, 2.5}, {1, 6, 6, 6.5}};
    std::string stray = indexPages(1, {{1, 5, 7, 0.0}, {1, 6, 6, 0.0}});
    const std::vector<MovedEntry> negative = {{1, 5, -5, 1.0}, {1, 6, 6, 6.5}};
    const std::vector<MovedEntry> nan = {{1, 5, 5, std::nan("")}, {1, 6, 6, 6.5}};
    const std::vector<MovedEntry> twice = {{1, 5, 5, 1.0}, {2, 5, 5, 2.0}, {1, 6, 6, 6.5}};
    std::string partial = indexPages(1, {{1, 6, 6, 0.0}}) + indexPages(1, {{1, 1, 2049, 0.0}}).substr(0, 10);
    const std::vector<MovedEntry> partialValues = {{1, 6, 6, 6.5}, {2, 1, 2049, 7.5}};
    std::vector<MovedEntry> deep;
    for (std::int32_t p = 1; p <= 10; ++p) deep.push_back({p, 6, 6 + (p - 1) * 2048, 1.0 * p});

    const std::vector<DamagedMovedCase> cases = {
        {"sound", indexPages(2, twoPages), valuePages(2, twoPages), 0,
         {{5, 1.5}, {2053, 2.5}, {6, 6.5}}, {4101, 7}, false},
        {"no value file", indexPages(2, twoPages), std::nullopt, 0, {}, {5, 2053, 6}, true},
        {"value file a page short", indexPages(2, twoPages), valuePages(1, twoPages), 0,
         {{5, 1.5}, {6, 6.5}}, {2053}, true},
        {"entry in a slot it does not belong to", stray, valuePages(1, {{1, 5, 7, 3.0}, {1, 6, 6, 6.5}}),
         0, {{6, 6.5}}, {7, 5}, true},
        {"negative entry", indexPages(1, negative), valuePages(1, negative), 0, {{6, 6.5}}, {-5, 5},
         true},
        {"value not a number", indexPages(1, nan), valuePages(1, nan), 0, {{6, 6.5}}, {5}, true},
        {"a point on two pages", indexPages(2, twice), valuePages(2, twice), 0, {{5, 1.0}, {6, 6.5}},
         {}, true},
        {"incomplete last page", partial, valuePages(2, partialValues), 0, {{6, 6.5}, {2049, 7.5}},
         {}, true},
        {"more pages than the channel can need", indexPages(10, deep), valuePages(10, deep), 4096,
         {{6, 1.0}, {6 + 2048, 2.0}}, {6 + 2 * 2048, 6 + 4 * 2048, 6 + 9 * 2048}, true},
    };
    for (const DamagedMovedCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(valueFile);
        testsupport::writeFile(indexFile, c.index);
        if (c.value) testsupport::writeFile(valueFile, *c.value);
        clasMovedPts store;
        store.Setup(indexFile.string(), valueFile.string(), c.maxIndex);
        EXPECT_EQ(!store.damage().empty(), c.damaged) << store.damage();
        for (const auto& [i, y] : c.moved) EXPECT_EQ(store.movedValue(i), std::optional<double>(y)) << i;
        for (const std::int32_t i : c.notMoved) EXPECT_EQ(store.movedValue(i), std::nullopt) << i;
        const auto before = store.pointsIn(1, INT32_MAX);

        // One more point: the files are written back with the readable points only, and a
        // point that could not be read does not come back with a made-up value.
        bool already = false;
        store.StoreMovedPtInFile(1000, 10.0, already);
        EXPECT_EQ(store.damage(), "");
        clasMovedPts reread;
        reread.Setup(indexFile.string(), valueFile.string(), c.maxIndex);
        EXPECT_EQ(reread.damage(), "");
        const auto after = reread.pointsIn(1, INT32_MAX);
        ASSERT_EQ(after.size(), before.size() + 1);
        for (const auto& p : before) EXPECT_EQ(reread.movedValue(p.index), std::optional<double>(p.value));
        EXPECT_EQ(reread.movedValue(1000), std::optional<double>(10.0));
        for (const std::int32_t i : c.notMoved) EXPECT_EQ(reread.movedValue(i), std::nullopt) << i;
        EXPECT_EQ(testsupport::readFile(indexFile).size() % 8192, 0u);
        EXPECT_EQ(testsupport::readFile(valueFile).size(),
                  testsupport::readFile(indexFile).size() * 2);
    }
}

TEST_F(PointStoreTest, AStaleValueFileWithoutIndexFileIsStartedAfresh) {
    testsupport::writeFile(valueFile, valuePages(3, {{3, 5, 0, 99.0}}));
    clasMovedPts store;
    store.Setup(indexFile.string(), valueFile.string());
    EXPECT_EQ(store.damage(), "");
    bool already = false;
    store.StoreMovedPtInFile(5, 1.0, already);
    EXPECT_EQ(testsupport::readFile(valueFile).size(), 16384u);
    EXPECT_EQ(testsupport::readFile(indexFile).size(), 8192u);
}

// --- both, as readers see them ---------------------------------------------------------------

TEST_F(PointStoreTest, EditsAreSeenOnlyWhenTheirCounterSaysSo) {
    measure::GraphPointEdits edits;
    edits.Setup(removedFile.string(), indexFile.string(), valueFile.string(), 10000);
    edits.removedPts().StoreRemovedPtInSortedFile(4);
    edits.removedPts().StoreRemovedPtInSortedFile(8);
    bool already = false;
    edits.movedPts().StoreMovedPtInFile(4, 40.0, already);
    edits.movedPts().StoreMovedPtInFile(6, 60.0, already);

    struct Case {
        std::int32_t removed, moved;
        std::vector<std::tuple<std::int32_t, bool, double>> edits;  // index, removed, value
    };
    const std::vector<Case> cases = {
        {0, 0, {}},
        {2, 0, {{4, true, 0.0}, {8, true, 0.0}}},
        {0, 2, {{4, false, 40.0}, {6, false, 60.0}}},
        {2, 2, {{4, true, 40.0}, {6, false, 60.0}, {8, true, 0.0}}},
        {-1, 5, {{4, false, 40.0}, {6, false, 60.0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.removed << " " << c.moved);
        edits.SetCounters(c.removed, c.moved);
        EXPECT_EQ(edits.hasEdits(), !c.edits.empty());
        const auto listed = edits.editsIn(1, 100);
        ASSERT_EQ(listed.size(), c.edits.size());
        for (std::size_t k = 0; k < listed.size(); ++k) {
            EXPECT_EQ(listed[k].index, std::get<0>(c.edits[k]));
            EXPECT_EQ(listed[k].removed, std::get<1>(c.edits[k]));
            if (!listed[k].removed) {
                EXPECT_EQ(listed[k].movedValue, std::get<2>(c.edits[k]));
            }
            EXPECT_EQ(edits.isRemoved(listed[k].index), listed[k].removed);
        }
    }
    edits.SetCounters(1, 1);
    EXPECT_EQ(edits.editsIn(5, 7).size(), 1u);
    EXPECT_EQ(edits.movedValue(6), std::optional<double>(60.0));
    EXPECT_EQ(edits.damageNotice(), "");
}

}  // namespace

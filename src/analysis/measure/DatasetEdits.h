#pragma once
// The removed and moved points of the event graphs of one dataset: their stores, the
// counters "Removed" and "Moved" in each graph's section of the set file, and the edits made
// on them (single points, negative distance changes, humps).
//
// The stores of an event graph are made when the graph is attached (attachAll after the test
// was opened, attach after a new event graph was made) and handed to the dataset, through
// which the drawing code and every measurement read them. Channel graphs have no stores.
// Side files are named by the set-file accessor's sCustomFileName for the graph number (kinds
// 70101, 70111, 70112); a graph numbered above 300 has none and cannot be edited.
//
// Every edit is written to its side file first and then counted, so a counter never claims
// a point that is not stored. A damaged side file is reported once per file; its unreadable
// points count as neither removed nor moved.
//
// Must be destroyed before its dataset: it takes its stores back from the dataset on the way.

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "analysis/measure/GraphPointEdits.h"
#include "common/Progress.h"
#include "common/Prompt.h"

namespace files {
class clsDataset;
}

namespace measure {

inline constexpr const char* kRemovedCounterKey = "Removed";
inline constexpr const char* kMovedCounterKey = "Moved";

// Modes of the bulk edits.
inline constexpr int kCountOnly = 1;
inline constexpr int kCountAndMove = 2;

// Counted points between two progress reports of a bulk edit.
inline constexpr std::int32_t kBulkReportEvery = 25;

struct BulkEditResult {
    std::int32_t count = 0;  // points found (mode 1) or moved (mode 2)
    bool stopped = false;    // the user stopped the edit part-way
};

class DatasetEdits {
public:
    DatasetEdits(files::clsDataset& dataset, common::Prompt& prompt, common::Progress& progress);
    ~DatasetEdits();
    DatasetEdits(const DatasetEdits&) = delete;
    DatasetEdits& operator=(const DatasetEdits&) = delete;

    // Makes the stores of every shown event graph that has none yet and hands them to the
    // dataset; those graphs that have edits are told to reload their points. Call it after
    // the test was opened and after a new event graph was made (AddNewEventGraph, SaveGraphAs:
    // the copy's points are drawn with its copied edits).
    void attachAll();
    // Whether the dataset reads the graph's values through stores of this object.
    bool bAttached(std::int32_t graph) const;
    // The stores of one graph, made and handed to the dataset when needed (again after the
    // dataset re-made the graph); nullptr for a channel graph, a deleted or unknown graph, or
    // one without side files.
    GraphPointEdits* attach(std::int32_t graph);
    // The graph's stores with their counters read from the set file; nullptr as attach.
    GraphPointEdits* stores(std::int32_t graph);

    // Removes the point at the time (milliseconds). True when it was newly removed; false
    // when it was removed already, or the graph has no stores, or the time is not a number.
    // Throws common::IoError when the side file or the set file cannot be written.
    bool StoreRemovedPt(double timeMs, std::int32_t graph);
    // Moves the point at the time to the value. True when stored; false when the graph has
    // no stores, or the time or the value is not a finite number. Throws common::IoError.
    bool StoreMovedPt(std::int32_t graph, double timeMs, double value);

    // Negative distance changes between the times: every point below the highest value seen
    // before it in the range (from the point at time1 to two points after the one at
    // time2) is counted and, in mode 2, moved to that value.
    BulkEditResult RemoveSpikes(std::int32_t graph, double time1, double time2, int mode);
    // A hump: the points from time1 to two after time2 are set on the straight line between
    // the table values of the two end points (mode 2; mode 1 only counts).
    BulkEditResult SetToSlopedPoints(std::int32_t graph, double time1, double time2, int mode);

    files::clsDataset& dataset() { return m_dataset; }
    common::Prompt& prompt() { return m_prompt; }

private:
    struct Range {
        std::int32_t first = 0;
        std::int32_t last = 0;
    };
    void readCounters(std::int32_t graph, GraphPointEdits& edits) const;
    void tellDamage(const GraphPointEdits& edits);
    Range bulkRange(double time1, double time2) const;
    // Stores a moved point by index; true when it was not moved before.
    bool storeMovedIndex(GraphPointEdits& edits, std::int32_t index, double value);

    files::clsDataset& m_dataset;
    common::Prompt& m_prompt;
    common::Progress& m_progress;
    std::map<std::int32_t, std::unique_ptr<GraphPointEdits>> m_edits;
    std::set<std::string> m_damageTold;
};

}  // namespace measure

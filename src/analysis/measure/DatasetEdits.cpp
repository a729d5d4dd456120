#include "analysis/measure/DatasetEdits.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/files/clsDataset.h"
#include "analysis/measure/GraphSeries.h"
#include "common/Error.h"

namespace measure {

DatasetEdits::DatasetEdits(files::clsDataset& dataset, common::Prompt& prompt,
                           common::Progress& progress)
    : m_dataset(dataset), m_prompt(prompt), m_progress(progress) {}

DatasetEdits::~DatasetEdits() {
    for (const auto& [graph, edits] : m_edits)
        if (m_dataset.bHasGraph(graph) && &m_dataset.pointEdits(graph) == edits.get())
            m_dataset.SetPointEdits(graph, nullptr);
}

bool DatasetEdits::bAttached(std::int32_t graph) const {
    const auto found = m_edits.find(graph);
    return found != m_edits.end() && found->second && m_dataset.bHasGraph(graph) &&
           &m_dataset.pointEdits(graph) == found->second.get();
}

void DatasetEdits::attachAll() {
    for (const std::int32_t graph : m_dataset.graphNumbers()) {
        if (bAttached(graph)) continue;
        GraphPointEdits* edits = attach(graph);
        if (!edits || !edits->hasEdits()) continue;
        if (files::DatasetGraph* shown = m_dataset.graph(graph)) shown->Reload();
    }
}

GraphPointEdits* DatasetEdits::attach(std::int32_t graph) {
    if (!m_dataset.bHasGraph(graph) || m_dataset.graphKind(graph) != files::GraphKind::Event ||
        m_dataset.bGraphDeleted(graph))
        return nullptr;
    auto& edits = m_edits[graph];
    if (edits && &m_dataset.pointEdits(graph) == edits.get()) return edits.get();

    // New stores, or the dataset made the graph again (its side files may have been cleared).
    std::string removed, movedIndex, movedValue;
    try {
        const files::clasSetFileEC& setFile = m_dataset.setFile();
        removed = setFile.sCustomFileName(files::kRemovedPointsFile, graph);
        movedIndex = setFile.sCustomFileName(files::kMovedPointsFile1, graph);
        movedValue = setFile.sCustomFileName(files::kMovedPointsFile2, graph);
    } catch (const common::Error&) {
        m_edits.erase(graph);  // no side files above graph 300
        return nullptr;
    }
    if (!edits) edits = std::make_unique<GraphPointEdits>();
    edits->Setup(removed, movedIndex, movedValue, m_dataset.lPointsPerChannel());
    readCounters(graph, *edits);
    m_dataset.SetPointEdits(graph, edits.get());
    tellDamage(*edits);
    return edits.get();
}

GraphPointEdits* DatasetEdits::stores(std::int32_t graph) {
    GraphPointEdits* edits = attach(graph);
    if (edits) readCounters(graph, *edits);
    return edits;
}

void DatasetEdits::readCounters(std::int32_t graph, GraphPointEdits& edits) const {
    edits.SetCounters(m_dataset.lGetGraphIniValDefault(graph, kRemovedCounterKey, 0),
                      m_dataset.lGetGraphIniValDefault(graph, kMovedCounterKey, 0));
}

void DatasetEdits::tellDamage(const GraphPointEdits& edits) {
    bool untold = false;
    if (!edits.removedPts().damage().empty())
        untold |= m_damageTold.insert(edits.removedPts().fileName()).second;
    if (!edits.movedPts().damage().empty())
        untold |= m_damageTold.insert(edits.movedPts().indexFileName()).second;
    if (untold) common::ShowMessage(m_prompt, edits.damageNotice());
}

namespace {

// The counter after adding, written back. A counter that is missing, not a number or below
// 0 starts from 0: the stored points must count, or they would be hidden from every reader.
std::int32_t addToCounter(files::clsDataset& dataset, std::int32_t graph, const char* key,
                          std::int32_t from, std::int64_t added) {
    const std::int64_t next = std::min<std::int64_t>(std::max(from, 0) + added,
                                                     std::numeric_limits<std::int32_t>::max());
    const auto value = static_cast<std::int32_t>(next);
    dataset.WriteGraphIniStr(graph, key, std::to_string(value));
    return value;
}

}  // namespace

bool DatasetEdits::StoreRemovedPt(double timeMs, std::int32_t graph) {
    if (!std::isfinite(timeMs) || m_dataset.lPointsPerChannel() < 1) return false;
    GraphPointEdits* edits = stores(graph);
    if (!edits || !m_dataset.bTestCurIniFileWriteable()) return false;
    const std::int32_t index = m_dataset.sampleTime().TimeToIndex(timeMs);
    if (edits->bHasRemovedPts() && edits->removedPts().bPointRemoved(index)) return false;
    edits->removedPts().StoreRemovedPtInSortedFile(index);
    const std::int32_t removed =
        addToCounter(m_dataset, graph, kRemovedCounterKey, edits->lRemovedCounter(), 1);
    edits->SetCounters(removed, edits->lMovedCounter());
    return true;
}

bool DatasetEdits::storeMovedIndex(GraphPointEdits& edits, std::int32_t index, double value) {
    bool already = false;
    edits.movedPts().StoreMovedPtInFile(index, value, already);
    // A point in the files of a graph whose counter says "no moved points" was not moved.
    return !(already && edits.bHasMovedPts());
}

bool DatasetEdits::StoreMovedPt(std::int32_t graph, double timeMs, double value) {
    if (!std::isfinite(timeMs) || !std::isfinite(value) || m_dataset.lPointsPerChannel() < 1)
        return false;
    GraphPointEdits* edits = stores(graph);
    if (!edits || !m_dataset.bTestCurIniFileWriteable()) return false;
    const std::int32_t index = m_dataset.sampleTime().TimeToIndex(timeMs);
    if (storeMovedIndex(*edits, index, value)) {
        const std::int32_t moved =
            addToCounter(m_dataset, graph, kMovedCounterKey, edits->lMovedCounter(), 1);
        edits->SetCounters(edits->lRemovedCounter(), moved);
    }
    return true;
}

DatasetEdits::Range DatasetEdits::bulkRange(double time1, double time2) const {
    const common::SampleTime& time = m_dataset.sampleTime();
    if (time1 > time2) std::swap(time1, time2);
    Range range;
    range.first = time.TimeToIndex(time1);
    range.last = static_cast<std::int32_t>(
        std::min<std::int64_t>(std::int64_t{time.TimeToIndex(time2)} + 2, time.N));
    return range;
}

namespace {

// Moves many points of one graph: the moved-points files stay open, the counter "Moved" is
// written at every progress report and at the end (not for every point), and the user can
// stop between reports.
class BulkMove {
public:
    BulkMove(files::clsDataset& dataset, std::int32_t graph, GraphPointEdits& edits,
             common::Progress& progress, std::int32_t expected)
        : m_dataset(dataset), m_graph(graph), m_edits(edits), m_progress(progress),
          m_expected(expected), m_batch(edits.movedPts()), m_start(edits.lMovedCounter()) {
        m_progress.setText("");
        m_progress.setFraction(0.0);
    }
    BulkMove(const BulkMove&) = delete;
    BulkMove& operator=(const BulkMove&) = delete;
    ~BulkMove() {
        // Also when a store failed: what was written must be counted.
        try {
            flush();
        } catch (...) {
        }
        m_progress.setText("");
    }

    void newlyMoved() {
        ++m_added;
        m_edits.SetCounters(m_edits.lRemovedCounter(),
                            static_cast<std::int32_t>(std::min<std::int64_t>(
                                std::max(m_start, 0) + m_added,
                                std::numeric_limits<std::int32_t>::max())));
    }
    // After every kBulkReportEvery counted points: true when the user asked to stop.
    bool report(std::int32_t count) {
        flush();
        m_progress.setText(std::to_string(count));
        if (m_expected > 0)
            m_progress.setFraction(std::min(1.0, static_cast<double>(count) / m_expected));
        return m_progress.step();
    }
    void finish(std::int32_t count) {
        flush();
        m_progress.setText(std::to_string(count));
    }

private:
    void flush() {
        if (m_added == m_flushed) return;
        addToCounter(m_dataset, m_graph, kMovedCounterKey, m_start, m_added);
        m_flushed = m_added;
    }

    files::clsDataset& m_dataset;
    std::int32_t m_graph;
    GraphPointEdits& m_edits;
    common::Progress& m_progress;
    std::int32_t m_expected;
    clasMovedPts::Batch m_batch;
    std::int32_t m_start;
    std::int64_t m_added = 0;
    std::int64_t m_flushed = 0;
};

}  // namespace

BulkEditResult DatasetEdits::RemoveSpikes(std::int32_t graph, double time1, double time2,
                                          int mode) {
    BulkEditResult result;
    if (!std::isfinite(time1) || !std::isfinite(time2)) return result;
    GraphPointEdits* edits = stores(graph);
    if (!edits) return result;
    const GraphSeries series = seriesOf(m_dataset, graph);
    if (series.points() < 1) return result;
    const bool move = mode == kCountAndMove;
    if (move && !m_dataset.bTestCurIniFileWriteable()) return result;
    const Range range = bulkRange(time1, time2);

    std::int32_t expected = 0;
    if (move) expected = RemoveSpikes(graph, time1, time2, kCountOnly).count;
    std::optional<BulkMove> bulk;
    if (move) bulk.emplace(m_dataset, graph, *edits, m_progress, expected);

    bool haveReference = false;
    double reference = 0.0;
    forEachKept(series, range.first, range.last, [&](std::int32_t i, double y) -> bool {
        if (!std::isfinite(y)) return true;  // a formula table without a value here
        if (!haveReference || y > reference) {
            reference = y;
            haveReference = true;
            return true;
        }
        if (!(y < reference)) return true;
        ++result.count;
        if (!move) return true;
        if (storeMovedIndex(*edits, i, reference)) bulk->newlyMoved();
        if (result.count % kBulkReportEvery == 0 && bulk->report(result.count)) {
            result.stopped = true;
            return false;
        }
        return true;
    });
    if (bulk) bulk->finish(result.count);
    return result;
}

BulkEditResult DatasetEdits::SetToSlopedPoints(std::int32_t graph, double time1, double time2,
                                               int mode) {
    BulkEditResult result;
    if (!std::isfinite(time1) || !std::isfinite(time2)) return result;
    GraphPointEdits* edits = stores(graph);
    if (!edits) return result;
    const GraphSeries series = seriesOf(m_dataset, graph);
    if (series.points() < 1) return result;
    const bool move = mode == kCountAndMove;
    if (move && !m_dataset.bTestCurIniFileWriteable()) return result;
    const Range range = bulkRange(time1, time2);
    // A line needs two distinct end points with values.
    if (range.last <= range.first || range.last > series.points()) return result;
    const double y1 = series.tableValue(range.first);
    const double y2 = series.tableValue(range.last);
    if (!std::isfinite(y1) || !std::isfinite(y2)) return result;

    const double span = static_cast<double>(range.last - range.first);
    std::optional<BulkMove> bulk;
    if (move) bulk.emplace(m_dataset, graph, *edits, m_progress, range.last - range.first + 1);
    for (std::int32_t i = range.first; i <= range.last; ++i) {
        ++result.count;
        if (!move) continue;
        const double y = (y2 - y1) * static_cast<double>(i - range.first) / span + y1;
        if (storeMovedIndex(*edits, i, y)) bulk->newlyMoved();
        if (result.count % kBulkReportEvery == 0 && bulk->report(result.count)) {
            result.stopped = true;
            break;
        }
    }
    if (bulk) bulk->finish(result.count);
    return result;
}

}  // namespace measure

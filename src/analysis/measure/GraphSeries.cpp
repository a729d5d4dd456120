#include "analysis/measure/GraphSeries.h"

#include "analysis/files/clsDataset.h"

namespace measure {

std::optional<double> GraphSeries::value(std::int32_t i) const {
    if (i < 1 || i > points()) return std::nullopt;
    if (edits && edits->hasEdits()) {
        if (edits->isRemoved(i)) return std::nullopt;
        if (const auto moved = edits->movedValue(i)) return moved;
    }
    return tableValue(i);
}

GraphSeries seriesOf(const files::clsDataset& dataset, std::int32_t graph) {
    GraphSeries series;
    series.time = dataset.sampleTime();
    if (!dataset.bHasGraph(graph) || dataset.bGraphDeleted(graph)) {
        series.time.N = 0;
        return series;
    }
    series.samples = dataset.channelSamples(dataset.graphChannel(graph));
    series.table = dataset.graphTable(graph);
    series.edits = &dataset.pointEdits(graph);
    return series;
}

}  // namespace measure

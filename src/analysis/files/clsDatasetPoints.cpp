// Graph values and the points that graph windows draw.

#include <algorithm>

#include "analysis/files/clsDataset.h"

namespace files {
namespace {

// Ranges up to this many points are read point by point: a pyramid of their own would cost
// more to build than the reading.
constexpr std::int64_t kLongestDirectRange = std::int64_t{1} << 20;

}  // namespace

void clsDataset::SetPointEdits(std::int32_t graph, const PointEdits* edits) {
    slot(graph).edits = edits;
}

const PointEdits& clsDataset::pointEdits(std::int32_t graph) const {
    const PointEdits* edits = slot(graph).edits;
    return edits ? *edits : NoPointEdits::instance();
}

CodeTable clsDataset::graphTable(std::int32_t graph) const {
    const GraphSlot& graphSlot = slot(graph);
    return graphSlot.table ? CodeTable(*graphSlot.table) : CodeTable();
}

ChannelSamples clsDataset::channelSamples(int channel) const {
    return ChannelSamples(m_words, m_wordCount, m_nrChannels, channel);
}

std::optional<double> clsDataset::graphValue(std::int32_t graph, std::int32_t index) const {
    const GraphSlot& graphSlot = slot(graph);
    if (!graphSlot.table || index < 1 || index > m_time.N) return std::nullopt;
    if (graphSlot.edits && graphSlot.edits->hasEdits()) {
        if (graphSlot.edits->isRemoved(index)) return std::nullopt;
        if (const auto moved = graphSlot.edits->movedValue(index)) return moved;
    }
    return (*graphSlot.table)[channelSamples(graphSlot.channel).code(index)];
}

PlotSource clsDataset::plotSource(const GraphSlot& graphSlot, std::int64_t first,
                                  std::int64_t last) {
    PlotSource source;
    source.samples = channelSamples(graphSlot.channel);
    if (graphSlot.table) source.table = CodeTable(*graphSlot.table);
    source.edits = graphSlot.edits;
    source.time = m_time;
    source.timeDivisor = dTimeDivisor();
    if (!graphSlot.table) return source;
    for (const PyramidSlot& p : m_pyramids)
        if (p.channel == graphSlot.channel && p.table == graphSlot.table) {
            source.pyramid = p.pyramid.get();
            return source;
        }
    // A table of its own (a formula of an event graph): its pyramid is built when a range
    // first needs it, and kept while the table is in use.
    if (last - first + 1 > kLongestDirectRange && m_words) {
        // Pyramids of tables that no graph uses any more go first.
        std::erase_if(m_pyramids, [](const PyramidSlot& p) { return p.table.use_count() <= 1; });
        m_pyramids.push_back(PyramidSlot{
            graphSlot.channel, graphSlot.table,
            std::make_unique<MinMaxPyramid>(source.samples, source.table)});
        source.pyramid = m_pyramids.back().pyramid.get();
    }
    return source;
}

PlotPoints clsDataset::pointsOf(std::int32_t graph, std::int32_t first, std::int32_t last,
                                std::int32_t maxPoints) {
    const GraphSlot& graphSlot = slot(graph);
    if (m_time.N < 1) return PlotPoints{};
    if (m_hide) {
        if (m_lastValidPoint < 1) return PlotPoints{};
        first = std::min(first, m_lastValidPoint);
        last = std::min(last, m_lastValidPoint);
    }
    const PlotSource source = plotSource(graphSlot, std::min(first, last), std::max(first, last));
    return pointsForDrawing(source, first, last, maxPoints);
}

PlotPoints clsDataset::SetPlotDataMaxMinAll(std::int32_t graph, std::int32_t maxPoints) {
    return pointsOf(graph, 1, m_time.N, maxPoints);
}

PlotPoints clsDataset::SetPlotDataMaxMinTimes(std::int32_t graph, double startMs, double endMs,
                                              std::int32_t maxPoints) {
    if (m_time.N < 1) return PlotPoints{};
    return pointsOf(graph, m_time.TimeToIndex(startMs), m_time.TimeToIndex(endMs), maxPoints);
}

}  // namespace files

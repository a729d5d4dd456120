#pragma once
// Graph series made up in memory: a one-channel record whose point i reads values[i - 1]
// (point i carries code i - 1 and the table maps that code to the value), or a long record of
// given codes and table.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

#include "analysis/files/MemoryPointEdits.h"
#include "analysis/measure/GraphSeries.h"

namespace seriesfixture {

struct OwnedSeries {
    std::vector<std::uint16_t> words;
    std::vector<double> table = std::vector<double>(files::kCodeCount, 0.0);
    files::MemoryPointEdits edits;
    double t0 = 0.0;
    double ts = 1.0;

    measure::GraphSeries series() const {
        measure::GraphSeries s;
        s.samples = files::ChannelSamples(words.data(), static_cast<std::int64_t>(words.size()), 1, 1);
        s.table = files::CodeTable(table);
        s.edits = &edits;
        s.time = common::SampleTime{ts, t0, static_cast<std::int32_t>(words.size())};
        return s;
    }
    double timeOf(std::int32_t i) const { return (i - 1) * ts + t0; }
};

inline std::unique_ptr<OwnedSeries> valuesSeries(const std::vector<double>& values, double t0 = 0.0,
                                                 double ts = 1.0) {
    if (values.size() > static_cast<std::size_t>(files::kCodeCount))
        throw std::invalid_argument("at most 16384 values");
    auto owned = std::make_unique<OwnedSeries>();
    owned->t0 = t0;
    owned->ts = ts;
    for (std::size_t k = 0; k < values.size(); ++k) {
        owned->words.push_back(static_cast<std::uint16_t>(k));
        owned->table[k] = values[k];
    }
    return owned;
}

}  // namespace seriesfixture

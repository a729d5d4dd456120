// Data export: time,value text of a million points (clipboard text and file in 200-line
// blocks) and a time/value workbook of 65001 rows (two blocks).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/measure/SpreadsheetExport.h"
#include "analysis/measure/TextExport.h"

namespace {

namespace fs = std::filesystem;

// One channel of n points at 1 MHz whose codes run up and down the 14-bit range.
struct Record {
    std::vector<std::uint16_t> words;
    std::vector<double> table = std::vector<double>(files::kCodeCount);
    explicit Record(std::int32_t n) {
        for (std::int32_t i = 0; i < n; ++i)
            words.push_back(static_cast<std::uint16_t>((i * 7) % files::kCodeCount));
        for (std::size_t c = 0; c < table.size(); ++c)
            table[c] = -2.5 + static_cast<double>(c) * 5.0 / 16383.0;
    }
    measure::GraphSeries series() const {
        measure::GraphSeries s;
        s.samples = files::ChannelSamples(words.data(), static_cast<std::int64_t>(words.size()), 1, 1);
        s.table = files::CodeTable(table);
        s.time = common::SampleTime{0.001, -0.5, static_cast<std::int32_t>(words.size())};
        return s;
    }
};

class Folder {
public:
    Folder() {
        std::string pattern = (fs::temp_directory_path() / "vantrel-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        m_path = pattern;
    }
    ~Folder() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    std::string file(const char* name) const { return (m_path / name).string(); }

private:
    fs::path m_path;
};

void BM_ClipboardText1M(benchmark::State& state) {
    const Record record(1000000);
    const measure::GraphSeries series = record.series();
    for (auto _ : state) {
        std::string text = measure::exportText(series, {1, 1000000}, measure::ExportMode::TimesAndValues, 1.0);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetItemsProcessed(state.iterations() * 1000000);
}

void BM_TextFile1M(benchmark::State& state) {
    const Record record(1000000);
    const measure::GraphSeries series = record.series();
    const Folder folder;
    for (auto _ : state)
        benchmark::DoNotOptimize(measure::writeExportFile(
            folder.file("input.dat"), series, {1, 1000000}, measure::ExportMode::TimesAndValues, 1.0));
    state.SetItemsProcessed(state.iterations() * 1000000);
}

void BM_Workbook65001(benchmark::State& state) {
    const Record record(65001);
    const measure::GraphSeries series = record.series();
    const Folder folder;
    for (auto _ : state) {
        const measure::TimeValueSheet sheet = measure::timeValueSheet(
            series, {1, 65001}, 1.0, "Test01 Channel 1 DC -2.5 V to 2.5 V", "Time (ms)", "Voltage (V)");
        measure::writeTimeValueWorkbook(folder.file("points.xlsx"), sheet);
    }
    state.SetItemsProcessed(state.iterations() * 65001);
}

BENCHMARK(BM_ClipboardText1M)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextFile1M)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Workbook65001)->Unit(benchmark::kMillisecond);

}  // namespace

// Table conversion of a full 14-bit conversion table through scope formulas.

#include <benchmark/benchmark.h>

#include <vector>

#include "analysis/measure/ScopeFormulas.h"

namespace {

std::vector<double> voltageTable() {
    std::vector<double> table(16384);
    for (std::size_t c = 0; c < table.size(); ++c)
        table[c] = -10.0 + 20.0 * static_cast<double>(c) / 16383.0;
    return table;
}

void applyFormula(benchmark::State& state, const char* formula) {
    const std::vector<double> input = voltageTable();
    for (auto _ : state) {
        measure::FormulaTable t = measure::ApplyFormulaToTable(formula, input, {});
        benchmark::DoNotOptimize(t.values.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(input.size()));
}

void BM_Identity(benchmark::State& s) { applyFormula(s, "1*V+0"); }
void BM_Linear(benchmark::State& s) { applyFormula(s, "((12.5*V+0.3)-(1.2*10^-04))"); }
void BM_Polynomial(benchmark::State& s) { applyFormula(s, "pi*(mV/1000)^2-3*V/(V^2+1)+7"); }

BENCHMARK(BM_Identity)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Linear)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Polynomial)->Unit(benchmark::kMicrosecond);

}  // namespace

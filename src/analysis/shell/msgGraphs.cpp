#include "analysis/shell/msgGraphs.h"

#include "analysis/files/DatasetGraph.h"
#include "analysis/measure/ScopeFormulas.h"

namespace shell {

msgGraphs::msgGraphs(common::Prompt& prompt, common::Progress& progress, GraphsHooks hooks)
    : m_prompt(prompt), m_progress(progress), m_hooks(std::move(hooks)) {}

msgGraphs::~msgGraphs() {
    // Datasets close their graphs, whose windows may call back here; do it while whole.
    // The point edits go first: they hand their stores back to their dataset.
    m_edits.clear();
    for (auto& set : m_sets)
        if (set) set->CloseAll();
}

std::unique_ptr<files::clsDataset> msgGraphs::makeDefaultDataset(std::int32_t) {
    files::DatasetHooks hooks;
    hooks.setCurrentGraph = [this](std::int32_t set, std::int32_t graph) {
        SetCurrentGraph(set, graph);
    };
    hooks.setNextPlotFile = [this](const std::string& file) { SetNextPlotFile(file); };
    // Event graphs of scope channels show their "Y formula" applied to the channel's table.
    hooks.formulaTable = measure::makeFormulaTableHook();
    return std::make_unique<files::clsDataset>(m_prompt, m_progress,
                                               graphs::clsGraph::factory(m_makeView),
                                               std::move(hooks));
}

bool msgGraphs::OpenTestSet(const std::string& setFilePath, bool quiet) {
    const std::int32_t n = m_count + 1;
    if (static_cast<std::int32_t>(m_sets.size()) < n) {
        m_sets.resize(static_cast<std::size_t>(n));
        m_inUse.resize(static_cast<std::size_t>(n), false);
        m_edits.resize(static_cast<std::size_t>(n));
    }
    const auto slot = static_cast<std::size_t>(n - 1);
    m_sets[slot] = m_makeDataset ? m_makeDataset(n) : makeDefaultDataset(n);
    if (m_sets[slot] && m_sets[slot]->bSetupDataAndGraphs(setFilePath, n, quiet)) {
        m_inUse[slot] = true;
        m_count = n;
        // Removed and moved points of the event graphs are drawn and edited through these.
        m_edits[slot] = std::make_unique<measure::DatasetEdits>(*m_sets[slot], m_prompt, m_progress);
        m_edits[slot]->attachAll();
        return true;
    }
    m_sets[slot].reset();
    m_inUse[slot] = false;
    return false;
}

void msgGraphs::CloseAllDatasets() {
    for (std::int32_t n = 1; n <= m_count; ++n) {
        const auto slot = static_cast<std::size_t>(n - 1);
        if (!m_inUse[slot]) continue;
        m_inUse[slot] = false;
        if (slot < m_edits.size()) m_edits[slot].reset();
        // Dropped only after CloseAll has returned: a closing window may still ask for it.
        std::unique_ptr<files::clsDataset> set = std::move(m_sets[slot]);
        if (set) set->CloseAll();
    }
    m_sets.clear();
    m_inUse.clear();
    m_edits.clear();
    if (m_hooks.hideToolbar) m_hooks.hideToolbar();
    ShowFormulaBar(false);
    m_count = 0;
    m_currentSet = 0;
    m_currentGraph = 0;
}

measure::DatasetEdits* msgGraphs::edits(std::int32_t n) const {
    if (!bInUse(n) || n > static_cast<std::int32_t>(m_edits.size())) return nullptr;
    return m_edits[static_cast<std::size_t>(n - 1)].get();
}

bool msgGraphs::bInUse(std::int32_t n) const {
    return n >= 1 && n <= static_cast<std::int32_t>(m_inUse.size()) &&
           m_inUse[static_cast<std::size_t>(n - 1)];
}

files::clsDataset* msgGraphs::dataset(std::int32_t n) const {
    if (n < 1 || n > static_cast<std::int32_t>(m_sets.size())) return nullptr;
    return m_sets[static_cast<std::size_t>(n - 1)].get();
}

void msgGraphs::SetCurrentGraph(std::int32_t dataSet, std::int32_t graph) {
    m_currentSet = dataSet;
    m_currentGraph = graph;
}

void msgGraphs::SendMsgToCurrentGraph(std::int32_t code) {
    if (m_busy) return;
    files::clsDataset* set = currentDataset();
    if (!set) return;
    m_busy = true;
    try {
        set->SendGraphMsg(m_currentGraph, code);
    } catch (...) {
        m_busy = false;
        throw;
    }
    m_busy = false;
}

void msgGraphs::ResetToolbarAndGraph() {
    if (m_hooks.resetToolbar) m_hooks.resetToolbar();
    SendMsgToCurrentGraph(files::kMsgTakeFocus);
}

void msgGraphs::ActivateCurrentGraph() {
    if (files::clsDataset* set = currentDataset())
        set->SendGraphMsg(m_currentGraph, files::kMsgTakeFocus);
}

void msgGraphs::ShowFormulaBar(bool show) {
    if (show == m_formulaShown) return;
    if (m_hooks.showFormulaWindow) m_hooks.showFormulaWindow(show);
    m_formulaShown = show;
}

}  // namespace shell

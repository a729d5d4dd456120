#pragma once
// The open test sets of the program and the current graph. Dialogs, the toolbar and the
// points box reach the current graph only through here.
//
// Test sets are numbered from 1 in the order they were opened; closing all of them starts
// the numbering again. A test set whose set-up fails leaves no trace: its slot is emptied
// and the next open uses the same number.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/files/clsDataset.h"
#include "analysis/graphs/clsGraph.h"
#include "analysis/measure/DatasetEdits.h"

namespace common {
class Progress;
class Prompt;
}  // namespace common

namespace shell {

// Makes the dataset of the next test set (number n), not yet set up.
using DatasetFactory = std::function<std::unique_ptr<files::clsDataset>(std::int32_t n)>;

// The program's side of the registry; each may be left empty.
struct GraphsHooks {
    // The toolbar and the formula window are hidden when every test set is closed.
    std::function<void()> hideToolbar;
    std::function<void(bool show)> showFormulaWindow;
    std::function<void()> resetToolbar;
};

class msgGraphs {
public:
    // Datasets made by default have clsGraph graphs, with windows from the view factory
    // (headless without one).
    msgGraphs(common::Prompt& prompt, common::Progress& progress, GraphsHooks hooks = {});
    ~msgGraphs();
    msgGraphs(const msgGraphs&) = delete;
    msgGraphs& operator=(const msgGraphs&) = delete;

    void setViewFactory(graphs::ViewFactory makeView) { m_makeView = std::move(makeView); }
    // Replaces the way datasets are made (the graph windows attach here).
    void setDatasetFactory(DatasetFactory make) { m_makeDataset = std::move(make); }
    // The dataset a default factory would make for number n.
    std::unique_ptr<files::clsDataset> makeDefaultDataset(std::int32_t n);

    // --- test sets -------------------------------------------------------------------------
    // Opens the set file as the next test set; true when it was set up.
    bool OpenTestSet(const std::string& setFilePath, bool quiet);
    bool AddDataset(const std::string& setFilePath, bool quiet) {
        return OpenTestSet(setFilePath, quiet);
    }
    void CloseAllDatasets();
    bool IsAnyDatasetOpen() const { return m_count >= 1; }
    std::int32_t lCount() const { return m_count; }
    bool bInUse(std::int32_t n) const;
    // The open test set n, or nullptr.
    files::clsDataset* dataset(std::int32_t n) const;
    // The removed and moved points of open test set n (made when it opened, attached to its
    // event graphs, dropped before the test set closes), or nullptr.
    measure::DatasetEdits* edits(std::int32_t n) const;

    // --- the current graph -----------------------------------------------------------------
    void SetCurrentGraph(std::int32_t dataSet, std::int32_t graph);
    std::int32_t lCurrentDataSet() const { return m_currentSet; }
    std::int32_t lCurrentGraph() const { return m_currentGraph; }
    files::clsDataset* currentDataset() const { return dataset(m_currentSet); }
    // Delivered unless another message is being delivered (then dropped, not queued).
    void SendMsgToCurrentGraph(std::int32_t code);
    void ResetToolbarAndGraph();
    void ActivateCurrentGraph();
    bool bBusy() const { return m_busy; }

    // --- shared state ----------------------------------------------------------------------
    // Changes the formula window only when its visibility differs from the stored one.
    void ShowFormulaBar(bool show);
    bool bFormulaBarShown() const { return m_formulaShown; }
    void SetNextPlotFile(std::string name) { m_nextPlotFile = std::move(name); }
    const std::string& NextPlotFile() const { return m_nextPlotFile; }

private:
    common::Prompt& m_prompt;
    common::Progress& m_progress;
    GraphsHooks m_hooks;
    graphs::ViewFactory m_makeView;
    DatasetFactory m_makeDataset;

    std::vector<std::unique_ptr<files::clsDataset>> m_sets;  // index n - 1
    std::vector<std::unique_ptr<measure::DatasetEdits>> m_edits;  // index n - 1
    std::vector<bool> m_inUse;
    std::int32_t m_count = 0;
    std::int32_t m_currentSet = 0;
    std::int32_t m_currentGraph = 0;
    bool m_busy = false;
    bool m_formulaShown = false;
    std::string m_nextPlotFile;
};

}  // namespace shell

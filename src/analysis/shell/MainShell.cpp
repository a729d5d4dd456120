#include "analysis/shell/MainShell.h"

#include "analysis/shell/msgGraphs.h"
#include "common/Prompt.h"

namespace shell {

std::optional<std::string> installationPeriodWarning(const std::string& programDirectory) {
    if (programDirectory.find('.') == std::string::npos) return std::nullopt;
    return std::string("There is a period (.) in the installation directory path.[nl]") +
           "This will interfere with the normal operation of the software.[nl]" +
           "Please rename or move the installation directory in Windows Explorer.";
}

MainShell::MainShell(msgGraphs& graphs, common::Prompt& prompt, ShellView& view)
    : m_graphs(graphs), m_prompt(prompt), m_view(view) {}

void MainShell::Start(const std::string& programDirectory) {
    if (auto warning = installationPeriodWarning(programDirectory))
        common::ShowMessage(m_prompt, *warning);
    m_startBox = true;
    m_view.showStartBox();
}

void MainShell::Choose(StartChoice choice) {
    switch (choice) {
        case StartChoice::Analyze:
            SetupForAnalysis();
            break;
        case StartChoice::Retrieve:
            SetupForRetrieval();
            break;
        case StartChoice::Exit:
            MenuExit_Click();
            break;
    }
}

void MainShell::SetupForAnalysis() {
    if (m_startBox) m_view.hideStartBox();
    m_startBox = false;
    m_view.showOpenDialog();
}

void MainShell::SetupForRetrieval() {
    // Retrieval is not built yet: say so and keep the way back to the other choices.
    common::ShowMessage(m_prompt, kRetrieveNotAvailable);
    if (!m_startBox) {
        m_startBox = true;
        m_view.showStartBox();
    }
}

void MainShell::MenuExit_Click() {
    m_graphs.CloseAllDatasets();
    if (m_startBox) m_view.hideStartBox();
    m_startBox = false;
    m_ended = true;
    m_view.endProgram();
}

bool MainShell::QueryClose() {
    if (m_ended) return true;
    if (!m_graphs.IsAnyDatasetOpen()) {
        m_graphs.CloseAllDatasets();
        m_ended = true;
        return true;
    }
    ExitGraphs();
    return false;
}

void MainShell::ExitGraphs() {
    m_graphs.CloseAllDatasets();
    m_startBox = true;
    m_view.showStartBox();
}

void MainShell::AnalyzeFile() {
    m_graphs.CloseAllDatasets();
    m_view.showOpenDialog();
}

}  // namespace shell

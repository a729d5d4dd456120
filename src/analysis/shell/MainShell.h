#pragma once
// What the main window does between the start box, the open-test window and the graphs, and
// what closing it means: with test sets open a close returns to the start box; with nothing
// open it ends the program.

#include <optional>
#include <string>

#include "analysis/shell/StartBox.h"

namespace common {
class Prompt;
}

namespace shell {

class msgGraphs;

// The windows the shell drives.
class ShellView {
public:
    virtual ~ShellView() = default;
    virtual void showStartBox() = 0;
    virtual void hideStartBox() = 0;
    // The open-test window's Setup.
    virtual void showOpenDialog() = 0;
    // Unloads the main window, which ends the program.
    virtual void endProgram() = 0;
};

inline constexpr const char* kMainCaption = "Corvane";

class MainShell {
public:
    MainShell(msgGraphs& graphs, common::Prompt& prompt, ShellView& view);

    // Start-up: the installation warning (when the folder has a period), then the start box.
    void Start(const std::string& programDirectory);
    // A choice in the start box.
    void Choose(StartChoice choice);

    void SetupForAnalysis();
    void SetupForRetrieval();
    void MenuExit_Click();
    void ExitMainForm() { MenuExit_Click(); }
    // The user closes the main window: true when it may close. With test sets open they are
    // closed, the start box comes back and the close is refused.
    bool QueryClose();
    // File > Exit of a graph window: close every test set, back to the start box.
    void ExitGraphs();
    // File > Open of a graph window: close every test set, show the open-test window.
    void AnalyzeFile();

    bool bStartBoxShown() const { return m_startBox; }
    bool bEnded() const { return m_ended; }

private:
    msgGraphs& m_graphs;
    common::Prompt& m_prompt;
    ShellView& m_view;
    bool m_startBox = false;
    bool m_ended = false;
};

// The warning shown at start-up when the program's folder has a period in its path.
std::optional<std::string> installationPeriodWarning(const std::string& programDirectory);

}  // namespace shell

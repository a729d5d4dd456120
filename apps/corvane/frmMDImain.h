#pragma once
// The main window of the analysis program: the graph windows inside it, the bottom message
// bar with the Stop button of bulk edits, the File, Window and Help menus, and the start box.

#include <QMainWindow>

#include "analysis/graphs/window/GraphDataExport.h"
#include "analysis/graphs/window/GraphWindowContext.h"
#include "analysis/shell/BottomBar.h"
#include "analysis/shell/MainShell.h"
#include "analysis/shell/msgGraphs.h"

class QLabel;
class QMdiArea;
class QPushButton;

namespace graphs {
class frmpeGraph;
}

namespace corvane {

class frmCopySet;
class frmIntroBx;
class frmOpenSet;

class frmMDImain final : public QMainWindow, private shell::ShellView {
    Q_OBJECT
public:
    // Manuals are looked for in programDirectory.
    frmMDImain(common::Prompt& prompt, std::string programDirectory);
    ~frmMDImain() override;

    // Start-up: the warnings, then the start box.
    void Start();

    shell::msgGraphs& graphs() { return m_graphs; }
    shell::BottomBar& bottomBar() { return m_bar; }
    shell::msgMDIparent& mdiParent() { return m_parent; }
    shell::MainShell& mainShell() { return m_shell; }
    QMdiArea* mdiArea() const { return m_area; }
    frmIntroBx* startBox() const { return m_intro; }
    frmOpenSet* openDialog() const { return m_open; }
    frmCopySet* copyDialog() const { return m_copy; }
    graphs::GraphWindowContext& graphWindowContext() { return m_graphWindows; }
    // The graph windows in the main window, in the order they were made.
    std::vector<graphs::frmpeGraph*> graphWindows() const;

    // Opens a test set as the open-test window does (start box hidden, windows arranged, the
    // current graph activated); true when it was set up. Quiet: no messages of success or
    // failure. Each graph window counts its drawn
    // plots (frmpeGraph::replots, signal replotted).
    bool OpenTestSetFile(const std::string& setFile, bool quiet = false);

    // Closes every test set, then offers to save a copy of the set file.
    void SaveFile(const QString& setFile);
    void OpenManual(const std::string& fileName);
    void ShowAbout();
    void tileHorizontally();
    void tileVertically();
    void arrangeIcons();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showStartBox() override;
    void hideStartBox() override;
    void showOpenDialog() override;
    void endProgram() override;
    void buildMenus();
    void connectGraphWindows();
    void showBar();
    // Windows of a just-opened test laid out so every trace shows, current graph activated.
    void showOpenedTest();

    common::Prompt& m_prompt;
    std::string m_programDirectory;
    QMdiArea* m_area;
    QWidget* m_picMessage;
    QLabel* m_lblMessage;
    QPushButton* m_stop;
    shell::BottomBar m_bar;
    shell::BottomBarProgress m_progress;
    shell::msgGraphs m_graphs;
    shell::msgMDIparent m_parent;
    shell::MainShell m_shell;
    frmIntroBx* m_intro;
    frmOpenSet* m_open;
    frmCopySet* m_copy;
    graphs::GraphWindowContext m_graphWindows;
    graphs::GraphDataExport m_dataExport;
};

}  // namespace corvane

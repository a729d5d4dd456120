// The menus of a graph window and the commands that are not clicks on the plot.

#include <qcustomplot.h>

#include <QActionGroup>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "analysis/graphs/clsGraph.h"
#include "analysis/graphs/window/GraphWindowContext.h"
#include "analysis/graphs/window/frmpeGraph.h"
#include "analysis/measure/PointCommands.h"
#include "analysis/measure/VodSlope.h"
#include "analysis/shell/msgGraphs.h"
#include "common/AppPaths.h"
#include "common/Prompt.h"

namespace graphs {
namespace {

QAction* item(QMenu* menu, const char* caption, const char* name, QKeySequence key = {}) {
    QAction* a = menu->addAction(QString::fromLatin1(caption));
    a->setObjectName(QString::fromLatin1(name));
    if (!key.isEmpty()) {
        a->setShortcut(key);
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    }
    return a;
}

// A private, empty file for the plot state of a graph being saved; "" when none can be made.
std::string temporaryPlotFile() {
    std::error_code ec;
    const std::filesystem::path folder = common::userDataDirectory();
    std::filesystem::create_directories(folder, ec);
    std::string name = (folder / "plotXXXXXX").string();
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return {};
    ::close(fd);
    return name;
}

}  // namespace

void frmpeGraph::buildMenus() {
    QMenu* file = m_menuBar->addMenu(QStringLiteral("&File"));
    connect(item(file, "Open", "MenuFileOpen"), &QAction::triggered, this, [this] {
        if (m_ctx.analyzeFile) m_ctx.analyzeFile();
    });
    QMenu* current = file->addMenu(QStringLiteral("Current"));
    item(current, "", "MenuCurrentGraphInfo");
    connect(item(file, "Save as", "MenuSaveAs"), &QAction::triggered, this,
            &frmpeGraph::MenuSaveAs_Click);
    connect(item(file, "Exit", "MenuFileExit"), &QAction::triggered, this, [this] {
        if (m_ctx.exitGraphs) m_ctx.exitGraphs();
    });

    QMenu* graph = m_menuBar->addMenu(QStringLiteral("&Graph"));
    QMenu* list = graph->addMenu(QStringLiteral("Graph List"));
    list->menuAction()->setObjectName("MenuGraphList");
    connect(list, &QMenu::aboutToShow, this, [this, list] { fillGraphList(list); });
    connect(item(graph, "Save As ...", "MenuGraphSave"), &QAction::triggered, this,
            &frmpeGraph::MenuGraphSave_Click);
    connect(item(graph, "Save Current Start/End Times", "MenuSaveCurrentStartEndTimes"),
            &QAction::triggered, this, [this] {
                if (m_owner)
                    m_owner->SaveStartEndTimes(limits().xMin, limits().xMax, limits().yMin,
                                               limits().yMax);
            });
    connect(item(graph, "Rename", "MenuRename"), &QAction::triggered, this,
            &frmpeGraph::MenuRename_Click);
    connect(item(graph, "Delete", "MenuGraphDelete"), &QAction::triggered, this,
            &frmpeGraph::MenuGraphDelete_Click);
    // Closes the window as its title bar's button does (a channel graph refuses).
    connect(item(graph, "Close", "MenuGraphClose"), &QAction::triggered, this, [this] {
        if (QMdiSubWindow* sub = subWindow())
            sub->close();
        else
            close();
    });
    graph->addSeparator();
    QMenu* preview = graph->addMenu(QStringLiteral("Print Preview"));
    auto* previews = new QActionGroup(this);
    const struct {
        const char* caption;
        const char* name;
        int mode;
    } modes[] = {{"Portrait", "MenuPreviewPortrait", 2},
                 {"Landscape", "MenuPreviewLandscape", 1},
                 {"Off", "MenuPreviewOff", 0}};
    for (const auto& m : modes) {
        QAction* a = item(preview, m.caption, m.name);
        a->setCheckable(true);
        a->setChecked(m.mode == 0);
        previews->addAction(a);
        const int mode = m.mode;
        connect(a, &QAction::triggered, this, [this, mode] { setPreviewMode(mode); });
    }
    connect(item(graph, "Print", "MenuPrint"), &QAction::triggered, this, &frmpeGraph::print);

    QMenu* edit = m_menuBar->addMenu(QStringLiteral("&Edit"));
    connect(item(edit, "Change Axes", "MenuChangeAxes"), &QAction::triggered, this, [this] {
        if (m_owner && m_ctx.changeAxes)
            m_ctx.changeAxes(*m_owner, limits().xMin, limits().xMax, limits().yMin, limits().yMax);
    });
    connect(item(edit, "Copy Graph", "MenuCopyGraph", QKeySequence(Qt::CTRL | Qt::Key_C)),
            &QAction::triggered, this, &frmpeGraph::copyGraph);
    const struct {
        const char* caption;
        const char* name;
        int kind;
    } copies[] = {{"Copy &X Data", "MenuCopyXdata", 0},
                  {"Copy &Y Data", "MenuCopyYdata", 1},
                  {"Copy X &and Y Data", "MenuCopyXandYdata", 2}};
    for (const auto& c : copies) {
        const int kind = c.kind;
        connect(item(edit, c.caption, c.name), &QAction::triggered, this, [this, kind] {
            if (m_owner && m_ctx.copyData)
                m_ctx.copyData(*m_owner, kind, limits().xMin, limits().xMax);
        });
    }
    connect(item(edit, "Export Data to Excel", "MenuExportToExcel"), &QAction::triggered, this,
            [this] {
                if (m_owner && m_ctx.exportToExcel)
                    m_ctx.exportToExcel(*m_owner, limits().xMin, limits().xMax, m_fileInfo);
            });

    QMenu* analyze = m_menuBar->addMenu(QStringLiteral("&Analyze"));
    connect(item(analyze, "Zoom", "MenuZoom", QKeySequence(Qt::CTRL | Qt::Key_Z)),
            &QAction::triggered, this, [this] { setDragZoom(true); });
    connect(item(analyze, "Unzoom", "MenuUnzoom", QKeySequence(Qt::CTRL | Qt::Key_U)),
            &QAction::triggered, this, &frmpeGraph::Unzoom);
    connect(item(analyze, "Reset To Full Range", "MenuResetToFullRange",
                 QKeySequence(Qt::CTRL | Qt::Key_F)),
            &QAction::triggered, this, &frmpeGraph::ResetToFullRange);
    analyze->addSeparator();
    connect(item(analyze, "Remove Bad Data Pt", "MenuRemoveBadDataPt",
                 QKeySequence(Qt::CTRL | Qt::Key_R)),
            &QAction::triggered, this, &frmpeGraph::MenuRemoveBadDataPt_Click);
    connect(item(analyze, "Move Bad Data Pt", "MenuMoveBadDataPt"), &QAction::triggered, this,
            &frmpeGraph::MenuMoveBadDataPt_Click);
    connect(item(analyze, "Offset", "MenuOffset"), &QAction::triggered, this,
            &frmpeGraph::MenuOffset_Click);
    connect(item(analyze, "Calculate VOD (Linear Regression)", "MenuVODLR"), &QAction::triggered,
            this, [this] { startVodCommand(kModeVodRegression); });
    connect(item(analyze, "Calculate VOD (From 2 Points)", "MenuVOD2pt"), &QAction::triggered,
            this, [this] { startVodCommand(kModeVodTwoPoints); });
    connect(item(analyze, "Remove Negative Distance Changes", "MenuRemoveDownSpikes"),
            &QAction::triggered, this, &frmpeGraph::MenuRemoveDownSpikes_Click);
    connect(item(analyze, "Calculate Y value Difference", "MenuDeltaY"), &QAction::triggered,
            this, [this] { startTwoPointMode(kModeValueDifference, kPromptValueDifference); });
    connect(item(analyze, "Calculate Delay", "MenuCalculateDelay"), &QAction::triggered, this,
            [this] { startTwoPointMode(kModeDelay, kPromptDelay); });

    QMenu* window = m_menuBar->addMenu(QStringLiteral("&Window"));
    const auto hook = [this](std::function<void()> GraphWindowContext::*member) {
        return [this, member] {
            if (m_ctx.*member) (m_ctx.*member)();
        };
    };
    connect(item(window, "Tile Horizontally", "MenuTileHorizontally"), &QAction::triggered, this,
            hook(&GraphWindowContext::tileHorizontally));
    connect(item(window, "Tile Vertically", "MenuTileVertically"), &QAction::triggered, this,
            hook(&GraphWindowContext::tileVertically));
    connect(item(window, "Cascade", "MenuCascade"), &QAction::triggered, this,
            hook(&GraphWindowContext::cascade));
    connect(item(window, "Arrange", "MenuArrange"), &QAction::triggered, this,
            hook(&GraphWindowContext::arrangeIcons));

    QMenu* help = m_menuBar->addMenu(QStringLiteral("&Help"));
    connect(item(help, "Corvane Operations Manual.pdf", "MenuCorvaneManual"), &QAction::triggered,
            this, hook(&GraphWindowContext::openManual));
    connect(item(help, "About", "MenuHelpAbout"), &QAction::triggered, this,
            hook(&GraphWindowContext::about));
    showMenusFor();
}

// Visibility of the items that depend on the kind of graph.
void frmpeGraph::showMenusFor() {
    const bool event = m_owner && m_owner->bIsEventGraph();
    const bool vod = m_owner && m_owner->bIsVODgraph();
    for (const char* name : {"MenuRename", "MenuGraphDelete", "MenuSaveCurrentStartEndTimes"})
        if (QAction* a = action(name)) a->setVisible(event);
    if (QAction* a = action("MenuOffset")) a->setVisible(!vod);
    for (const char* name : {"MenuVODLR", "MenuVOD2pt", "MenuRemoveDownSpikes"})
        if (QAction* a = action(name)) a->setVisible(vod);
}

void frmpeGraph::fillGraphList(QMenu* menu) {
    menu->clear();
    QMdiSubWindow* own = subWindow();
    QMdiArea* area = own ? own->mdiArea() : nullptr;
    if (!area) return;
    for (QMdiSubWindow* w : area->subWindowList()) {
        QAction* a = menu->addAction(w->windowTitle());
        a->setCheckable(true);
        a->setChecked(w == own);
        const QPointer<QMdiSubWindow> target(w);
        connect(a, &QAction::triggered, this, [area, target] {
            if (target) area->setActiveSubWindow(target);
        });
    }
}

// --- Graph menu ---------------------------------------------------------------------------------

void frmpeGraph::MenuGraphSave_Click() {
    if (!m_owner || !m_owner->dataset()) return;
    clsGraph& owner = *m_owner;
    const std::optional<std::string> title =
        m_ctx.prompt.input(kEnterNewGraphTitle, kNewGraphNameTitle,
                           proposedGraphName(owner.lChannelNr1to5(), limits().xMin));
    if (!title || title->empty()) {
        common::ShowMessage(m_ctx.prompt, kGraphNotSaved);
        return;
    }
    const std::string temporary = temporaryPlotFile();
    std::string error;
    if (temporary.empty() || !saveState(temporary, error)) {
        if (!temporary.empty()) std::remove(temporary.c_str());
        common::ShowMessage(m_ctx.prompt, kGraphSaveError);
        return;
    }
    const PlotLimits shown = limits();
    files::clsDataset& dataset = *owner.dataset();
    const std::int32_t set = owner.lDataSetNr();
    m_ctx.saveAsPlotFile = temporary;
    std::int32_t made = 0;
    try {
        made = dataset.SaveGraphAs(owner.lGraphNr(), *title, owner.dDisplayToMs(shown.xMin),
                                   owner.dDisplayToMs(shown.xMax), shown.yMin, shown.yMax);
    } catch (const std::exception& e) {
        common::ShowMessage(m_ctx.prompt, e.what());
    }
    m_ctx.saveAsPlotFile.clear();
    m_ctx.graphs.SetNextPlotFile(std::string());
    std::remove(temporary.c_str());
    if (made == 0) {
        common::ShowMessage(m_ctx.prompt, kGraphSaveError);
        return;
    }
    // The new graph draws with the removed and moved points it was given.
    if (measure::DatasetEdits* edits = m_ctx.graphs.edits(set)) edits->attachAll();
}

void frmpeGraph::MenuGraphDelete_Click() {
    if (!m_owner) return;
    if (!m_owner->bIsEventGraph()) {
        common::ShowMessage(m_ctx.prompt, kChannelGraphNotDeleted);
        return;
    }
    if (QMdiSubWindow* sub = subWindow()) sub->showMinimized();
    m_deleting = true;
    std::string error;
    if (!saveState(m_owner->sPlotFile(), error)) common::ShowMessage(m_ctx.prompt, error);
    clsGraph* owner = m_owner;
    // The dataset closes this window on the way (ExitClose): nothing here uses it after.
    if (!owner->DeleteCurGraph()) {
        m_deleting = false;
        return;
    }
    m_owner = nullptr;
}

void frmpeGraph::MenuRename_Click() {
    if (!m_owner || !m_owner->bIsEventGraph() || !m_owner->dataset()) return;
    const std::optional<std::string> name =
        m_ctx.prompt.input(kTypeNewGraphName, kNewGraphNameTitle, m_caption);
    if (!name || name->empty()) return;
    m_owner->dataset()->WriteGraphIniStr(m_owner->lGraphNr(), "EventTitle", *name);
    SetCaption(*name);
}

void frmpeGraph::MenuSaveAs_Click() {
    if (!m_owner || !m_owner->dataset()) return;
    if (!m_ctx.prompt.askOkCancel(kConfirmFileClose, kConfirmFileCloseTitle)) return;
    if (m_ctx.saveFile) m_ctx.saveFile(m_owner->dataset()->setFile().sSetFileName());
}

void frmpeGraph::copyGraph() { m_adapter->copyToClipboard(12000, 12000); }

void frmpeGraph::print() {
    m_adapter->printWithPreview(
        m_previewMode == 2 ? PrintOrientation::Portrait : PrintOrientation::Landscape, this);
}

// --- Analyze menu -------------------------------------------------------------------------------

void frmpeGraph::MenuRemoveBadDataPt_Click() {
    if (!m_owner) return;
    if (!m_owner->bIsEventGraph()) {
        common::ShowMessage(m_ctx.prompt, measure::kPointEditOnOriginalGraph);
        return;
    }
    m_clicks.setMode(kModeRemovePoint);
    m_dataCursor = true;
    m_adapter->setMarkers(m_adapter->state().x.size() < kMarkerPointLimit);
    replot();
}

void frmpeGraph::MenuMoveBadDataPt_Click() {
    if (!m_owner) return;
    if (!m_owner->bIsEventGraph()) {
        common::ShowMessage(m_ctx.prompt, kMoveOnOriginalGraph);
        return;
    }
    m_clicks.setMode(kModeMovePoint);
    m_dataCursor = true;
    m_adapter->setMarkers(m_adapter->state().x.size() < kMarkerPointLimit);
    replot();
}

void frmpeGraph::MenuOffset_Click() {
    if (!m_owner) return;
    if (!m_owner->bIsEventGraph()) {
        common::ShowMessage(m_ctx.prompt, kOffsetOnOriginalGraph);
        return;
    }
    common::ShowMessage(m_ctx.prompt, kPromptOffset);
    m_clicks.setMode(kModeOffset);
}

void frmpeGraph::startVodCommand(std::int32_t mode) {
    if (!m_owner) return;
    takeFocus();
    const int started = measure::StartVodCommand(m_owner->bIsVODgraph(), mode, m_ctx.prompt);
    if (started == 0) {
        dataValueOff();
        return;
    }
    m_clicks.setMode(started);
    dataValueOn();
}

void frmpeGraph::startTwoPointMode(std::int32_t mode, const char* prompt) {
    takeFocus();
    common::ShowMessage(m_ctx.prompt, prompt);
    m_clicks.setMode(mode);
    dataValueOn();
}

void frmpeGraph::MenuRemoveDownSpikes_Click() {
    if (!m_owner) return;
    measure::DatasetEdits* edits = m_ctx.graphs.edits(m_owner->lDataSetNr());
    if (!edits) return;
    const PlotLimits shown = limits();
    const measure::CommandResult result = measure::RemoveSpikesInCurGraph(
        *edits, m_owner->lGraphNr(), m_owner->dDisplayToMs(shown.xMin),
        m_owner->dDisplayToMs(shown.xMax));
    // The Y axis keeps its limits through the reload.
    if (result.outcome == measure::CommandOutcome::Done ||
        result.outcome == measure::CommandOutcome::Stopped) {
        reloadShown(true);
        m_adapter->setLimits(shown);
        replot();
    }
}

}  // namespace graphs

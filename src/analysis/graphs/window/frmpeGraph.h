#pragma once
// The window of one graph: the plot of its points, the axis ranges and the zoom history, the
// click modes that measure and edit on the plot (their results drawn as annotations), the
// menus, printing and copying. Owned by its clsGraph through a GraphWindowHandle and shown in
// a sub-window of the main window.
//
// Times are the graph's display times; measurements are asked in milliseconds through the
// owner's one conversion.
//
// The owner may go before the window is deleted (a closed window is deleted later by the
// event loop): from then on the window does nothing with it.

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis/graphs/plot/PlotAdapter.h"
#include "analysis/graphs/plot/PlotState.h"
#include "analysis/graphs/window/ClickState.h"
#include "analysis/graphs/window/ZoomHistory.h"

class QAction;
class QCustomPlot;
class QLabel;
class QMdiSubWindow;
class QMenu;
class QMenuBar;

namespace graphs {

class clsGraph;
struct GraphWindowContext;

// Messages of the window.
inline constexpr const char* kChannelGraphNotClosed = "Channel graphs cannot be closed.";
inline constexpr const char* kChannelGraphNotDeleted = "Channel graphs cannot be deleted.";
inline constexpr const char* kOnlyForSubGraphs = "This function is only available for sub-graphs.";
inline constexpr const char* kProcessingZoom = " Processing Zoom";
inline constexpr const char* kEnterNewGraphTitle = " Enter the title of the new graph.";
inline constexpr const char* kNewGraphNameTitle = "New Graph Name";
inline constexpr const char* kGraphNotSaved = "Graph not saved.";
inline constexpr const char* kGraphSaveError = "Error - graph not saved";
inline constexpr const char* kTypeNewGraphName = "Type the new graph name";
inline constexpr const char* kConfirmFileClose = "Files must be closed before being copied. Continue?";
inline constexpr const char* kConfirmFileCloseTitle = "Confirm file close.";
inline constexpr const char* kMoveOnOriginalGraph =
    "This function is unavailable in an Original graph.[nl]Save as a Sub-graph and try again.";
inline constexpr const char* kOffsetOnOriginalGraph =
    "Offset not available on original graphs.  [nl]Choose Graph-Save-As, save the current graph, "
    "then apply offset.";

// Graphs with fewer points than this show point markers in data-value mode.
inline constexpr std::size_t kMarkerPointLimit = 500;

// " C" + channel + " " + X min formatted "#0.00" + " ms": the name Save As proposes.
std::string proposedGraphName(std::int32_t channel, double xMin);

class frmpeGraph final : public QWidget {
    Q_OBJECT
public:
    // Restores the next plot file (an event graph's annotations and titles) when there is one.
    frmpeGraph(clsGraph& owner, GraphWindowContext& context, QWidget* parent = nullptr);
    ~frmpeGraph() override;

    // --- what the owner asks ---------------------------------------------------------------
    void InitGraph(clsGraph& owner, std::int32_t dataSet, std::int32_t graph);
    void SetCaption(const std::string& caption);
    void SetCurrentFileInfo(const std::string& text);
    void SetData(const std::vector<double>& x, const std::vector<double>& y, std::int32_t count,
                 double xStart, double xEnd, double yMin, double yMax);
    void ReSetData(const std::vector<double>& x, const std::vector<double>& y,
                   std::int32_t count, bool redraw);
    void ProcessMsg(std::int32_t code);
    void ExitClose();
    void SetYaxis();
    void ResetAxisLimits(double xMin, double xMax, double yMin, double yMax);
    std::string sGraphValuePE(std::int32_t id) const;
    void SetGraphStrPE(std::int32_t id, const std::string& text);
    double dGraphValuePE(std::int32_t id) const;
    bool MakeJpgFile(const std::string& file, const std::string& title,
                     const std::string& subtitle);
    // The owner goes: nothing is asked of it any more.
    void detachOwner() { m_owner = nullptr; }

    // --- the window ------------------------------------------------------------------------
    void SetThisAsCurrentGraph();
    // The user brought the window forward.
    void Activate();
    void HandleSelected2ptFunction(std::int32_t code);

    void setDragZoom(bool on);
    // A completed zoom box (graph coordinates), as the plot reports it.
    void applyZoomBox(const PlotLimits& box);
    void Unzoom();
    void ResetToFullRange();
    void setPreviewMode(int mode);  // 0 off, 1 landscape, 2 portrait

    // --- state (tests, benchmarks) -----------------------------------------------------------
    clsGraph* owner() const { return m_owner; }
    PlotAdapter& plot() { return *m_adapter; }
    QWidget* plotWidget() const;
    const PlotLimits& limits() const { return m_adapter->state().limits; }
    const ZoomHistory& zoomHistory() const { return m_history; }
    const ClickState& clickState() const { return m_clicks; }
    bool bLoadedFromPlotFile() const { return m_loadedFromPlotFile; }
    bool bZoomed() const { return m_zoomed; }
    int previewMode() const { return m_previewMode; }
    double fullRangeStart() const { return m_fullStart; }
    double fullRangeEnd() const { return m_fullEnd; }
    const std::string& currentFileInfo() const { return m_fileInfo; }
    // Plots drawn so far (each finished replot counts).
    long replots() const { return m_replots; }
    QMdiSubWindow* subWindow() const;
    QAction* action(const char* objectName) const;

Q_SIGNALS:
    // A replot of the plot finished.
    void replotted();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // frmpeGraphMenus.cpp
    void buildMenus();
    void showMenusFor();
    void fillGraphList(QMenu* menu);
    void MenuGraphSave_Click();
    void MenuGraphDelete_Click();
    void MenuRename_Click();
    void MenuSaveAs_Click();
    void MenuRemoveBadDataPt_Click();
    void MenuMoveBadDataPt_Click();
    void MenuOffset_Click();
    void MenuRemoveDownSpikes_Click();
    void startVodCommand(std::int32_t mode);
    void startTwoPointMode(std::int32_t mode, const char* prompt);
    void copyGraph();
    void print();

    // frmpeGraphClicks.cpp
    void plotPressed(QPointF pixel);
    void plotMoved(QPointF pixel);
    void plotReleased(QPointF pixel);
    void plotDoubleClicked(QPointF pixel);
    void pickPoint(std::int32_t point);
    void pairDone(std::int32_t first, std::int32_t second, std::int32_t mode);
    void removePoint(std::int32_t point);
    void movePointTo(double y);
    void impulse(double t1, double t2, bool stopAtZero);
    void twoPointResult(std::int32_t mode, double x1, double y1, double x2, double y2);
    std::int32_t nextAnnotation(std::vector<Annotation>& entries);
    void addAnnotations(const std::vector<Annotation>& added);
    void drawResult(double x1, double y1, double x2, double y2, const std::string& label,
                    std::uint32_t labelColour);

    // frmpeGraph.cpp
    void dataValueOn();
    void dataValueOff();
    void leaveDataValue();
    void normalState();
    void takeFocus();
    void replot();
    void showZooming(bool shown);
    void reloadShown(bool force);
    void setDefaultTitles(bool onlyEmpty);
    bool saveState(const std::string& path, std::string& error) const;
    void layoutPage();

    clsGraph* m_owner;
    GraphWindowContext& m_ctx;
    QMenuBar* m_menuBar = nullptr;
    QLabel* m_txtZooming = nullptr;
    QWidget* m_page = nullptr;
    QCustomPlot* m_plot = nullptr;
    std::unique_ptr<PlotAdapter> m_adapter;

    std::int32_t m_dataSet = 0;
    std::int32_t m_graph = 0;
    bool m_initialised = false;
    bool m_closingAllowed = false;
    bool m_deleting = false;
    bool m_loadedFromPlotFile = false;
    bool m_zoomed = false;
    bool m_dataCursor = false;
    bool m_dragging = false;
    bool m_inDragMove = false;
    std::int32_t m_dragAnnotation = -1;
    int m_previewMode = 0;
    int m_activationDepth = 0;
    double m_fullStart = 0.0, m_fullEnd = 0.0;
    ZoomHistory m_history;
    ClickState m_clicks;
    std::string m_caption;
    std::string m_fileInfo;
    long m_replots = 0;
};

}  // namespace graphs

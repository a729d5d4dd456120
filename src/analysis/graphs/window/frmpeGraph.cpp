#include "analysis/graphs/window/frmpeGraph.h"

#include <qcustomplot.h>

#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPageLayout>
#include <QPageSize>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>

#include "analysis/files/DatasetGraph.h"
#include "analysis/graphs/clsGraph.h"
#include "analysis/graphs/plot/PlotFile.h"
#include "analysis/graphs/plot/PlotMargins.h"
#include "analysis/graphs/window/GraphWindowContext.h"
#include "analysis/shell/BottomBar.h"
#include "analysis/shell/msgGraphs.h"
#include "common/IniFunctions.h"
#include "common/NumberFormat.h"
#include "common/Prompt.h"

namespace graphs {

std::string proposedGraphName(std::int32_t channel, double xMin) {
    return " C" + std::to_string(channel) + " " + common::formatNumber(xMin, "#0.00") + " ms";
}

frmpeGraph::frmpeGraph(clsGraph& owner, GraphWindowContext& context, QWidget* parent)
    : QWidget(parent), m_owner(&owner), m_ctx(context) {
    setObjectName("frmpeGraph");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_menuBar = new QMenuBar(this);
    layout->setMenuBar(m_menuBar);
    m_txtZooming = new QLabel(QString::fromLatin1(kProcessingZoom), this);
    m_txtZooming->setObjectName("txtZooming");
    m_txtZooming->hide();
    layout->addWidget(m_txtZooming);
    m_page = new QWidget(this);
    layout->addWidget(m_page, 1);
    m_plot = new QCustomPlot(m_page);
    m_plot->setObjectName("pegMain");
    m_adapter = std::make_unique<PlotAdapter>(*m_plot);
    m_plot->installEventFilter(this);
    m_page->installEventFilter(this);
    connect(m_plot, &QCustomPlot::afterReplot, this, [this] {
        ++m_replots;
        Q_EMIT replotted();
    });
    buildMenus();
    resize(640, 420);

    // Only an event graph restores a plot file; the name is used once.
    const std::string file = !m_ctx.saveAsPlotFile.empty() ? m_ctx.saveAsPlotFile
                                                           : m_ctx.graphs.NextPlotFile();
    m_ctx.graphs.SetNextPlotFile(std::string());
    std::error_code ec;
    if (owner.bIsEventGraph() && !file.empty() && std::filesystem::exists(file, ec)) {
        const PlotFileRead read = loadPlotFile(file);
        if (read.ok) {
            m_adapter->setTitles(read.state.mainTitle, read.state.subTitle);
            m_adapter->setAxisLabels(read.state.xLabel, read.state.yLabel);
            m_adapter->setAnnotations(read.state.annotations);
            m_loadedFromPlotFile = true;
        } else {
            // A damaged plot file: the graph is drawn plain.
            common::ShowMessage(m_ctx.prompt, read.error);
        }
    }
}

frmpeGraph::~frmpeGraph() = default;

QMdiSubWindow* frmpeGraph::subWindow() const {
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

QWidget* frmpeGraph::plotWidget() const { return m_plot; }

QAction* frmpeGraph::action(const char* objectName) const {
    return findChild<QAction*>(QString::fromLatin1(objectName));
}

void frmpeGraph::InitGraph(clsGraph& owner, std::int32_t dataSet, std::int32_t graph) {
    m_owner = &owner;
    m_dataSet = dataSet;
    m_graph = graph;
    m_initialised = true;
}

void frmpeGraph::SetCaption(const std::string& caption) {
    m_caption = caption;
    const QString title = QString::fromStdString(caption);
    setWindowTitle(title);
    if (QMdiSubWindow* sub = subWindow()) sub->setWindowTitle(title);
}

void frmpeGraph::SetCurrentFileInfo(const std::string& text) {
    m_fileInfo = text;
    if (QAction* info = action("MenuCurrentGraphInfo")) info->setText(QString::fromStdString(text));
}

void frmpeGraph::setDefaultTitles(bool onlyEmpty) {
    if (!m_owner) return;
    const PlotState& s = m_adapter->state();
    PlotText main = s.mainTitle, sub = s.subTitle, x = s.xLabel, y = s.yLabel;
    const auto fill = [onlyEmpty](PlotText& text, std::string value) {
        if (!onlyEmpty || text.text.empty()) text.text = std::move(value);
    };
    fill(main, m_owner->bIsEventGraph() ? m_caption
                                        : "Channel " + std::to_string(m_owner->lChannelNr1to5()));
    if (!m_owner->bIsEventGraph()) main.bold = true;
    fill(sub, m_owner->bIsVODgraph() ? "VOD Data" : "Voltage Data");
    fill(x, "Time (" + m_owner->sCurTimeUnits() + ")");
    fill(y, m_owner->sQUstr());
    m_adapter->setTitles(main, sub);
    m_adapter->setAxisLabels(x, y);
}

void frmpeGraph::SetData(const std::vector<double>& x, const std::vector<double>& y,
                         std::int32_t count, double xStart, double xEnd, double yMin,
                         double yMax) {
    const bool event = m_owner && m_owner->bIsEventGraph();
    const auto n = static_cast<std::size_t>(
        std::clamp<std::int64_t>(count, 0, static_cast<std::int64_t>(std::min(x.size(), y.size()))));
    m_adapter->setPoints(std::vector<double>(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(n)),
                         std::vector<double>(y.begin(), y.begin() + static_cast<std::ptrdiff_t>(n)));
    m_adapter->setLimits(limitsWithMargins(xStart, xEnd, yMin, yMax, event));
    // A channel graph is always titled; an event graph keeps the titles of its plot file and
    // gets the channel graph's labels for those it has not got.
    setDefaultTitles(event);
    showMenusFor();
    m_history.reset(m_adapter->state().limits);
    m_fullStart = m_adapter->state().limits.xMin;
    m_fullEnd = m_adapter->state().limits.xMax;
    m_zoomed = false;
    replot();
}

void frmpeGraph::ReSetData(const std::vector<double>& x, const std::vector<double>& y,
                           std::int32_t count, bool redraw) {
    const auto n = static_cast<std::size_t>(
        std::clamp<std::int64_t>(count, 0, static_cast<std::int64_t>(std::min(x.size(), y.size()))));
    m_adapter->setPoints(std::vector<double>(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(n)),
                         std::vector<double>(y.begin(), y.begin() + static_cast<std::ptrdiff_t>(n)));
    if (m_dataCursor) m_adapter->setMarkers(n < kMarkerPointLimit);
    if (redraw) replot();
}

void frmpeGraph::replot() {
    // A plot without a size has nothing to draw into; its first resize draws it.
    if (m_plot->width() < 2 || m_plot->height() < 2) return;
    m_plot->replot(QCustomPlot::rpQueuedReplot);
}

void frmpeGraph::SetYaxis() {
    if (!m_owner) return;
    PlotText y = m_adapter->state().yLabel;
    y.text = m_owner->sQUstr() + " ";
    m_adapter->setAxisLabels(m_adapter->state().xLabel, y);
    replot();
}

void frmpeGraph::ResetAxisLimits(double xMin, double xMax, double yMin, double yMax) {
    m_adapter->setLimits({xMin, xMax, yMin, yMax});
    replot();
}

std::string frmpeGraph::sGraphValuePE(std::int32_t id) const {
    const PlotState& s = m_adapter->state();
    switch (id) {
    case 222: return s.mainTitle.text;
    case 223: return s.subTitle.text;
    case 224: return s.xLabel.text;
    case 225: return s.yLabel.text;
    case 227: return m_owner ? m_owner->sYunits() : std::string();
    case 228:
        if (m_owner && m_owner->dataset())
            return common::ReadIniString(m_owner->dataset()->setFile().sSetFileName(), "settings",
                                         "Serial Nr")
                .value;
        return {};
    default: return {};
    }
}

void frmpeGraph::SetGraphStrPE(std::int32_t id, const std::string& text) {
    const PlotState& s = m_adapter->state();
    PlotText main = s.mainTitle, sub = s.subTitle, x = s.xLabel, y = s.yLabel;
    switch (id) {
    case 222: main.text = text; break;
    case 223: sub.text = text; break;
    case 224: x.text = text; break;
    case 225: y.text = text; break;
    default: return;
    }
    m_adapter->setTitles(main, sub);
    m_adapter->setAxisLabels(x, y);
    replot();
}

double frmpeGraph::dGraphValuePE(std::int32_t id) const {
    const PlotLimits& l = limits();
    switch (id) {
    case 201: return l.xMin;
    case 202: return l.xMax;
    case 203: return l.yMin;
    case 204: return l.yMax;
    default: return 0.0;
    }
}

bool frmpeGraph::MakeJpgFile(const std::string& file, const std::string& title,
                             const std::string& subtitle) {
    PlotText main = m_adapter->state().mainTitle, sub = m_adapter->state().subTitle;
    main.text = title;
    sub.text = subtitle;
    m_adapter->setTitles(main, sub);
    std::string error;
    if (m_adapter->exportImage(file, 700, 320, error)) return true;
    common::ShowMessage(m_ctx.prompt, error);
    return false;
}

// --- messages ---------------------------------------------------------------------------------

void frmpeGraph::ProcessMsg(std::int32_t code) {
    switch (code) {
    case 1: dataValueOff(); break;
    case 2: setDragZoom(true); break;
    case 3:
        takeFocus();
        m_clicks.setMode(kModeDataValue);
        dataValueOn();
        break;
    case 4:
        common::ShowMessage(m_ctx.prompt, kPromptArrow);
        m_clicks.setMode(kModeArrow);
        break;
    case 5:
        Unzoom();
        m_ctx.graphs.ResetToolbarAndGraph();
        break;
    case 6:
        common::ShowMessage(m_ctx.prompt, kPromptLine);
        m_clicks.setMode(kModeLine);
        break;
    case 7:
        print();
        m_ctx.graphs.ResetToolbarAndGraph();
        break;
    case 8:
        common::ShowMessage(m_ctx.prompt, kPromptInsertText);
        m_clicks.setMode(kModeInsertText);
        break;
    case 9: startVodCommand(kModeVodRegression); break;
    case 10: startTwoPointMode(kModeDelay, kPromptDelay); break;
    case files::kMsgYAxisLabel: SetYaxis(); break;
    case files::kMsgNormalState: normalState(); break;
    case files::kMsgTakeFocus: takeFocus(); break;
    // A graph made without a plot file gets the channel graph's titles.
    case files::kMsgMainTitle:
    case files::kMsgSubtitle:
    case files::kMsgXAxisLabel:
        setDefaultTitles(true);
        replot();
        break;
    case 61: case 62: case 63: case 64: case 65: case 66: case 68:
        HandleSelected2ptFunction(code);
        break;
    default: break;  // the formula window's 41 and 42, and every other code
    }
}

void frmpeGraph::normalState() {
    m_clicks.reset();
    m_dragging = false;
    m_dragAnnotation = -1;
    m_dataCursor = false;
    m_adapter->setMarkers(false);
    setDragZoom(false);
    replot();
}

// Activating another window resets its click state: a mode is entered only after the window
// has taken the focus.
void frmpeGraph::takeFocus() {
    if (QMdiSubWindow* sub = subWindow()) {
        if (QMdiArea* area = sub->mdiArea()) area->setActiveSubWindow(sub);
    }
    setFocus();
}

void frmpeGraph::dataValueOn() {
    m_dataCursor = true;
    m_adapter->setMarkers(m_adapter->state().x.size() < kMarkerPointLimit);
    if (m_ctx.openPointsBox) m_ctx.openPointsBox();
    replot();
}

// What a finished pair leaves: the cursor and its markers off.
void frmpeGraph::leaveDataValue() {
    m_dataCursor = false;
    m_adapter->setMarkers(false);
    unsetCursor();
    replot();
}

void frmpeGraph::dataValueOff() {
    m_clicks.setMode(kModeNormal);
    leaveDataValue();
    setDragZoom(false);
    if (m_ctx.parent) m_ctx.parent->ClosePointsBox();
    if (m_ctx.resetToolbar) m_ctx.resetToolbar();
}

// --- zoom -------------------------------------------------------------------------------------

void frmpeGraph::setDragZoom(bool on) {
    m_adapter->setDragZoom(on, [this](const PlotLimits& box) { applyZoomBox(box); });
    if (m_ctx.toolbarZoom) m_ctx.toolbarZoom(on);
}

void frmpeGraph::showZooming(bool shown) { m_txtZooming->setVisible(shown); }

void frmpeGraph::reloadShown(bool force) {
    if (m_owner) m_owner->ResetPlotPtsChannel(limits().xMin, limits().xMax, force);
}

void frmpeGraph::applyZoomBox(const PlotLimits& box) {
    showZooming(true);
    SetThisAsCurrentGraph();
    m_adapter->setDragZoom(false);
    m_zoomed = true;
    const PlotLimits shown = zoomBoxLimits(m_history.current(), box);
    m_adapter->setLimits(shown);
    reloadShown(false);
    if (m_ctx.resetToolbar) m_ctx.resetToolbar();
    takeFocus();
    m_history.push(shown);
    showZooming(false);
    replot();
}

void frmpeGraph::Unzoom() {
    if (m_history.level() <= 0) return;
    showZooming(true);
    if (const auto previous = m_history.unzoom()) m_adapter->setLimits(*previous);
    reloadShown(true);
    showZooming(false);
    replot();
}

void frmpeGraph::ResetToFullRange() {
    if (m_history.level() <= 0) return;
    showZooming(true);
    m_adapter->setLimits(m_history.resetToFull());
    reloadShown(true);
    showZooming(false);
    replot();
}

// --- activation and closing -------------------------------------------------------------------

void frmpeGraph::SetThisAsCurrentGraph() {
    if (!m_owner) return;
    m_ctx.graphs.SetCurrentGraph(m_owner->lDataSetNr(), m_owner->lGraphNr());
    m_ctx.picked.SetCurrent(m_owner->lDataSetNr(), m_owner->lGraphNr());
    m_ctx.graphs.ShowFormulaBar(!m_owner->bIsVODgraph());
    if (!m_owner->bIsVODgraph() && m_ctx.formulaWindowFor)
        m_ctx.formulaWindowFor(*m_owner, m_caption);
}

void frmpeGraph::Activate() {
    if (m_activationDepth >= 3 || !m_owner) return;
    ++m_activationDepth;
    SetThisAsCurrentGraph();
    m_clicks.reset();
    m_dragging = false;
    m_dragAnnotation = -1;
    if (m_ctx.resetToolbar) m_ctx.resetToolbar();
    if (m_ctx.parent) m_ctx.parent->ClosePointsBox();
    if (m_ctx.closeAxesBox) m_ctx.closeAxesBox();
    m_activationDepth = 0;
}

bool frmpeGraph::saveState(const std::string& path, std::string& error) const {
    // The plot file keeps titles, labels, limits and annotations; the points come from the
    // test when the graph is made again.
    PlotState state = m_adapter->state();
    state.x.clear();
    state.y.clear();
    state.markers = false;
    return savePlotFile(path, state, error);
}

void frmpeGraph::ExitClose() {
    m_closingAllowed = true;
    if (QMdiSubWindow* sub = subWindow())
        sub->close();
    else
        close();
}

void frmpeGraph::closeEvent(QCloseEvent* event) {
    if (!m_owner) {
        event->accept();
        return;
    }
    if (!m_owner->bIsEventGraph()) {
        if (!m_closingAllowed) {
            common::ShowMessage(m_ctx.prompt, kChannelGraphNotClosed);
            event->ignore();
            return;
        }
    } else {
        if (!m_deleting) {
            std::string error;
            const std::string file = m_owner->sPlotFile();
            if (!file.empty() && !saveState(file, error)) common::ShowMessage(m_ctx.prompt, error);
        }
        m_owner->SetClosedByUser();
    }
    m_owner = nullptr;
    event->accept();
}

// --- print preview ----------------------------------------------------------------------------

void frmpeGraph::setPreviewMode(int mode) {
    m_previewMode = std::clamp(mode, 0, 2);
    if (QAction* a = action("MenuPreviewOff")) a->setChecked(m_previewMode == 0);
    if (QAction* a = action("MenuPreviewLandscape")) a->setChecked(m_previewMode == 1);
    if (QAction* a = action("MenuPreviewPortrait")) a->setChecked(m_previewMode == 2);
    layoutPage();
    replot();
}

void frmpeGraph::layoutPage() {
    const QSize room = m_page->size();
    // A page not laid out yet has no room: the plot keeps its size until it has.
    if (room.width() < 2 || room.height() < 2) return;
    if (m_previewMode == 0) {
        m_plot->setGeometry(0, 0, room.width(), room.height());
        return;
    }
    // The control takes the printed page's shape, as large as fits.
    const QPageLayout page(QPageSize(QPageSize::A4),
                           m_previewMode == 1 ? QPageLayout::Landscape : QPageLayout::Portrait,
                           QMarginsF());
    const QSizeF paper = page.fullRect(QPageLayout::Point).size();
    const double scale = std::min(room.height() / paper.height(), room.width() / paper.width());
    const int w = std::max(1, static_cast<int>(paper.width() * scale));
    const int h = std::max(1, static_cast<int>(paper.height() * scale));
    m_plot->setGeometry((room.width() - w) / 2, (room.height() - h) / 2, w, h);
}

void frmpeGraph::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!isMinimized()) layoutPage();
}

}  // namespace graphs

#include "analysis/graphs/clsGraph.h"

#include "common/Error.h"
#include "common/IniFunctions.h"
#include "common/NumberFormat.h"

namespace graphs {

clsGraph::clsGraph(ViewFactory makeView) : m_makeView(std::move(makeView)) {}

clsGraph::~clsGraph() = default;

files::GraphFactory clsGraph::factory(ViewFactory makeView) {
    return [makeView]() -> std::unique_ptr<files::DatasetGraph> {
        return std::make_unique<clsGraph>(makeView);
    };
}

void clsGraph::SetGraphAndDataSetNr(std::int32_t graph, std::int32_t dataSet) {
    m_graphNr = graph;
    m_dataSetNr = dataSet;
}

double clsGraph::divisor() const { return m_dataset ? m_dataset->dTimeDivisor() : 1.0; }

std::optional<double> clsGraph::graphReal(const char* key) const {
    try {
        return m_dataset->dGetGraphIniValue(m_graphNr, key);
    } catch (const common::Error&) {
        return std::nullopt;
    }
}

void clsGraph::Setup(files::clsDataset& dataset, const std::string& setName) {
    m_dataset = &dataset;
    m_vod = dataset.bVODchannel(m_channel);

    std::string info = " VOD test";
    if (!m_vod) {
        // The range is only a caption; a channel without it still shows its points.
        try {
            const files::MaxMinVoltages range = dataset.GetMaxMinVoltages(m_channel);
            info = " DC " + common::formatNumber(range.min, "0.0") + " V to " +
                   common::formatNumber(range.max, "0.0") + " V";
        } catch (const common::Error&) {
            info = " DC";
        }
    }

    m_view = m_makeView ? m_makeView(*this) : std::make_unique<HeadlessGraphView>();
    m_view->SetCurrentFileInfo(setName + " Channel " + std::to_string(m_channel) + info);

    const common::SampleTime& time = dataset.sampleTime();
    const double f = divisor();
    if (!m_isEvent) {
        m_view->SetCaption("Channel " + std::to_string(m_channel));
        m_view->InitGraph(*this, m_dataSetNr, m_graphNr);
        files::PlotPoints points = dataset.SetPlotDataMaxMinAll(m_graphNr);
        const double xMin = points.xMin, xMax = points.xMax;
        const double yMin = points.yMin, yMax = points.yMax;
        take(std::move(points), xMin, xMax);
        m_view->SetData(m_x, m_y, m_record.count, xMin, xMax, yMin, yMax);
        return;
    }

    const double wholeStart = time.timeOfIndex(1);
    const double wholeEnd = time.timeOfIndex(std::max(time.N, 1));
    const double startMs = graphReal("StartTimeInMilliSec").value_or(wholeStart);
    const double endMs = graphReal("EndTimeMilliSec").value_or(wholeEnd);
    const std::string title = dataset.sGetGraphIniStrDefault(m_graphNr, "EventTitle", "");
    files::PlotPoints points = dataset.SetPlotDataMaxMinTimes(m_graphNr, startMs, endMs);
    double yMin = points.yMin, yMax = points.yMax;
    if (dataset.bGetGraphIniBool(m_graphNr, "YS")) {
        yMin = graphReal("Y1").value_or(yMin);
        yMax = graphReal("Y2").value_or(yMax);
    }
    m_view->SetCaption(title);
    m_view->InitGraph(*this, m_dataSetNr, m_graphNr);
    take(std::move(points), startMs / f, endMs / f);
    m_view->SetData(m_x, m_y, m_record.count, startMs / f, endMs / f, yMin, yMax);
}

files::PlotPoints clsGraph::load(double start, double end) {
    const double f = divisor();
    return m_dataset->SetPlotDataMaxMinTimes(m_graphNr, start * f, end * f);
}

void clsGraph::take(files::PlotPoints&& points, double start, double end) {
    m_x = std::move(points.x);
    m_y = std::move(points.y);
    m_index = std::move(points.index);
    m_record.count = static_cast<std::int32_t>(m_x.size());
    m_record.start = start;
    m_record.end = end;
    m_record.valid = true;
    m_record.thinned = points.reduced;
}

void clsGraph::ResetPlotPtsChannel(double start, double end, bool force) {
    if (!m_dataset) return;
    const bool reload = !m_record.valid || start < m_record.start || end > m_record.end ||
                        m_record.count > files::kCoarsePlotPoints || m_record.thinned || force;
    if (!reload) {
        m_record.valid = true;
        return;
    }
    take(load(start, end), start, end);
    if (m_view) m_view->ReSetData(m_x, m_y, m_record.count, true);
}

void clsGraph::SetPlotPtsEvent(double start, double end, bool replot) {
    if (!m_dataset) return;
    files::PlotPoints points = load(start, end);
    const double yMin = points.yMin, yMax = points.yMax;
    take(std::move(points), start, end);
    if (!m_view) return;
    if (replot)
        m_view->ReSetData(m_x, m_y, m_record.count, true);
    else
        m_view->SetData(m_x, m_y, m_record.count, start, end, yMin, yMax);
}

void clsGraph::Reload() {
    if (!m_dataset) return;
    if (m_record.valid) {
        ResetPlotPtsChannel(m_record.start, m_record.end, true);
        return;
    }
    files::PlotPoints points = m_dataset->SetPlotDataMaxMinAll(m_graphNr);
    const double xMin = points.xMin, xMax = points.xMax;
    take(std::move(points), xMin, xMax);
    if (m_view) m_view->ReSetData(m_x, m_y, m_record.count, true);
}

void clsGraph::ProcessGraphMsg(std::int32_t code) {
    if (m_view) m_view->ProcessMsg(code);
}

void clsGraph::CloseGraph() {
    if (m_closedByUser) return;
    if (m_view) m_view->ExitClose();
    m_view.reset();
}

bool clsGraph::Get1Pt(std::int32_t i, double& x, double& y) const {
    if (i < 0 || static_cast<std::size_t>(i) >= m_x.size()) return false;
    x = m_x[static_cast<std::size_t>(i)];
    y = m_y[static_cast<std::size_t>(i)];
    return true;
}

bool clsGraph::Get2Pts(std::int32_t i, std::int32_t j, double& x1, double& y1, double& x2,
                       double& y2) const {
    if (!Get1Pt(i, x1, y1)) return false;
    return Get1Pt(j, x2, y2);
}

std::string clsGraph::sPlotFile() const {
    return m_dataset ? m_dataset->sGetEventPlotName(m_event) : std::string();
}

std::int32_t clsGraph::lNextAnnotationNr() {
    return m_dataset ? m_dataset->lGetNextGraphIniLong(m_graphNr, "NrAnnotations") : 1;
}

bool clsGraph::bGraphSetting(std::int32_t id) const {
    switch (id) {
    case 101:
    case 104: return true;
    case 102: return !m_vod;
    case 103: return !m_isEvent;
    case 106: return m_vod;
    default: return false;
    }
}

std::string clsGraph::sYunits() const {
    if (!m_dataset) return files::kDefaultYUnits;
    if (m_vod) {
        const auto unit = common::ReadIniString(m_dataset->setFile().sSetFileName(), "settings",
                                                "Length unit for unit resistance");
        return unit.found && !unit.value.empty() ? unit.value : "Unknown m or ft";
    }
    return m_dataset->sGetGraphIniStrDefault(m_graphNr, "Y units", files::kDefaultYUnits);
}

std::string clsGraph::sVODunits() const { return sYunits() + "/s"; }

std::string clsGraph::sQUstr() const {
    std::string quantity = m_vod ? "Distance" : files::kDefaultYQuantity;
    if (m_isEvent && m_dataset)
        quantity = m_dataset->sGetGraphIniStrDefault(m_graphNr, "Y quantity", quantity);
    return quantity + " (" + sYunits() + ")";
}

std::string clsGraph::sCurTimeUnits() const {
    return m_dataset ? m_dataset->sTimeUnits() : std::string("ms");
}

void clsGraph::SaveStartEndTimes(double t1, double t2, double y1, double y2) {
    if (!m_dataset) return;
    const double f = divisor();
    m_dataset->SaveNewStartEndTimes(m_graphNr, t1 * f, t2 * f);
    m_dataset->SaveNewStartEndYvalues(m_graphNr, y1, y2);
}

void clsGraph::SetAxisLimits(double xMin, double xMax, double yMin, double yMax) {
    if (m_view) m_view->ResetAxisLimits(xMin, xMax, yMin, yMax);
    ResetPlotPtsChannel(xMin, xMax, false);
}

void clsGraph::SetPlottedY(std::int32_t i, double y) {
    if (i < 0 || static_cast<std::size_t>(i) >= m_y.size()) return;
    m_y[static_cast<std::size_t>(i)] = y;
}

bool clsGraph::OuputToJpeg(const std::string& file, const std::string& title,
                           const std::string& subtitle) {
    return m_view && m_view->MakeJpgFile(file, title, subtitle);
}

std::string clsGraph::sGetGraphString(std::int32_t id) const {
    return m_view ? m_view->sGraphValuePE(id) : std::string();
}

void clsGraph::G_SetGraphStr(std::int32_t id, const std::string& text) {
    if (m_view) m_view->SetGraphStrPE(id, text);
}

double clsGraph::dGraphValue(std::int32_t id) const {
    if (id == 211) return m_channel;
    return m_view ? m_view->dGraphValuePE(id) : 0.0;
}

bool clsGraph::DeleteCurGraph() { return m_dataset && m_dataset->DeleteGraph(m_graphNr); }

}  // namespace graphs

#pragma once
// The model of one plotted curve: which channel or event it shows, the points it plots and
// what range they were loaded for. It passes requests between its dataset and its window;
// without a window factory it runs headless (HeadlessGraphView).
//
// Times given to and kept by the graph are display times (milliseconds divided by the
// dataset's time divisor); the dataset is asked in milliseconds.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/files/DatasetGraph.h"
#include "analysis/files/clsDataset.h"
#include "analysis/graphs/GraphView.h"

namespace graphs {

using ViewFactory = std::function<std::unique_ptr<GraphView>(clsGraph& owner)>;

// What range the plotted arrays were last loaded for.
struct LoadRecord {
    std::int32_t count = 0;
    double start = 0.0;  // display time
    double end = 0.0;
    bool valid = false;
    bool thinned = false;  // the dataset reduced the range
};

class clsGraph final : public files::DatasetGraph {
public:
    explicit clsGraph(ViewFactory makeView = {});
    ~clsGraph() override;

    // A factory for clsDataset that makes graphs with windows from makeView (headless when
    // empty).
    static files::GraphFactory factory(ViewFactory makeView = {});

    // --- identity (set by the dataset before Setup) ----------------------------------------
    void SetGraphAndDataSetNr(std::int32_t graph, std::int32_t dataSet) override;
    void SetChannelNr(std::int32_t channel) override { m_channel = channel; }
    void SetEventNr(std::int32_t event) override { m_event = event; }
    void SetAsEvent(bool isEvent) override { m_isEvent = isEvent; }
    std::int32_t lGraphNr() const { return m_graphNr; }
    std::int32_t lDataSetNr() const { return m_dataSetNr; }
    std::int32_t lChannelNr1to5() const { return m_channel; }
    std::int32_t lEventNr() const { return m_event; }
    bool bIsEventGraph() const { return m_isEvent; }

    // --- life ----------------------------------------------------------------------------
    void Setup(files::clsDataset& dataset, const std::string& setName) override;
    void Reload() override;
    // Delivers the code to the window.
    void ProcessGraphMsg(std::int32_t code) override;
    // Closes the window unless the user already did.
    void CloseGraph() override;
    void SetClosedByUser() { m_closedByUser = true; }
    bool bClosedByUser() const { return m_closedByUser; }

    // --- what the graph shows --------------------------------------------------------------
    bool bIsVODgraph() const { return m_vod; }
    // 1 for a VOD channel, 2 for a scope channel (as "Channel TestType").
    std::int32_t GetPlnChannelType() const { return m_vod ? 1 : 2; }
    // X and Y of plotted point i (0-based, as in the arrays); false outside the arrays.
    bool Get1Pt(std::int32_t i, double& x, double& y) const;
    bool Get2Pts(std::int32_t i, std::int32_t j, double& x1, double& y1, double& x2,
                 double& y2) const;
    std::string sPlotFile() const;
    std::int32_t lNextAnnotationNr();
    // 101, 104 true; 102 not a VOD graph; 103 not an event graph; 105 false; 106 a VOD
    // graph; any other id false.
    bool bGraphSetting(std::int32_t id) const;
    std::string sVODunits() const;
    std::string sYunits() const;
    std::string sQUstr() const;
    std::string sCurTimeUnits() const;

    // --- loading points ----------------------------------------------------------------------
    // Reload rule: the arrays are read again when the record is not valid, the range
    // reaches outside the loaded one, the last load was coarse (more than 12096 points) or
    // thinned, or force is set. The record is valid afterwards in every case.
    void ResetPlotPtsChannel(double start, double end, bool force);
    // Loads an event graph's arrays for a new range: ReSetData when replot, else SetData.
    void SetPlotPtsEvent(double start, double end, bool replot);
    void SaveStartEndTimes(double t1, double t2, double y1, double y2);
    bool DeleteCurGraph();
    // Window ResetAxisLimits, then the reload rule for the new X range.
    void SetAxisLimits(double xMin, double xMax, double yMin, double yMax);
    // Sets the plotted value of point i (0-based); a removed point takes kMissingValue.
    void SetPlottedY(std::int32_t i, double y);

    // The window's picture of the plot with the two titles (calibration averages).
    bool OuputToJpeg(const std::string& file, const std::string& title,
                     const std::string& subtitle);

    // --- window-held values ------------------------------------------------------------------
    std::string sGetGraphString(std::int32_t id) const;
    void G_SetGraphStr(std::int32_t id, const std::string& text);
    // 211 the channel number; otherwise the window's value.
    double dGraphValue(std::int32_t id) const;

    // --- times -------------------------------------------------------------------------------
    // The one conversion between the graph's display times and the dataset's milliseconds.
    double dDisplayToMs(double displayTime) const { return displayTime * divisor(); }
    double dMsToDisplay(double ms) const { return ms / divisor(); }

    const std::vector<double>& xValues() const { return m_x; }
    const std::vector<double>& yValues() const { return m_y; }
    const std::vector<std::int32_t>& pointIndexes() const { return m_index; }
    const LoadRecord& loadRecord() const { return m_record; }
    GraphView* view() const { return m_view.get(); }
    files::clsDataset* dataset() const { return m_dataset; }

private:
    files::PlotPoints load(double start, double end);
    void take(files::PlotPoints&& points, double start, double end);
    std::optional<double> graphReal(const char* key) const;
    double divisor() const;

    ViewFactory m_makeView;
    std::unique_ptr<GraphView> m_view;
    files::clsDataset* m_dataset = nullptr;

    std::int32_t m_graphNr = 0;
    std::int32_t m_dataSetNr = 0;
    std::int32_t m_channel = 0;
    std::int32_t m_event = 0;
    bool m_isEvent = false;
    bool m_vod = false;
    bool m_closedByUser = false;

    std::vector<double> m_x;
    std::vector<double> m_y;
    std::vector<std::int32_t> m_index;
    LoadRecord m_record;
};

}  // namespace graphs

#pragma once
// One opened test set of the analysis program: its set file, its mapped samples, one
// conversion table per channel, and its graphs (one per channel, one per stored event).
//
// Opening (bSetupDataAndGraphs) runs in numbered steps; a failure ends it with false, shows
// "Error " & step & " : Graphs not shown." (unless quiet) and leaves the dataset closed:
//   1 start, 2 set file read, 3 loading the samples, 4 building the tables,
//   5 channel graphs, 6 event graphs, 7 finishing.
// sLastError() keeps the cause for callers that can show more (the command-line program).
//
// Graph numbers are stable: the channel graphs are 1..K in channel order (K channels that are
// not switched off), and event e is graph K + e whether or not earlier events were deleted.
// The side files of a graph (removed and moved points) are named by its graph number, so a
// deleted event must not hand its number, and with it its side files, to the next event.
//
// Only events whose section exists in the set file are made ("NrEventGraphs" may claim more
// than were ever stored); events whose channel is not a channel of the test, or is switched
// off, are not shown either (eventsNotShown()).
//
// The samples are never copied: each channel graph's points are answered from the mapped
// words through a min/max pyramid built in one pass when the test is opened.
//
// A set file that cannot be written (read-only file or folder) is opened for viewing: the
// user is told so, and later writes of graph keys are dropped rather than forced through.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/files/ChannelSamples.h"
#include "analysis/files/DatasetGraph.h"
#include "analysis/files/MinMaxPyramid.h"
#include "analysis/files/PlotPoints.h"
#include "analysis/files/PointEdits.h"
#include "analysis/files/clasSetFileEC.h"
#include "common/Progress.h"
#include "common/Prompt.h"
#include "common/SampleTime.h"

namespace common {
class CMapFile;
}

namespace files {

class TempRawFile;

enum class GraphKind { Channel, Event, Analysis };

// What happened to a channel's conversion table when the test was opened.
enum class TableState {
    NotBuilt,        // the channel is switched off, or the test is not open
    Built,
    NoTableForModel, // hand-held recorder tests carry no table
    NotConvertible,  // the calibration gives no finite value (see tableNote())
};

struct ChannelInfo {
    bool isScope = false;
    std::int32_t channel = 0;
    std::int32_t socket = 0;  // "Scope BNC Number", default the channel number
};

struct MaxMinVoltages {
    double max = 0.0;
    double min = 0.0;
};

// The calls the dataset makes to the rest of the program; each may be left empty.
struct DatasetHooks {
    // The current dataset and graph (step 1 of opening).
    std::function<void(std::int32_t dataSet, std::int32_t graph)> setCurrentGraph;
    // The test has a scope channel (the main window shows its scope menu).
    std::function<void()> scopeChannelFound;
    // The plot file the next graph window restores.
    std::function<void(const std::string& plotFile)> setNextPlotFile;
    // The table of a scope event graph: the channel's table passed through the graph's
    // "Y formula". Empty, or returning nullptr: the channel's table is used as it is.
    std::function<std::shared_ptr<const std::vector<double>>(const std::vector<double>& channel,
                                                             const std::string& formula)>
        formulaTable;
};

// Messages of the dataset.
inline constexpr const char* kAllGraphsDrawn = "All graphs drawn.";
inline constexpr const char* kHideUninitialised = "Hide uninitialised data?";
inline constexpr const char* kCannotOpenRawFile = "Error - can't open raw data file. ";
std::string readOnlyNotice();
// "Error " & step & " : Graphs not shown."
std::string graphsNotShownMessage(int step);
// "Graph " & i & " of " & total, and " (" & deleted & " deleted )" when deleted > 0.
std::string graphProgressText(std::int32_t i, std::int32_t total, std::int32_t deleted);

// Defaults of the graph keys.
inline constexpr const char* kDefaultYFormula = "1*V+0";
inline constexpr const char* kDefaultYQuantity = "Voltage";
inline constexpr const char* kDefaultYUnits = "V";

class clsDataset {
public:
    clsDataset(common::Prompt& prompt, common::Progress& progress, GraphFactory makeGraph,
               DatasetHooks hooks = {});
    ~clsDataset();
    clsDataset(const clsDataset&) = delete;
    clsDataset& operator=(const clsDataset&) = delete;

    // --- opening -----------------------------------------------------------------------
    bool bSetupDataAndGraphs(const std::string& setFilePath, std::int32_t lDataSetNr, bool quiet);
    bool bDoneSetup() const { return m_done; }
    std::int32_t lDataSetNr() const { return m_dataSetNr; }
    const std::string& sLastError() const { return m_lastError; }
    int lLastErrorStep() const { return m_lastErrorStep; }
    // Closes the graphs, unmaps the data and removes a temporary decompressed copy.
    void CloseAll();

    // --- the test ----------------------------------------------------------------------
    clasSetFileEC& setFile() { return m_setFile; }
    const clasSetFileEC& setFile() const { return m_setFile; }
    bool bVODchannel(int channel) const { return m_setFile.bIsVODchannel(channel); }
    std::int32_t lGetMainWithDefault(std::string_view key, std::int32_t defaultValue) const {
        return m_setFile.lMainLongWithDefault(key, defaultValue);
    }
    ChannelInfo GetChannelInfo(std::int32_t graph) const;
    MaxMinVoltages GetMaxMinVoltages(int channel) const;
    std::string sFileNoPathNoExtDotAtEnd() const { return m_setFile.sGetNameNoPathNoExtDotAtEnd(); }
    // The set file's path cut before the first "." of its file name, ".plot" and the event
    // number with three digits: /data/Test01.plot005 beside /data/Test01.crv.
    std::string sGetEventPlotName(std::int32_t event) const;
    // The set file can be written: the file itself and its folder (writes replace the file).
    bool bTestCurIniFileWriteable() const;
    // Lines "S" & socket & ": " & title of every shown event graph of a scope channel.
    std::vector<std::string> FillScopeGraphListBox() const;

    std::int32_t lNrChannels() const { return m_nrChannels; }
    std::int32_t lPointsPerChannel() const { return m_time.N; }
    double dFirstPointTime() const { return m_time.t0; }
    const common::SampleTime& sampleTime() const { return m_time; }
    const std::string& sRawFilePath() const { return m_rawPath; }
    bool bCompressed() const { return m_compressed; }
    // Memory not filled ("OFL" = 0), the user's answer to hide, the last valid point.
    bool bMemoryNotFilled() const { return m_memoryNotFilled; }
    bool bHideUninitialised() const { return m_hide; }
    std::int32_t lLastValidPoint() const { return m_lastValidPoint; }
    TableState tableState(int channel) const;
    const std::string& tableNote(int channel) const;
    std::vector<std::int32_t> eventsNotShown() const { return m_eventsNotShown; }
    std::int32_t lDeletedEvents() const { return m_deletedEvents; }

    // --- time unit ---------------------------------------------------------------------
    std::string sTimeUnits() const;
    void SetNewTimeMultiplier(double factor, const std::string& units);
    // What millisecond times are divided by for display: the factor of the chosen unit, or
    // 1 (also for a factor of 0 or one that is not a positive finite number).
    double dTimeDivisor() const;

    // --- graphs ------------------------------------------------------------------------
    std::vector<std::int32_t> graphNumbers() const;  // every graph made, deleted or not
    bool bHasGraph(std::int32_t graph) const { return m_graphs.count(graph) != 0; }
    DatasetGraph* graph(std::int32_t graph) const;
    GraphKind graphKind(std::int32_t graph) const;
    std::int32_t graphChannel(std::int32_t graph) const;
    std::int32_t graphEvent(std::int32_t graph) const;  // 0 for a channel graph
    const std::string& graphSection(std::int32_t graph) const;
    bool bGraphDeleted(std::int32_t graph) const;
    // Delivers the code to a graph that exists and is not deleted.
    void SendGraphMsg(std::int32_t graph, std::int32_t code);

    // --- graph keys ----------------------------------------------------------------------
    double dGetGraphIniValue(std::int32_t graph, std::string_view key) const;
    std::int32_t lGetGraphIniVal(std::int32_t graph, std::string_view key) const;
    std::string sGetGraphIniStr(std::int32_t graph, std::string_view key) const;
    bool bGetGraphIniBool(std::int32_t graph, std::string_view key) const;
    std::string sGetGraphIniStrDefault(std::int32_t graph, std::string_view key,
                                       std::string_view defaultValue) const;
    std::int32_t lGetGraphIniValDefault(std::int32_t graph, std::string_view key,
                                        std::int32_t defaultValue) const;
    // The graph's counter plus one, written back (not written when the set file is
    // read-only).
    std::int32_t lGetNextGraphIniLong(std::int32_t graph, std::string_view key);
    void WriteGraphIniStr(std::int32_t graph, std::string_view key, std::string_view value);
    void WriteAlzGraphIniStr(std::int32_t analysisGraph, std::string_view key,
                             std::string_view value);

    void NewYaxisUnits(std::int32_t graph, const std::string& quantity, const std::string& units);
    void NewFormulaReplot(std::int32_t graph, const std::string& formula,
                          const std::string& quantity, const std::string& units);
    void SaveNewStartEndYvalues(std::int32_t graph, double y1, double y2);
    void SaveNewStartEndTimes(std::int32_t graph, double startMs, double endMs);

    // A new event graph of the channel; its graph number, or 0 when none was made (no such
    // channel, or a set file that cannot be written). Throws std::overflow_error when
    // "NrEventGraphs" cannot grow.
    std::int32_t AddNewEventGraph(std::int32_t channel, double startMs, double endMs,
                                  const std::string& title, const std::string& formula,
                                  const std::string& quantity, const std::string& units);
    // A new event graph from the graph's current time range and Y range, with its Y keys,
    // annotation count and removed and moved points; its graph number, or 0.
    std::int32_t SaveGraphAs(std::int32_t graph, const std::string& title, double startMs,
                             double endMs, double y1, double y2);
    // Marks an event graph deleted ("Graph Deleted" = "T"), deletes its moved-points files
    // and closes it. Channel graphs cannot be deleted: false.
    bool DeleteGraph(std::int32_t graph);

    // --- values and points ---------------------------------------------------------------
    // The removed and moved points of a graph (owned by the caller; nullptr: none).
    void SetPointEdits(std::int32_t graph, const PointEdits* edits);
    const PointEdits& pointEdits(std::int32_t graph) const;
    // The graph's conversion table (empty when the channel has none).
    CodeTable graphTable(std::int32_t graph) const;
    ChannelSamples channelSamples(int channel) const;
    // The graph value rule: moved value, table value, or nothing for a removed point (and
    // for a channel without a table or an index outside 1..N).
    std::optional<double> graphValue(std::int32_t graph, std::int32_t index) const;

    // Points of the whole record, or of a time range in milliseconds, reduced to at most
    // maxPoints. With uninitialised data hidden, points after the last valid one are left
    // out.
    PlotPoints SetPlotDataMaxMinAll(std::int32_t graph, std::int32_t maxPoints = kMaxPlotPoints);
    PlotPoints SetPlotDataMaxMinTimes(std::int32_t graph, double startMs, double endMs,
                                      std::int32_t maxPoints = kMaxPlotPoints);

private:
    struct GraphSlot {
        GraphKind kind = GraphKind::Channel;
        std::int32_t channel = 0;
        std::int32_t event = 0;
        std::string section;
        std::shared_ptr<const std::vector<double>> table;
        const PointEdits* edits = nullptr;
        std::unique_ptr<DatasetGraph> graph;
        bool deleted = false;
    };
    struct ChannelTableSlot {
        TableState state = TableState::NotBuilt;
        std::shared_ptr<const std::vector<double>> table;
        std::string note;
    };
    struct PyramidSlot {
        std::int32_t channel = 0;
        std::shared_ptr<const std::vector<double>> table;
        std::unique_ptr<MinMaxPyramid> pyramid;
    };

    bool openSteps(const std::string& setFilePath, std::int32_t dataSetNr, bool quiet, int& step);
    bool loadSamples();
    void buildTables();
    void buildChannelPyramids();
    void makeChannelGraph(int channel);
    void makeEventGraph(std::int32_t event, std::int32_t channel);
    std::vector<std::int32_t> storedEvents(std::int32_t claimed) const;
    std::shared_ptr<const std::vector<double>> eventTable(std::int32_t graph, int channel) const;
    void showProgress();
    void closeProgress();
    void ensureNotAnnotated(int channel);

    const GraphSlot& slot(std::int32_t graph) const;
    GraphSlot& slot(std::int32_t graph);
    std::string sectionOf(std::int32_t graph) const { return slot(graph).section; }
    PlotSource plotSource(const GraphSlot& graph, std::int64_t first, std::int64_t last);
    PlotPoints pointsOf(std::int32_t graph, std::int32_t first, std::int32_t last,
                        std::int32_t maxPoints);
    void copyGraphSideFiles(std::int32_t fromGraph, std::int32_t toGraph);
    void clearEventLeftovers(std::int32_t event, std::int32_t number);

    common::Prompt& m_prompt;
    common::Progress& m_progress;
    GraphFactory m_makeGraph;
    DatasetHooks m_hooks;

    std::int32_t m_dataSetNr = 0;
    clasSetFileEC m_setFile;
    std::unique_ptr<common::CMapFile> m_map;
    std::string m_rawPath;
    std::unique_ptr<TempRawFile> m_temporaryRaw;  // a decompressed copy, removed on closing
    bool m_compressed = false;
    const std::uint16_t* m_words = nullptr;
    std::int64_t m_wordCount = 0;
    std::int32_t m_nrChannels = 0;
    common::SampleTime m_time{1.0, 0.0, 0};

    double m_timeUnitFlag = 0.0;  // -1 once a time unit was chosen
    double m_timeFactor = 1.0;
    std::string m_timeUnitText;

    bool m_memoryNotFilled = false;
    bool m_hide = false;
    std::int32_t m_lastValidPoint = 0;

    std::map<int, ChannelTableSlot> m_tables;
    std::vector<PyramidSlot> m_pyramids;
    std::map<std::int32_t, GraphSlot> m_graphs;
    std::int32_t m_channelGraphs = 0;
    std::vector<std::int32_t> m_eventsNotShown;
    std::int32_t m_deletedEvents = 0;

    std::int32_t m_progressIndex = 0;
    std::int32_t m_progressTotal = 0;

    bool m_done = false;
    std::string m_lastError;
    int m_lastErrorStep = 0;
};

}  // namespace files

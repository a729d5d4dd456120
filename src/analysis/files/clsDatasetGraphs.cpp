// The graphs of a dataset and the keys they keep in their sections of the set file.

#include <filesystem>
#include <stdexcept>

#include "analysis/files/Compress.h"
#include "analysis/files/SetFileKeys.h"
#include "analysis/files/clsDataset.h"
#include "common/Error.h"
#include "common/Ini.h"
#include "common/IniFunctions.h"

namespace files {
namespace {

constexpr std::string_view kNrAnnotations = "NrAnnotations";
constexpr std::string_view kYFormula = "Y formula";
constexpr std::string_view kYQuantity = "Y quantity";
constexpr std::string_view kYUnits = "Y units";
constexpr std::string_view kStartTime = "StartTimeInMilliSec";
constexpr std::string_view kEndTime = "EndTimeMilliSec";
constexpr std::string_view kEventChannel = "EventChannelNr";
constexpr std::string_view kEventTitle = "EventTitle";
constexpr std::string_view kGraphDeleted = "Graph Deleted";
constexpr std::string_view kRemovedCounter = "Removed";
constexpr std::string_view kMovedCounter = "Moved";

bool isIdentityFormula(const std::string& formula) {
    return formula.empty() || formula == kDefaultYFormula;
}

}  // namespace

// --- graph slots -------------------------------------------------------------------------

const clsDataset::GraphSlot& clsDataset::slot(std::int32_t graph) const {
    const auto found = m_graphs.find(graph);
    if (found == m_graphs.end())
        throw std::invalid_argument("The test has no graph " + std::to_string(graph) + ".");
    return found->second;
}

clsDataset::GraphSlot& clsDataset::slot(std::int32_t graph) {
    return const_cast<GraphSlot&>(static_cast<const clsDataset&>(*this).slot(graph));
}

std::vector<std::int32_t> clsDataset::graphNumbers() const {
    std::vector<std::int32_t> numbers;
    for (const auto& [number, graphSlot] : m_graphs) numbers.push_back(number);
    return numbers;
}

DatasetGraph* clsDataset::graph(std::int32_t graph) const {
    const auto found = m_graphs.find(graph);
    return found == m_graphs.end() ? nullptr : found->second.graph.get();
}

GraphKind clsDataset::graphKind(std::int32_t graph) const { return slot(graph).kind; }
std::int32_t clsDataset::graphChannel(std::int32_t graph) const { return slot(graph).channel; }
std::int32_t clsDataset::graphEvent(std::int32_t graph) const { return slot(graph).event; }
const std::string& clsDataset::graphSection(std::int32_t graph) const { return slot(graph).section; }
bool clsDataset::bGraphDeleted(std::int32_t graph) const { return slot(graph).deleted; }

void clsDataset::SendGraphMsg(std::int32_t graph, std::int32_t code) {
    const auto found = m_graphs.find(graph);
    if (found == m_graphs.end() || found->second.deleted || !found->second.graph) return;
    found->second.graph->ProcessGraphMsg(code);
}

// --- making graphs -------------------------------------------------------------------------

void clsDataset::ensureNotAnnotated(int channel) {
    // Channel graphs start without annotations. A missing key already reads as 0, so the
    // set file is written only when it holds another count.
    const std::string section = clasSetFileEC::sChannelSection(channel);
    const auto stored = common::ReadIniString(m_setFile.sSetFileName(), section, kNrAnnotations);
    if (!stored.found || stored.value == "0" || !bTestCurIniFileWriteable()) return;
    try {
        m_setFile.WriteStrInCurSet(section, kNrAnnotations, "0");
    } catch (const std::exception&) {
        // The count is only a hint for the window; a set file that cannot take it stays.
    }
}

void clsDataset::makeChannelGraph(int channel) {
    if (!m_makeGraph) throw std::logic_error("dataset without a graph factory");
    const std::int32_t number = ++m_channelGraphs;
    GraphSlot& graphSlot = m_graphs[number];
    graphSlot.kind = GraphKind::Channel;
    graphSlot.channel = channel;
    graphSlot.section = clasSetFileEC::sChannelSection(channel);
    graphSlot.table = m_tables[channel].table;
    ensureNotAnnotated(channel);
    graphSlot.graph = m_makeGraph();
    DatasetGraph& g = *graphSlot.graph;
    g.SetGraphAndDataSetNr(number, m_dataSetNr);
    g.SetChannelNr(channel);
    g.SetEventNr(0);
    g.SetAsEvent(false);
    g.Setup(*this, m_setFile.sSetFileName());
    if (!bVODchannel(channel) && m_hooks.scopeChannelFound) m_hooks.scopeChannelFound();
}

std::shared_ptr<const std::vector<double>> clsDataset::eventTable(std::int32_t graph,
                                                                  int channel) const {
    const auto found = m_tables.find(channel);
    if (found == m_tables.end() || !found->second.table) return nullptr;
    const std::shared_ptr<const std::vector<double>>& base = found->second.table;
    if (bVODchannel(channel) || !m_hooks.formulaTable) return base;
    const std::string formula = sGetGraphIniStrDefault(graph, kYFormula, kDefaultYFormula);
    if (isIdentityFormula(formula)) return base;
    auto table = m_hooks.formulaTable(*base, formula);
    if (!table || table->size() < static_cast<std::size_t>(kCodeCount)) return base;
    return table;
}

void clsDataset::makeEventGraph(std::int32_t event, std::int32_t channel) {
    if (!m_makeGraph) throw std::logic_error("dataset without a graph factory");
    const std::int32_t number = m_channelGraphs + event;
    GraphSlot& graphSlot = m_graphs[number];
    if (graphSlot.graph && !graphSlot.deleted) graphSlot.graph->CloseGraph();
    graphSlot = GraphSlot{};
    graphSlot.kind = GraphKind::Event;
    graphSlot.channel = channel;
    graphSlot.event = event;
    graphSlot.section = clasSetFileEC::sEventSection(event);
    graphSlot.table = eventTable(number, channel);
    if (m_hooks.setNextPlotFile) m_hooks.setNextPlotFile(sGetEventPlotName(event));
    graphSlot.graph = m_makeGraph();
    DatasetGraph& g = *graphSlot.graph;
    g.SetGraphAndDataSetNr(number, m_dataSetNr);
    g.SetChannelNr(channel);
    g.SetEventNr(event);
    g.SetAsEvent(true);
    g.Setup(*this, m_setFile.sSetFileName());
}

// --- the test ------------------------------------------------------------------------------

ChannelInfo clsDataset::GetChannelInfo(std::int32_t graph) const {
    ChannelInfo info;
    info.channel = slot(graph).channel;
    info.isScope = !bVODchannel(info.channel);
    if (info.isScope)
        info.socket =
            m_setFile.lChannelLongWithDefault(info.channel, SetFileKeys::ScopeBncNumber, info.channel);
    return info;
}

MaxMinVoltages clsDataset::GetMaxMinVoltages(int channel) const {
    MaxMinVoltages v;
    v.max = m_setFile.dGetChannelDouble(channel, SetFileKeys::MaxVoltage);
    v.min = m_setFile.dGetChannelDouble(channel, SetFileKeys::MinVoltage);
    return v;
}

std::vector<std::string> clsDataset::FillScopeGraphListBox() const {
    std::vector<std::string> lines;
    for (const auto& [number, graphSlot] : m_graphs) {
        if (graphSlot.kind != GraphKind::Event || graphSlot.deleted) continue;
        if (bVODchannel(graphSlot.channel)) continue;
        const std::int32_t socket = m_setFile.lChannelLongWithDefault(
            graphSlot.channel, SetFileKeys::ScopeBncNumber, graphSlot.channel);
        lines.push_back("S" + std::to_string(socket) + ": " +
                        sGetGraphIniStrDefault(number, kEventTitle, ""));
    }
    return lines;
}

// --- graph keys ----------------------------------------------------------------------------

double clsDataset::dGetGraphIniValue(std::int32_t graph, std::string_view key) const {
    return m_setFile.dGetSetDouble(sectionOf(graph), key);
}

std::int32_t clsDataset::lGetGraphIniVal(std::int32_t graph, std::string_view key) const {
    return m_setFile.lGetSetLongInt(sectionOf(graph), key);
}

std::string clsDataset::sGetGraphIniStr(std::int32_t graph, std::string_view key) const {
    return m_setFile.sCurSetStr(sectionOf(graph), key);
}

bool clsDataset::bGetGraphIniBool(std::int32_t graph, std::string_view key) const {
    return m_setFile.bIsSettingTrue(sectionOf(graph), key);
}

std::string clsDataset::sGetGraphIniStrDefault(std::int32_t graph, std::string_view key,
                                               std::string_view defaultValue) const {
    const auto stored = common::ReadIniString(m_setFile.sSetFileName(), sectionOf(graph), key);
    return stored.found ? stored.value : std::string(defaultValue);
}

std::int32_t clsDataset::lGetGraphIniValDefault(std::int32_t graph, std::string_view key,
                                                std::int32_t defaultValue) const {
    try {
        return m_setFile.lGetSetLongInt(sectionOf(graph), key);
    } catch (const common::Error&) {
        return defaultValue;
    }
}

std::int32_t clsDataset::lGetNextGraphIniLong(std::int32_t graph, std::string_view key) {
    if (!bTestCurIniFileWriteable()) return lGetGraphIniValDefault(graph, key, 0) + 1;
    return m_setFile.lRead_Increment_Return(sectionOf(graph), key);
}

void clsDataset::WriteGraphIniStr(std::int32_t graph, std::string_view key,
                                  std::string_view value) {
    // The user was told at opening that changes to a read-only set file are not saved.
    if (!bTestCurIniFileWriteable()) return;
    m_setFile.WriteStrInCurSet(sectionOf(graph), key, value);
}

void clsDataset::WriteAlzGraphIniStr(std::int32_t analysisGraph, std::string_view key,
                                     std::string_view value) {
    if (!bTestCurIniFileWriteable()) return;
    m_setFile.WriteStrInCurSet("AnalysisGraph_" + std::to_string(analysisGraph), key, value);
}

void clsDataset::NewYaxisUnits(std::int32_t graph, const std::string& quantity,
                               const std::string& units) {
    WriteGraphIniStr(graph, kYQuantity, quantity);
    WriteGraphIniStr(graph, kYUnits, units);
    SendGraphMsg(graph, kMsgYAxisLabel);
}

void clsDataset::NewFormulaReplot(std::int32_t graph, const std::string& formula,
                                  const std::string& quantity, const std::string& units) {
    WriteGraphIniStr(graph, kYFormula, formula);
    WriteGraphIniStr(graph, kYQuantity, quantity);
    WriteGraphIniStr(graph, kYUnits, units);
    GraphSlot& graphSlot = slot(graph);
    if (graphSlot.kind != GraphKind::Event) return;
    graphSlot.table = eventTable(graph, graphSlot.channel);
    if (graphSlot.graph && !graphSlot.deleted) graphSlot.graph->Reload();
    SendGraphMsg(graph, kMsgYAxisLabel);
}

void clsDataset::SaveNewStartEndYvalues(std::int32_t graph, double y1, double y2) {
    WriteGraphIniStr(graph, "Y1", common::realToText(y1));
    WriteGraphIniStr(graph, "Y2", common::realToText(y2));
}

void clsDataset::SaveNewStartEndTimes(std::int32_t graph, double startMs, double endMs) {
    WriteGraphIniStr(graph, kStartTime, common::realToText(startMs));
    WriteGraphIniStr(graph, kEndTime, common::realToText(endMs));
}

// --- new and deleted event graphs ------------------------------------------------------------

// A new event may get the number of a section left behind beyond "NrEventGraphs" (a file
// edited by hand, a counter that was reset). Its keys ("Graph Deleted", fixed Y limits,
// point counters), its side files and its plot file would otherwise pass to the new graph.
void clsDataset::clearEventLeftovers(std::int32_t event, std::int32_t number) {
    const std::string section = clasSetFileEC::sEventSection(event);
    for (const std::string& key : common::ini::keysOf(m_setFile.sSetFileName(), section))
        common::ini::removeKey(m_setFile.sSetFileName(), section, key);
    for (const std::int32_t kind : {kRemovedPointsFile, kMovedPointsFile1, kMovedPointsFile2}) {
        try {
            RemoveFileIfPresent(m_setFile.sCustomFileName(kind, number));
        } catch (const common::Error&) {
            break;  // no side files above graph 300
        }
    }
    RemoveFileIfPresent(sGetEventPlotName(event));
}

std::int32_t clsDataset::AddNewEventGraph(std::int32_t channel, double startMs, double endMs,
                                          const std::string& title, const std::string& formula,
                                          const std::string& quantity, const std::string& units) {
    if (!m_done || channel < 1 || channel > m_nrChannels || m_setFile.bSkipChannel(channel))
        return 0;
    // An event lives in its section: without a writable set file it could not be made.
    if (!bTestCurIniFileWriteable()) {
        common::ShowMessage(m_prompt, readOnlyNotice());
        return 0;
    }
    const std::int32_t event =
        m_setFile.wRead_Increment_Return(SetFileKeys::Settings, SetFileKeys::NrEventGraphs);
    if (event < 1 || static_cast<std::int64_t>(m_channelGraphs) + event > INT32_MAX) return 0;
    const std::int32_t number = m_channelGraphs + event;
    clearEventLeftovers(event, number);
    const std::string section = clasSetFileEC::sEventSection(event);
    m_setFile.WriteStrInCurSet(section, kStartTime, common::realToText(startMs));
    m_setFile.WriteStrInCurSet(section, kEndTime, common::realToText(endMs));
    m_setFile.WriteStrInCurSet(section, kEventChannel, std::to_string(channel));
    m_setFile.WriteStrInCurSet(section, kEventTitle, title);
    m_setFile.WriteStrInCurSet(section, kNrAnnotations, "0");
    m_setFile.WriteStrInCurSet(section, kYFormula, formula);
    m_setFile.WriteStrInCurSet(section, kYQuantity, quantity);
    m_setFile.WriteStrInCurSet(section, kYUnits, units);
    makeEventGraph(event, channel);
    SendGraphMsg(number, kMsgYAxisLabel);
    SendGraphMsg(number, kMsgNormalState);
    return number;
}

void clsDataset::copyGraphSideFiles(std::int32_t fromGraph, std::int32_t toGraph) {
    for (const std::int32_t kind : {kRemovedPointsFile, kMovedPointsFile1, kMovedPointsFile2}) {
        std::string from;
        std::string to;
        try {
            from = m_setFile.sCustomFileName(kind, fromGraph);
            to = m_setFile.sCustomFileName(kind, toGraph);
        } catch (const common::Error&) {
            return;  // graph numbers above 300 have no side files
        }
        std::error_code ec;
        if (!std::filesystem::exists(from, ec)) {
            std::filesystem::remove(to, ec);  // a stale file must not pose as the copy
            continue;
        }
        std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing,
                                   ec);
        if (ec)
            throw common::IoError("Cannot copy " + from + " to " + to + ": " + ec.message());
    }
}

std::int32_t clsDataset::SaveGraphAs(std::int32_t graph, const std::string& title,
                                     double startMs, double endMs, double y1, double y2) {
    const GraphSlot& source = slot(graph);
    const std::int32_t channel = source.channel;
    const std::string formula = sGetGraphIniStrDefault(graph, kYFormula, kDefaultYFormula);
    const std::string quantity = sGetGraphIniStrDefault(graph, kYQuantity, kDefaultYQuantity);
    const std::string units = sGetGraphIniStrDefault(graph, kYUnits, kDefaultYUnits);
    const std::int32_t annotations = lGetGraphIniValDefault(graph, kNrAnnotations, 0);
    const bool sourceIsEvent = source.kind == GraphKind::Event;
    const std::int32_t removed = lGetGraphIniValDefault(graph, kRemovedCounter, 0);
    const std::int32_t moved = lGetGraphIniValDefault(graph, kMovedCounter, 0);

    if (!m_done || channel < 1 || channel > m_nrChannels || m_setFile.bSkipChannel(channel))
        return 0;
    if (!bTestCurIniFileWriteable()) {
        common::ShowMessage(m_prompt, readOnlyNotice());
        return 0;
    }
    const std::int32_t event =
        m_setFile.wRead_Increment_Return(SetFileKeys::Settings, SetFileKeys::NrEventGraphs);
    if (event < 1 || static_cast<std::int64_t>(m_channelGraphs) + event > INT32_MAX) return 0;
    const std::int32_t number = m_channelGraphs + event;
    clearEventLeftovers(event, number);
    const std::string section = clasSetFileEC::sEventSection(event);
    m_setFile.WriteStrInCurSet(section, kStartTime, common::realToText(startMs));
    m_setFile.WriteStrInCurSet(section, kEndTime, common::realToText(endMs));
    m_setFile.WriteStrInCurSet(section, kEventChannel, std::to_string(channel));
    m_setFile.WriteStrInCurSet(section, kEventTitle, title);
    m_setFile.WriteStrInCurSet(section, kNrAnnotations, std::to_string(annotations));
    m_setFile.WriteStrInCurSet(section, kYFormula, formula);
    m_setFile.WriteStrInCurSet(section, kYQuantity, quantity);
    m_setFile.WriteStrInCurSet(section, kYUnits, units);
    // Only event graphs carry removed and moved points.
    if (sourceIsEvent) {
        copyGraphSideFiles(graph, number);
        m_setFile.WriteStrInCurSet(section, kRemovedCounter, std::to_string(removed));
        m_setFile.WriteStrInCurSet(section, kMovedCounter, std::to_string(moved));
    }
    m_setFile.WriteStrInCurSet(section, "YS", "T");
    m_setFile.WriteStrInCurSet(section, "Y1", common::realToText(y1));
    m_setFile.WriteStrInCurSet(section, "Y2", common::realToText(y2));

    makeEventGraph(event, channel);
    for (const std::int32_t code :
         {kMsgYAxisLabel, kMsgMainTitle, kMsgSubtitle, kMsgXAxisLabel, kMsgNormalState})
        SendGraphMsg(number, code);
    return number;
}

bool clsDataset::DeleteGraph(std::int32_t graph) {
    const auto found = m_graphs.find(graph);
    if (found == m_graphs.end() || found->second.kind != GraphKind::Event ||
        found->second.deleted)
        return false;
    GraphSlot& graphSlot = found->second;
    WriteGraphIniStr(graph, kGraphDeleted, "T");
    for (const std::int32_t kind : {kMovedPointsFile1, kMovedPointsFile2}) {
        try {
            RemoveFileIfPresent(m_setFile.sCustomFileName(kind, graph));
        } catch (const common::Error&) {
            // no side files above graph 300
        }
    }
    if (graphSlot.graph) graphSlot.graph->CloseGraph();
    graphSlot.deleted = true;
    graphSlot.edits = nullptr;
    return true;
}

}  // namespace files

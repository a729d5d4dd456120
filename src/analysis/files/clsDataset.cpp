// Opening and closing a test set.

#include "analysis/files/clsDataset.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <stdexcept>

#include "analysis/files/Compress.h"
#include "analysis/files/CreateTable.h"
#include "analysis/files/SetFileKeys.h"
#include "analysis/files/TempRawFile.h"
#include "common/CMapFile.h"
#include "common/Error.h"
#include "common/FileNames.h"
#include "common/Ini.h"

namespace files {
namespace {

using Keys = SetFileKeys;

constexpr std::int32_t kMostChannels = 5;

std::string describe(const std::exception& e) {
    if (const auto* error = dynamic_cast<const common::Error*>(&e)) {
        std::string text = error->description().empty() ? std::string(e.what())
                                                        : error->description();
        return "Error " + std::to_string(error->number()) + " (" + error->source() + "): " + text;
    }
    return e.what();
}

// "Event" followed by a number written the way sEventSection writes it (no sign, no
// leading zero); 0 for any other section name.
std::int64_t eventNumberOfSection(const std::string& section) {
    constexpr std::string_view prefix = "event";
    if (section.size() <= prefix.size() || section.size() > prefix.size() + 10) return 0;
    for (std::size_t k = 0; k < prefix.size(); ++k)
        if (std::tolower(static_cast<unsigned char>(section[k])) != prefix[k]) return 0;
    if (section[prefix.size()] == '0') return 0;
    std::int64_t n = 0;
    for (std::size_t k = prefix.size(); k < section.size(); ++k) {
        if (section[k] < '0' || section[k] > '9') return 0;
        n = n * 10 + (section[k] - '0');
    }
    return n;
}

}  // namespace

std::string readOnlyNotice() {
    return "The settings file is read-only.  You will not be able to save changes to graphs.[nl]"
           "If the files were copied from a CD, select them, then choose "
           "menu-file-properties and untick read-only.[nl]"
           "If the files are on a CD, you can only view them.";
}

std::string graphsNotShownMessage(int step) {
    return "Error " + std::to_string(step) + " : Graphs not shown.";
}

std::string graphProgressText(std::int32_t i, std::int32_t total, std::int32_t deleted) {
    std::string text = "Graph " + std::to_string(i) + " of " + std::to_string(total);
    if (deleted > 0) text += " (" + std::to_string(deleted) + " deleted )";
    return text;
}

clsDataset::clsDataset(common::Prompt& prompt, common::Progress& progress, GraphFactory makeGraph,
                       DatasetHooks hooks)
    : m_prompt(prompt), m_progress(progress), m_makeGraph(std::move(makeGraph)),
      m_hooks(std::move(hooks)) {}

clsDataset::~clsDataset() { CloseAll(); }

bool clsDataset::bSetupDataAndGraphs(const std::string& setFilePath, std::int32_t lDataSetNr,
                                     bool quiet) {
    // A dataset opened again starts from nothing; the user's answer to hide uninitialised
    // data stays for the life of the dataset.
    CloseAll();
    m_lastError.clear();
    m_lastErrorStep = 0;
    int step = 1;
    try {
        if (openSteps(setFilePath, lDataSetNr, quiet, step)) return true;
        closeProgress();
        CloseAll();
        return false;
    } catch (const std::exception& e) {
        m_lastError = describe(e);
        m_lastErrorStep = step;
    } catch (...) {
        m_lastError = "unknown failure";
        m_lastErrorStep = step;
    }
    closeProgress();
    if (!quiet) common::ShowMessage(m_prompt, graphsNotShownMessage(step));
    CloseAll();
    return false;
}

bool clsDataset::openSteps(const std::string& setFilePath, std::int32_t dataSetNr, bool quiet,
                           int& step) {
    // 1. The current dataset and graph.
    m_dataSetNr = dataSetNr;
    if (m_hooks.setCurrentGraph) m_hooks.setCurrentGraph(dataSetNr, 1);

    // 2. The set file.
    m_setFile.Setup(setFilePath);
    step = 2;
    if (!common::FileExists(setFilePath))
        throw std::runtime_error("The set file " + setFilePath + " does not exist.");
    const std::int32_t claimedEvents =
        std::max<std::int32_t>(0, m_setFile.lMainLongWithDefault(Keys::NrEventGraphs, 0));
    const std::int32_t channels = m_setFile.wNrChannels();
    if (channels < 1 || channels > kMostChannels)
        throw std::runtime_error("The set file gives " + std::to_string(channels) +
                                 " channels; a test has 1 to " + std::to_string(kMostChannels) +
                                 ".");
    m_nrChannels = channels;

    // 3. Time unit.
    if (m_setFile.bIsSettingTrue(Keys::Settings, "Change Time"))
        SetNewTimeMultiplier(m_setFile.lMainLongWithDefault("Change Time Factor", 1),
                             m_setFile.sGetMainStr("Change Time Units"));

    // 4. Progress over every channel and every stored event.
    const std::vector<std::int32_t> events = storedEvents(claimedEvents);
    m_progressTotal = channels + static_cast<std::int32_t>(events.size());
    m_progressIndex = 1;
    m_deletedEvents = 0;
    showProgress();

    // 5. Samples.
    step = 3;
    if (!loadSamples()) return false;

    // 6. Tables.
    step = 4;
    buildTables();
    buildChannelPyramids();

    // 7. Channel graphs.
    step = 5;
    for (int c = 1; c <= channels; ++c) {
        m_progressIndex = c;
        showProgress();
        if (!m_setFile.bSkipChannel(c)) makeChannelGraph(c);
    }

    // 8. Event graphs.
    step = 6;
    for (std::size_t k = 0; k < events.size(); ++k) {
        const std::int32_t e = events[k];
        m_progressIndex = channels + static_cast<std::int32_t>(k) + 1;
        if (m_setFile.bIsSettingTrue(clasSetFileEC::sEventSection(e), "Graph Deleted")) {
            ++m_deletedEvents;
            showProgress();
            continue;
        }
        showProgress();
        const std::int32_t channel = m_setFile.lEventLongWithDefault(e, "EventChannelNr", 1);
        if (channel < 1 || channel > m_nrChannels || m_setFile.bSkipChannel(channel))
            m_eventsNotShown.push_back(e);
        else
            makeEventGraph(e, channel);
    }

    // 9. - 11. Finishing.
    step = 7;
    closeProgress();
    if (!quiet) common::ShowMessage(m_prompt, kAllGraphsDrawn);
    if (!bTestCurIniFileWriteable()) common::ShowMessage(m_prompt, readOnlyNotice());
    SendGraphMsg(1, kMsgTakeFocus);
    m_done = true;
    return true;
}

// Events 1..claimed whose section exists, in order. "NrEventGraphs" is only a counter: a
// damaged or hand-edited file may claim millions, and no more events than sections exist
// can hold a time range or a title.
std::vector<std::int32_t> clsDataset::storedEvents(std::int32_t claimed) const {
    std::vector<std::int32_t> events;
    // The graph number K + e must stay a 32-bit number.
    const std::int64_t highest =
        std::min<std::int64_t>(claimed, INT32_MAX - static_cast<std::int64_t>(m_nrChannels));
    for (const std::string& section : common::ini::sectionsOf(m_setFile.sSetFileName())) {
        const std::int64_t e = eventNumberOfSection(section);
        if (e >= 1 && e <= highest) events.push_back(static_cast<std::int32_t>(e));
    }
    std::sort(events.begin(), events.end());
    events.erase(std::unique(events.begin(), events.end()), events.end());
    return events;
}

bool clsDataset::loadSamples() {
    // 1. The data file, or a decompressed copy of it.
    m_compressed = m_setFile.bIsSettingTrue(Keys::Settings, Keys::RawFileCompressed);
    if (m_compressed) {
        const std::string cmp = m_setFile.sGetLongCmpName();
        auto temp = std::make_unique<TempRawFile>();
        const CompressionResult result = DecompressToTemp(cmp, *temp);
        if (!result) {
            m_lastError = result.reason;
            m_lastErrorStep = 3;
            common::ShowMessage(m_prompt, std::string(kCannotOpenRawFile) + cmp);
            return false;
        }
        m_rawPath = temp->path().string();
        m_temporaryRaw = std::move(temp);
    } else {
        m_rawPath = m_setFile.sGetLongRawName();
    }

    // 3. Only the known models are loaded; any other stays without data.
    if (!m_setFile.bIsCorvane() && !m_setFile.bIsPellion() && !m_setFile.bIsQuiddor()) {
        m_time = common::SampleTime{1.0, 0.0, 0};
        return true;
    }

    // 2., 4. Map the file; N and the first point's time.
    common::RecordTiming record;
    record.nrChannels = m_nrChannels;
    record.sampleSpeedInHz = m_setFile.lGetSetLongInt(Keys::Settings, Keys::SampleSpeedInHz);
    record.preTriggerPts = m_setFile.lMainLongWithDefault(Keys::PreTriggerPts, 0);
    record.stopPressed = m_setFile.bIsSettingTrue(Keys::Settings, Keys::StopPressed);
    record.triggered = m_setFile.bIsSettingTrue(Keys::Settings, Keys::Triggered);
    if (!(record.sampleSpeedInHz > 0))
        throw std::runtime_error("The set file gives a sample speed of " +
                                 std::to_string(m_setFile.lGetSetLongInt(
                                     Keys::Settings, Keys::SampleSpeedInHz)) +
                                 " Hz; a recording has a positive sample speed.");

    std::error_code ec;
    const bool empty = std::filesystem::is_regular_file(m_rawPath, ec) &&
                       std::filesystem::file_size(m_rawPath, ec) == 0 && !ec;
    m_map = std::make_unique<common::CMapFile>();
    if (empty) {
        // An empty data file holds no points: the test opens with empty graphs.
        record.words = 0;
    } else {
        if (!m_map->bMapFileRead(m_rawPath, m_nrChannels, true)) {
            m_lastError = m_map->lastError();
            m_lastErrorStep = 3;
            common::ShowMessage(m_prompt, std::string(kCannotOpenRawFile) + m_rawPath);
            return false;
        }
        const std::span<const std::uint16_t> words = m_map->words();
        m_words = words.data();
        m_wordCount = static_cast<std::int64_t>(words.size());
        record.words = m_wordCount;
    }
    m_time = common::sampleTimeOfRecord(record);

    // 5. Uninitialised data at the end of a memory that was not filled.
    m_memoryNotFilled = m_setFile.lMainLongWithDefault(Keys::OFL, 1) == 0;
    m_lastValidPoint = m_time.N;
    if (m_memoryNotFilled) {
        // Without "ASTOP" the end of the recording is unknown: nothing is hidden.
        const std::int32_t astop = m_setFile.lMainLongWithDefault(Keys::ASTOP, -1);
        if (astop >= 0) {
            const std::int64_t last = (static_cast<std::int64_t>(astop) + 1) / m_nrChannels - 1;
            m_lastValidPoint = static_cast<std::int32_t>(
                std::clamp<std::int64_t>(last, 0, m_time.N));
        }
        if (m_lastValidPoint < m_time.N && !m_hide)
            m_hide = m_prompt.askYesNo(kHideUninitialised, common::kMessageTitle);
    }
    return true;
}

void clsDataset::buildTables() {
    for (int c = 1; c <= m_nrChannels; ++c) {
        ChannelTableSlot& slotOfChannel = m_tables[c];
        slotOfChannel = ChannelTableSlot{};
        if (m_setFile.bSkipChannel(c)) continue;
        ChannelTable table = CreateChannelTable(m_setFile, c, m_prompt);
        switch (table.status) {
        case TableStatus::Built:
            if (table.values.size() < static_cast<std::size_t>(kCodeCount))
                throw std::logic_error("conversion table of channel " + std::to_string(c) +
                                       " is short");
            slotOfChannel.state = TableState::Built;
            slotOfChannel.table =
                std::make_shared<const std::vector<double>>(std::move(table.values));
            break;
        case TableStatus::NoTable: slotOfChannel.state = TableState::NoTableForModel; break;
        case TableStatus::NotConvertible:
            // The test opens; the channel's graphs stay empty, and the user learns why.
            slotOfChannel.state = TableState::NotConvertible;
            slotOfChannel.note = table.reason;
            common::ShowMessage(m_prompt, table.reason);
            break;
        case TableStatus::NewerVersion:  // the user has been told
            slotOfChannel.state = TableState::NotConvertible;
            slotOfChannel.note = table.reason;
            break;
        }
    }
}

// The pyramids of every channel with a table, in one pass over the file.
void clsDataset::buildChannelPyramids() {
    m_pyramids.clear();
    if (!m_words || m_time.N == 0) return;
    std::vector<MinMaxPyramid::ChannelRequest> requests;
    std::vector<int> channels;
    for (const auto& [c, table] : m_tables) {
        if (!table.table) continue;
        requests.push_back({c, CodeTable(*table.table)});
        channels.push_back(c);
    }
    auto pyramids = MinMaxPyramid::buildForChannels(m_words, m_wordCount, m_nrChannels, requests);
    for (std::size_t k = 0; k < pyramids.size(); ++k)
        m_pyramids.push_back(
            PyramidSlot{channels[k], m_tables[channels[k]].table, std::move(pyramids[k])});
}

void clsDataset::showProgress() {
    m_progress.setText(graphProgressText(m_progressIndex, m_progressTotal, m_deletedEvents));
    if (m_progressTotal > 0)
        m_progress.setFraction(static_cast<double>(m_progressIndex) / m_progressTotal);
    // Opening always completes: a stop asked here would leave a half-made dataset.
    (void)m_progress.step();
}

void clsDataset::closeProgress() {
    m_progress.setText("");
    m_progress.setFraction(0.0);
}

void clsDataset::CloseAll() {
    for (auto& [number, graphSlot] : m_graphs)
        if (graphSlot.graph && !graphSlot.deleted) graphSlot.graph->CloseGraph();
    m_graphs.clear();
    m_channelGraphs = 0;
    m_eventsNotShown.clear();
    m_deletedEvents = 0;
    m_pyramids.clear();
    m_tables.clear();
    m_words = nullptr;
    m_wordCount = 0;
    if (m_map) m_map->UnMapFile();
    m_map.reset();
    m_temporaryRaw.reset();  // removes the decompressed copy
    m_rawPath.clear();
    m_compressed = false;
    m_time = common::SampleTime{1.0, 0.0, 0};
    m_memoryNotFilled = false;
    m_lastValidPoint = 0;
    m_timeUnitFlag = 0.0;
    m_timeFactor = 1.0;
    m_timeUnitText.clear();
    m_done = false;
}

bool clsDataset::bTestCurIniFileWriteable() const {
    const std::string& path = m_setFile.sSetFileName();
    if (path.empty() || ::access(path.c_str(), W_OK) != 0) return false;
    // A file marked read-only (no write permission for anyone) stays read-only even for a
    // user whom the system would let write it: the user marked it so.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return false;
    // Writes replace the file through a new file in its folder.
    std::string folder = common::SplitPath(path).directory;
    if (folder.empty()) folder = ".";
    return ::access(folder.c_str(), W_OK) == 0;
}

std::string clsDataset::sGetEventPlotName(std::int32_t event) const {
    char number[16];
    std::snprintf(number, sizeof number, "%03d", static_cast<int>(event));
    return common::NameUpToFirstDot(m_setFile.sSetFileName()) + ".plot" + number;
}

TableState clsDataset::tableState(int channel) const {
    const auto found = m_tables.find(channel);
    return found == m_tables.end() ? TableState::NotBuilt : found->second.state;
}

const std::string& clsDataset::tableNote(int channel) const {
    static const std::string none;
    const auto found = m_tables.find(channel);
    return found == m_tables.end() ? none : found->second.note;
}

std::string clsDataset::sTimeUnits() const { return m_timeUnitFlag != 0.0 ? m_timeUnitText : "ms"; }

void clsDataset::SetNewTimeMultiplier(double factor, const std::string& units) {
    m_timeUnitFlag = -1.0;
    m_timeFactor = factor;
    m_timeUnitText = units;
}

double clsDataset::dTimeDivisor() const {
    if (m_timeUnitFlag == 0.0) return 1.0;
    // A factor of 0 counts as 1; so does one that would turn or break the time axis.
    if (!std::isfinite(m_timeFactor) || m_timeFactor <= 0.0) return 1.0;
    return m_timeFactor;
}

}  // namespace files

#include "InfoCommand.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "ChannelTableInfo.h"
#include "JsonText.h"
#include "analysis/files/SetFileKeys.h"
#include "analysis/files/clasSetFileEC.h"
#include "common/Error.h"
#include "common/IniFunctions.h"
#include "common/SampleTime.h"

namespace cli {
namespace {

namespace fs = std::filesystem;
using Keys = files::SetFileKeys;

// Set files are a few kilobytes; anything this large is not one.
constexpr std::uintmax_t kLargestSetFile = 16u << 20;
constexpr std::int32_t kMostChannels = 5;

[[noreturn]] void fail(const std::string& message) { throw std::runtime_error(message); }

std::string readWhole(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) fail("Cannot read set file " + path + ": " + std::strerror(errno));
    std::string content;
    char buffer[16384];
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            fail("Cannot read set file " + path + ": " + std::strerror(error));
        }
        if (n == 0) break;
        content.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return content;
}

// A set file is INI text: control characters other than line ends, tabs, form feeds and the
// old end-of-file mark (0x1A) only appear in binary files.
bool looksLikeText(const std::string& content) {
    for (const char ch : content) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v' && c != 0x1A)
            return false;
    }
    return true;
}

void checkSetFile(const std::string& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status)) fail("Set file " + path + " not found");
    if (!fs::is_regular_file(status)) fail("Set file " + path + " is not a file");
    const std::uintmax_t size = fs::file_size(path, ec);
    if (!ec && size > kLargestSetFile)
        fail("Set file " + path + " is too large to be a set file (" + std::to_string(size) +
             " bytes)");
    const std::string content = readWhole(path);
    if (content.empty()) fail("Set file " + path + " is empty");
    if (!looksLikeText(content)) fail("Set file " + path + " is not a text file");
}

std::uintmax_t dataFileSize(const std::string& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status)) fail("Data file " + path + " not found");
    if (!fs::is_regular_file(status)) fail("Data file " + path + " is not a file");
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec) fail("Cannot read data file " + path + ": " + ec.message());
    if (::access(path.c_str(), R_OK) != 0)
        fail("Cannot read data file " + path + ": " + std::strerror(errno));
    if (size == 0) fail("Data file " + path + " is empty");
    return size;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    if (text.empty()) return lines;
    std::size_t pos = 0;
    while (true) {
        const std::size_t end = text.find("\r\n", pos);
        lines.push_back(text.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
        if (end == std::string::npos) break;
        pos = end + 2;
    }
    return lines;
}

// A voltage that is not recorded is unknown; one that is recorded must be a number.
std::optional<double> channelVoltage(const files::clasSetFileEC& set, int channel,
                                     std::string_view key) {
    if (!common::ReadIniString(set.sSetFileName(), files::clasSetFileEC::sChannelSection(channel),
                               key)
             .found)
        return std::nullopt;
    return set.dGetChannelDouble(channel, key);
}

// Text for the terminal: control characters of a comment shown as "?".
std::string printable(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') c = '?';
    return text;
}

std::string milliseconds(std::optional<double> ms) {
    if (!ms) return "unknown (compressed data)";
    char text[64];
    std::snprintf(text, sizeof text, "%.4f ms", *ms);
    return text;
}

std::string volts(std::optional<double> v) { return v ? common::realToText(*v) : "?"; }

}  // namespace

TestSetInfo readTestSetInfo(const std::string& setFile) {
    checkSetFile(setFile);
    files::clasSetFileEC set;
    set.Setup(setFile);

    TestSetInfo info;
    info.setFile = setFile;
    info.model = set.sGetMainStr(Keys::DataCollector);

    info.channelCount = set.wNrChannels();
    if (info.channelCount < 1 || info.channelCount > kMostChannels)
        fail("NrChannels is " + std::to_string(info.channelCount) + "; a test has 1 to " +
             std::to_string(kMostChannels) + " channels");

    info.sampleRateHz = set.lGetSetLongInt(Keys::Settings, Keys::SampleSpeedInHz);
    if (info.sampleRateHz <= 0)
        fail("SampleSpeedInHz is " + std::to_string(info.sampleRateHz) +
             "; the sample rate must be above 0 Hz");

    info.triggered = set.bIsSettingTrue(Keys::Settings, Keys::Triggered);
    info.stopPressed = set.bIsSettingTrue(Keys::Settings, Keys::StopPressed);
    const bool wholeRecordBeforeTrigger = info.stopPressed && !info.triggered;
    std::int32_t preTriggerPts = 0;
    if (!wholeRecordBeforeTrigger) {
        preTriggerPts = set.lGetSetLongInt(Keys::Settings, Keys::PreTriggerPts);
        if (preTriggerPts < 0)
            fail("PreTriggerPts is " + std::to_string(preTriggerPts) + "; it cannot be negative");
    }

    info.compressed = set.bIsSettingTrue(Keys::Settings, Keys::RawFileCompressed);
    info.dataFile = info.compressed ? set.sGetLongCmpName() : set.sGetLongRawName();
    const std::uintmax_t bytes = dataFileSize(info.dataFile);
    info.dataFileBytes = static_cast<std::int64_t>(bytes);

    common::RecordTiming record{.words = 0,
                                .nrChannels = info.channelCount,
                                .sampleSpeedInHz = static_cast<double>(info.sampleRateHz),
                                .preTriggerPts = preTriggerPts,
                                .stopPressed = info.stopPressed,
                                .triggered = info.triggered};
    if (info.compressed) {
        info.warnings.push_back("the data file is compressed: its points are counted once it "
                                "is decompressed");
        if (!wholeRecordBeforeTrigger)
            info.firstPointMs = common::sampleTimeOfRecord(record).t0;
    } else {
        record.words = static_cast<std::int64_t>(bytes / 2);
        info.words = record.words;
        info.oddTrailingByteIgnored = bytes % 2 != 0;
        if (info.oddTrailingByteIgnored)
            info.warnings.push_back("the data file has an odd length; its last byte is ignored");
        if (record.words < info.channelCount)
            fail("Data file " + info.dataFile + " holds " + std::to_string(record.words) +
                 " words, less than one record of " + std::to_string(info.channelCount) +
                 " words");
        info.incompleteRecordWordsIgnored = record.words % info.channelCount;
        if (info.incompleteRecordWordsIgnored > 0)
            info.warnings.push_back(std::to_string(info.incompleteRecordWordsIgnored) +
                                    " words after the last whole record are ignored");
        const common::SampleTime time = common::sampleTimeOfRecord(record);
        info.pointsPerChannel = time.N;
        info.firstPointMs = time.t0;
        info.lastPointMs = time.timeOfIndex(time.N);
        if (common::preTriggerPointsPerChannel(record) > time.N)
            info.warnings.push_back("PreTriggerPts puts the trigger after the last point");
    }

    if (const auto ofl = common::ReadIniLong(setFile, Keys::Settings, Keys::OFL); ofl.ok) {
        info.memoryFilled = ofl.value != 0;
        const std::int32_t astop = set.lMainLongWithDefault(Keys::ASTOP, -1);
        if (ofl.value == 0 && astop >= 0) {
            std::int64_t last = (static_cast<std::int64_t>(astop) + 1) / info.channelCount - 1;
            if (info.pointsPerChannel && last > *info.pointsPerChannel) last = *info.pointsPerChannel;
            info.lastValidPoint = static_cast<std::int32_t>(last < 0 ? 0 : last);
        }
    }
    if (set.bIsSettingTrue(Keys::Settings, Keys::Errors))
        info.warnings.push_back("the download of this test reported errors");

    info.commentLines = linesOf(set.sComment());

    for (int c = 1; c <= info.channelCount; ++c) {
        ChannelInfo channel;
        channel.number = c;
        channel.vod = set.bIsVODchannel(c);
        channel.minVoltage = channelVoltage(set, c, Keys::MinVoltage);
        channel.maxVoltage = channelVoltage(set, c, Keys::MaxVoltage);
        channel.skipped = set.bSkipChannel(c);
        const ChannelTableInfo table = describeChannelTable(set, c);
        channel.units = table.units;
        channel.table = table.table;
        channel.tableNote = table.note;
        info.channels.push_back(channel);
    }
    return info;
}

void printText(const TestSetInfo& info, std::ostream& out) {
    const auto line = [&](const std::string& label, const std::string& value) {
        out << label << ':' << std::string(label.size() < 20 ? 20 - label.size() : 1, ' ')
            << value << '\n';
    };
    line("Set file", printable(info.setFile));
    line("Model", printable(info.model));
    line("Channels", std::to_string(info.channelCount));
    line("Sample rate", std::to_string(info.sampleRateHz) + " Hz");
    std::string data = printable(info.dataFile) + " (" + std::to_string(info.dataFileBytes) + " bytes";
    data += info.compressed ? ", compressed)" : ", " + std::to_string(*info.words) + " words)";
    line("Data file", data);
    line("Points per channel",
         info.pointsPerChannel ? std::to_string(*info.pointsPerChannel) : "unknown (compressed data)");
    line("First point", milliseconds(info.firstPointMs));
    line("Last point", milliseconds(info.lastPointMs));
    line("Triggered", info.triggered ? "yes" : "no");
    line("Stop pressed", info.stopPressed ? "yes" : "no");
    if (info.memoryFilled) {
        std::string filled = *info.memoryFilled ? "yes" : "no";
        if (info.lastValidPoint)
            filled += "; points after " + std::to_string(*info.lastValidPoint) + " are uninitialised";
        line("Memory filled", filled);
    }
    if (info.commentLines.empty()) {
        line("Comment", "");
    } else {
        line("Comment", printable(info.commentLines.front()));
        for (std::size_t i = 1; i < info.commentLines.size(); ++i)
            out << std::string(21, ' ') << printable(info.commentLines[i]) << '\n';
    }
    for (const auto& channel : info.channels) {
        std::string text = channel.vod ? "VOD" : "scope";
        text += ", " + volts(channel.minVoltage) + " to " + volts(channel.maxVoltage) + " V";
        if (channel.skipped) text += ", skipped (switched off)";
        line("Channel " + std::to_string(channel.number), text);
        line("Channel " + std::to_string(channel.number) + " values",
             printable(channel.units) + ", table " + channel.table +
                 (channel.tableNote.empty() ? "" : ": " + printable(channel.tableNote)));
    }
    for (const auto& warning : info.warnings) out << "Warning: " << warning << '\n';
}

void printJson(const TestSetInfo& info, std::ostream& out) {
    JsonObject json;
    json.add("setFile", jsonString(info.setFile));
    json.add("model", jsonString(info.model));
    json.add("channelCount", jsonInteger(info.channelCount));
    json.add("sampleRateHz", jsonInteger(info.sampleRateHz));
    json.add("dataFile", jsonString(info.dataFile));
    json.add("compressed", jsonBool(info.compressed));
    json.add("dataFileBytes", jsonInteger(info.dataFileBytes));
    json.add("words", jsonInteger(info.words));
    json.add("pointsPerChannel", jsonInteger(info.pointsPerChannel));
    json.add("firstPointMs", jsonNumber(info.firstPointMs));
    json.add("lastPointMs", jsonNumber(info.lastPointMs));
    json.add("triggered", jsonBool(info.triggered));
    json.add("stopPressed", jsonBool(info.stopPressed));
    json.add("memoryFilled", jsonBool(info.memoryFilled));
    json.add("lastValidPoint", jsonInteger(info.lastValidPoint));
    json.add("oddTrailingByteIgnored", jsonBool(info.oddTrailingByteIgnored));
    json.add("incompleteRecordWordsIgnored", jsonInteger(info.incompleteRecordWordsIgnored));
    std::string comment;
    for (std::size_t i = 0; i < info.commentLines.size(); ++i)
        comment += (i ? "\n" : "") + info.commentLines[i];
    json.add("comment", jsonString(comment));
    for (const auto& channel : info.channels) {
        const std::string prefix = "channel" + std::to_string(channel.number);
        json.add(prefix + "Kind", jsonString(channel.vod ? "VOD" : "scope"));
        json.add(prefix + "MinVoltage", jsonNumber(channel.minVoltage));
        json.add(prefix + "MaxVoltage", jsonNumber(channel.maxVoltage));
        json.add(prefix + "Skipped", jsonBool(channel.skipped));
        json.add(prefix + "Units", jsonString(channel.units));
        json.add(prefix + "Table", jsonString(channel.table));
    }
    out << json.text();
}

int runInfo(const std::string& setFile, bool json, std::ostream& out, std::ostream& err) {
    try {
        const TestSetInfo info = readTestSetInfo(setFile);
        if (json) printJson(info, out);
        else printText(info, out);
        out.flush();
        return 0;
    } catch (const common::Error& e) {
        err << "corvane-cli: error: " << e.description() << " (error " << e.number() << ")\n";
    } catch (const std::exception& e) {
        err << "corvane-cli: error: " << e.what() << '\n';
    }
    return 1;
}

}  // namespace cli

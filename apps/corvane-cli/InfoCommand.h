#pragma once
// "corvane-cli info <set file> [--json]": what a test set holds, read without writing
// anything (no file of the test set is created or changed).
//
// The --json output is one flat object:
//   "setFile"                       string   the set file as given
//   "model"                         string   "DataCollector"
//   "channelCount"                  integer  "NrChannels"
//   "sampleRateHz"                  integer  "SampleSpeedInHz", per channel
//   "dataFile"                      string   root.raw, or root.cmp when "RawFileCompressed"
//   "compressed"                    bool
//   "dataFileBytes"                 integer
//   "words"                         integer  16-bit words (null when compressed)
//   "pointsPerChannel"              integer  words div channels (null when compressed)
//   "firstPointMs", "lastPointMs"   number   times of the first and last point (null when
//                                            they depend on a compressed file's length)
//   "triggered", "stopPressed"      bool     "Triggered", "Stop Pressed"
//   "memoryFilled"                  bool     "OFL" not 0 (null when missing)
//   "lastValidPoint"                integer  last initialised point when the memory was not
//                                            filled (null otherwise)
//   "oddTrailingByteIgnored"        bool     the data file has an odd length
//   "incompleteRecordWordsIgnored"  integer  words after the last whole record
//   "comment"                       string   "FileComment", lines joined by "\n"
//   "channel<n>Kind"                string   "VOD" or "scope", for n = 1..channelCount
//   "channel<n>MinVoltage", "channel<n>MaxVoltage"  number  (null when not recorded)
//   "channel<n>Skipped"             bool     switched off ("Ch<n>on" = "F")
//   "channel<n>Units"               string   unit of the channel's values
//   "channel<n>Table"               string   "built", "none", "skipped", "not convertible",
//                                            "failed" (see ChannelTableInfo.h)

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace cli {

struct ChannelInfo {
    int number = 0;
    bool vod = false;
    std::optional<double> minVoltage;
    std::optional<double> maxVoltage;
    bool skipped = false;
    std::string units;
    std::string table;
    std::string tableNote;
};

struct TestSetInfo {
    std::string setFile;
    std::string model;
    std::int32_t channelCount = 0;
    std::int32_t sampleRateHz = 0;
    std::string dataFile;
    bool compressed = false;
    std::int64_t dataFileBytes = 0;
    std::optional<std::int64_t> words;
    std::optional<std::int32_t> pointsPerChannel;
    std::optional<double> firstPointMs;
    std::optional<double> lastPointMs;
    bool triggered = false;
    bool stopPressed = false;
    std::optional<bool> memoryFilled;
    std::optional<std::int32_t> lastValidPoint;
    bool oddTrailingByteIgnored = false;
    std::int64_t incompleteRecordWordsIgnored = 0;
    std::vector<std::string> commentLines;
    std::vector<ChannelInfo> channels;
    std::vector<std::string> warnings;  // for the text output
};

// Reads the test set. Throws common::Error (set-file errors) or std::runtime_error with a
// message for the user when the files are missing, not what they should be, or hold values
// no recording can have.
TestSetInfo readTestSetInfo(const std::string& setFile);

void printText(const TestSetInfo& info, std::ostream& out);
void printJson(const TestSetInfo& info, std::ostream& out);

// The whole command: 0 on success, 1 with the error's description on err otherwise.
int runInfo(const std::string& setFile, bool json, std::ostream& out, std::ostream& err);

}  // namespace cli

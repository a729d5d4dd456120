#pragma once
// Small generated test sets for the dataset and graph tests: a set file of a two-channel
// recorder with simple scope calibrations, and a data file of interleaved words.
//
// With SelectCode 2, KS2 = 1000000, VFS2 = 0, MinVoltage -2.5 and MaxVoltage 2.5 a scope
// channel's code c reads -2.5 + c * 5 / 16383 volts.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/Progress.h"
#include "support/TempDir.h"

namespace testsets {

namespace fs = std::filesystem;

inline double scopeVolts(std::uint16_t code) { return -2.5 + code * 5.0 / 16383; }

// Sections of a set file, each an ordered list of key = value lines.
struct SetFileText {
    std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> sections;

    void set(const std::string& section, const std::string& key, const std::string& value) {
        for (auto& [name, keys] : sections) {
            if (name != section) continue;
            for (auto& [k, v] : keys)
                if (k == key) {
                    v = value;
                    return;
                }
            keys.emplace_back(key, value);
            return;
        }
        sections.push_back({section, {{key, value}}});
    }
    void erase(const std::string& section, const std::string& key) {
        for (auto& [name, keys] : sections)
            if (name == section)
                std::erase_if(keys, [&](const auto& kv) { return kv.first == key; });
    }
    std::string text() const {
        std::string out;
        for (const auto& [name, keys] : sections) {
            out += "[" + name + "]\n";
            for (const auto& [k, v] : keys) out += k + "=" + v + "\n";
        }
        return out;
    }
};

inline void scopeChannel(SetFileText& set, int channel) {
    const std::string section = "Channel" + std::to_string(channel);
    set.set(section, "SelectCode", "2");
    set.set(section, "KS2", "1000000");
    set.set(section, "VFS2", "0");
    set.set(section, "MinVoltage", "-2.5");
    set.set(section, "MaxVoltage", "2.5");
    set.set(section, "VOD", "False");
}

inline void vodChannel(SetFileText& set, int channel, const std::string& unitResistance) {
    const std::string section = "Channel" + std::to_string(channel);
    set.set(section, "SelectCode", "1");
    set.set(section, "KS1", "1000000");
    set.set(section, "VFS1", "0");
    set.set(section, "MinVoltage", "0.0");
    set.set(section, "MaxVoltage", "5.0");
    set.set(section, "VOD", "True");
    set.set(section, "RSRF", "10000");
    set.set(section, "dacVT", "40");
    set.set(section, "VT40", "500000");
    for (int k = 0; k < 16; ++k) set.set(section, "VS" + std::to_string(k), "8191");
    set.set(section, "Unit resistance", unitResistance);
}

// A two-channel "Corvane" test at 1 MHz without pre-trigger points.
inline SetFileText twoChannelSet(std::int64_t pointsPerChannel) {
    SetFileText set;
    set.set("settings", "DataCollector", "Corvane");
    set.set("settings", "NrChannels", "2");
    set.set("settings", "SampleSpeedInHz", "1000000");
    set.set("settings", "PreTriggerPts", "0");
    set.set("settings", "NumPtsDownloaded", std::to_string(2 * pointsPerChannel));
    set.set("settings", "OFL", "-1");
    set.set("settings", "ASTOP", "0");
    set.set("settings", "Ch1on", "T");
    set.set("settings", "Ch2on", "T");
    set.set("settings", "Triggered", "T");
    set.set("settings", "Stop Pressed", "F");
    set.set("settings", "Length unit for unit resistance", "m");
    scopeChannel(set, 1);
    scopeChannel(set, 2);
    return set;
}

// Channel 1 rises by one code per point, channel 2 falls; both wrap within 14 bits.
inline std::vector<std::uint16_t> rampWords(std::int64_t pointsPerChannel, int channels = 2) {
    std::vector<std::uint16_t> words;
    words.reserve(static_cast<std::size_t>(pointsPerChannel * channels));
    for (std::int64_t i = 0; i < pointsPerChannel; ++i)
        for (int c = 0; c < channels; ++c)
            words.push_back(static_cast<std::uint16_t>(c == 0 ? i % 16384 : 16383 - i % 16384));
    return words;
}

inline void writeWords(const fs::path& file, const std::vector<std::uint16_t>& words) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(words.data()),
              static_cast<std::streamsize>(words.size() * sizeof(std::uint16_t)));
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

// A test set in a folder: root.crv and root.raw.
struct TestSet {
    fs::path setFile;
    fs::path rawFile;

    TestSet(const fs::path& folder, const std::string& root, const SetFileText& set,
            const std::vector<std::uint16_t>& words) {
        setFile = folder / (root + ".crv");
        rawFile = folder / (root + ".raw");
        testsupport::writeFile(setFile, set.text());
        writeWords(rawFile, words);
    }
};

// Every file of a folder with its bytes, to show that nothing was written.
inline std::map<std::string, std::string> snapshot(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file())
            files[entry.path().filename().string()] = testsupport::readFile(entry.path());
    return files;
}

// A progress display that keeps every text it was shown.
class RecordingProgress : public common::Progress {
public:
    void setText(const std::string& text) override { texts.push_back(text); }
    void setFraction(double) override {}
    bool step() override { return false; }
    std::vector<std::string> texts;
};

}  // namespace testsets

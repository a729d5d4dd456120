#include "recsim/RecorderImageFile.h"

#include "common/Error.h"
#include "common/Ini.h"
#include "recsim/ImageError.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace recsim {
namespace {

namespace fs = std::filesystem;

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// Lower case, outer blanks removed, inner runs of blanks made one space.
std::string normalised(std::string_view s) {
    std::string out;
    bool blank = false;
    for (char c : s) {
        if (c == ' ' || c == '\t') {
            blank = !out.empty();
            continue;
        }
        if (blank) out += ' ';
        blank = false;
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string realText(double v) {
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, r.ptr);
}

// One section of the file: its keys are read once, taken one by one, and whatever is left
// at the end is an unknown key.
class Section {
public:
    Section(const fs::path& file, std::string name, std::string label)
        : m_file(file), m_name(std::move(name)), m_label(std::move(label)) {
        for (const std::string& key : common::ini::keysOf(file, m_name)) {
            const auto value = common::ini::readValue(file, m_name, key);
            m_values[lower(key)] = {key, value.value_or("")};
        }
    }

    std::optional<std::string> take(std::string_view key) {
        const auto it = m_values.find(lower(key));
        if (it == m_values.end()) return std::nullopt;
        std::string v = it->second.second;
        m_values.erase(it);
        return v;
    }

    std::string require(std::string_view key) {
        auto v = take(key);
        if (!v) fail(std::string("has no ") + std::string(key));
        return *v;
    }

    void finish() {
        if (!m_values.empty()) fail("has an unknown key " + m_values.begin()->second.first);
    }

    [[noreturn]] void fail(const std::string& what) const {
        throw ImageError(m_file.string() + ": [" + m_label + "] " + what);
    }

    [[noreturn]] void bad(std::string_view key, const std::string& value, const std::string& want) const {
        fail(std::string(key) + " = \"" + value + "\" is not " + want);
    }

    template <typename T>
    T integer(std::string_view key, const std::string& text, T lo, T hi) {
        std::string_view s = text;
        int base = 10;
        if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
            s.remove_prefix(2);
            base = 16;
        }
        long long signedValue = 0;
        unsigned long long unsignedValue = 0;
        std::from_chars_result r{};
        const bool negative = !s.empty() && s[0] == '-';
        if (negative)
            r = std::from_chars(s.data(), s.data() + s.size(), signedValue, base);
        else
            r = std::from_chars(s.data(), s.data() + s.size(), unsignedValue, base);
        const std::string range = "an integer from " + std::to_string(lo) + " to " + std::to_string(hi);
        if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size()) bad(key, text, range);
        if (negative) {
            if (signedValue < static_cast<long long>(lo)) bad(key, text, range);
            return static_cast<T>(signedValue);
        }
        if (unsignedValue > static_cast<unsigned long long>(hi) ||
            (lo > 0 && unsignedValue < static_cast<unsigned long long>(lo)))
            bad(key, text, range);
        return static_cast<T>(unsignedValue);
    }

    template <typename T>
    bool integer(std::string_view key, T& out, T lo, T hi) {
        const auto v = take(key);
        if (!v) return false;
        out = integer<T>(key, *v, lo, hi);
        return true;
    }

    bool real(std::string_view key, double& out) {
        const auto v = take(key);
        if (!v) return false;
        double x = 0;
        const auto r = std::from_chars(v->data(), v->data() + v->size(), x);
        if (v->empty() || r.ec != std::errc() || r.ptr != v->data() + v->size())
            bad(key, *v, "a number");
        out = x;
        return true;
    }

    bool flag(std::string_view key, bool& out) {
        const auto v = take(key);
        if (!v) return false;
        const std::string s = lower(*v);
        if (s == "t" || s == "true" || s == "1" || s == "yes")
            out = true;
        else if (s == "f" || s == "false" || s == "0" || s == "no")
            out = false;
        else
            bad(key, *v, "a flag (T or F)");
        return true;
    }

private:
    fs::path m_file;
    std::string m_name;
    std::string m_label;
    std::map<std::string, std::pair<std::string, std::string>> m_values;
};

template <typename Table, typename Value>
int codeOf(const Table& table, Value v) {
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i] == v) return static_cast<int>(i);
    return -1;
}

// A table value (SampleRate, TriggerLevel, PreTrigger) or its raw code, not both.
template <typename Table>
void readCode(Section& s, const char* valueKey, const char* codeKey, const Table& table, int& code,
              bool required) {
    const auto value = s.take(valueKey);
    int raw = 0;
    const bool haveCode = s.integer<int>(codeKey, raw, 0, 15);
    if (value && haveCode) s.fail(std::string("gives both ") + valueKey + " and " + codeKey);
    if (haveCode) {
        code = raw;
    } else if (value) {
        const auto v = s.integer<long long>(valueKey, *value, 0, std::numeric_limits<int>::max());
        code = codeOf(table, static_cast<typename Table::value_type>(v));
        if (code < 0) {
            std::string list;
            for (auto x : table) list += (list.empty() ? "" : ", ") + std::to_string(x);
            s.bad(valueKey, *value, "one of " + list);
        }
    } else if (required) {
        s.fail(std::string("has no ") + valueKey + " (or " + codeKey + ")");
    }
}

void readInput(const fs::path& file, InputCalibration& c, int n) {
    const std::string name = "Input" + std::to_string(n);
    Section s(file, name, name);
    s.real("RSRF", c.rsrfOhms);
    s.integer<int>("RP", c.rp, 0, 9999);
    static const char* groups[5] = {"1", "3", "4", "5", "6"};
    for (std::size_t g = 0; g < 5; ++g) {
        s.real(std::string("VFS") + groups[g], c.vfsVolts[g]);
        s.real(std::string("KS") + groups[g], c.ks[g]);
    }
    if (s.take("VFS2") || s.take("KS2"))
        s.fail("gives VFS2 or KS2: select codes 1 and 2 share VFS1 and KS1");
    s.real("VTGain", c.vtGainVoltsPerCode);
    s.real("VTOffset", c.vtOffsetVolts);
    s.finish();
}

int parseSelectCode(Section& s, const std::string& text) {
    const std::string n = normalised(text);
    for (std::size_t i = 0; i < kInputNames.size(); ++i)
        if (n == normalised(kInputNames[i])) return static_cast<int>(i);
    if (n.size() == 1 && n[0] >= '0' && n[0] <= '7') return n[0] - '0';
    s.bad("Input", text, "an input type (Off, VOD, \"0 to 5 V\", \"0 to 10 V\", \"-2.5 to 2.5 V\", "
                         "\"-5 to 5 V\", \"-10 to 10 V\") or a select code 0 to 7");
}

SignalKind parseSignal(Section& s, const std::string& text) {
    const std::string n = normalised(text);
    for (SignalKind k : {SignalKind::None, SignalKind::Vod, SignalKind::Pulse, SignalKind::Level,
                         SignalKind::Ramp})
        if (n == lower(signalName(k))) return k;
    s.bad("Signal", text, "VOD, Pulse, Level, Ramp or None");
}

void readChannel(const fs::path& file, const std::string& section, const std::string& label,
                 TestChannel& ch, bool present) {
    if (!present) return;  // input 2 is off
    Section s(file, section, label);
    ch.selectCode = parseSelectCode(s, s.require("Input"));
    s.integer<int>("DacVT", ch.dacVt, 0, 0x3FFF);
    if (const auto vs = s.take("VS"); vs && normalised(*vs) != "auto") {
        std::array<int, 16> codes{};
        std::stringstream in(*vs);
        std::string item;
        int i = 0;
        while (std::getline(in, item, ',')) {
            if (i == 16) s.bad("VS", *vs, "16 codes");
            const std::string t = normalised(item);
            codes[static_cast<std::size_t>(i++)] = s.integer<int>("VS", t, 0, 0x3FFF);
        }
        if (i != 16) s.bad("VS", *vs, "16 codes separated by commas");
        ch.initialSamples = codes;
    }
    ChannelSignal& sig = ch.signal;
    if (const auto kind = s.take("Signal"))
        sig.kind = parseSignal(s, *kind);
    else
        sig.kind = ch.selectCode == 1 ? SignalKind::Vod
                   : ch.selectCode == 0 ? SignalKind::None
                                        : SignalKind::Level;
    s.real("Velocity", sig.velocityMps);
    s.real("ProbeLength", sig.probeLengthM);
    s.real("UnitResistance", sig.unitResistanceOhmPerM);
    s.real("Arrival", sig.arrivalMs);
    s.real("Noise", sig.noiseVolts);
    s.real("Baseline", sig.baselineVolts);
    s.real("Peak", sig.peakVolts);
    s.real("Rise", sig.riseUs);
    s.real("Decay", sig.decayUs);
    s.real("Level", sig.levelVolts);
    s.finish();
}

void readTest(const fs::path& file, StoredTest& t, int n, const std::string& section,
              const std::map<std::string, std::string>& sections) {
    const std::string label = "Test" + std::to_string(n);
    Section s(file, section, label);
    readCode(s, "SampleRate", "SampleSpeedCode", kSampleSpeedsHz, t.sampleSpeedCode, true);
    readCode(s, "TriggerLevel", "TriggerLevelCode", kPercentTable, t.triggerLevelCode, false);
    readCode(s, "PreTrigger", "PreTriggerCode", kPercentTable, t.preTriggerCode, false);
    t.atrig = s.integer<std::uint32_t>("ATRIG", s.require("ATRIG"), 0, 0x7FFFFFFF);
    t.astop = s.integer<std::uint32_t>("ASTOP", s.require("ASTOP"), 0, 0x7FFFFFFF);
    s.flag("HalfStep", t.halfStep);
    s.flag("OFL", t.overflowed);
    s.flag("Triggered", t.triggered);
    s.flag("Ch1Trig", t.ch1Trig);
    s.flag("Ch2Trig", t.ch2Trig);
    s.flag("StopPressed", t.stopPressed);
    if (const auto samples = s.take("SamplesFile"); samples && !samples->empty()) {
        fs::path p(*samples);
        t.samplesFile = p.is_absolute() ? p : file.parent_path() / p;
        if (!std::ifstream(t.samplesFile, std::ios::binary))
            s.fail("SamplesFile " + t.samplesFile.string() + " cannot be read");
    }
    s.finish();
    for (int c = 1; c <= 2; ++c) {
        const std::string key = "test" + std::to_string(n) + " channel" + std::to_string(c);
        const auto it = sections.find(key);
        if (c == 1 && it == sections.end())
            throw ImageError(file.string() + ": [" + label + "] has no section [" + label +
                             " Channel1]");
        readChannel(file, it == sections.end() ? std::string() : it->second,
                    label + " Channel" + std::to_string(c), t.channels[static_cast<std::size_t>(c - 1)],
                    it != sections.end());
    }
}

StuckLine parseStuck(Section& s, const std::string& text) {
    const std::string n = normalised(text);
    StuckLine line;
    if (n.empty() || n == "none") return line;
    const std::string want = "none, or status3..status7 / data0..data2 followed by :0 or :1";
    std::string_view v = n;
    if (v.rfind("status", 0) == 0) {
        line.kind = StuckLine::Kind::Status;
        v.remove_prefix(6);
    } else if (v.rfind("data", 0) == 0) {
        line.kind = StuckLine::Kind::Data;
        v.remove_prefix(4);
    } else {
        s.bad("StuckLine", text, want);
    }
    if (v.size() != 3 || v[1] != ':' || !std::isdigit(static_cast<unsigned char>(v[0])) ||
        (v[2] != '0' && v[2] != '1'))
        s.bad("StuckLine", text, want);
    line.bit = v[0] - '0';
    line.level = v[2] == '1';
    const bool ok = line.kind == StuckLine::Kind::Status ? line.bit >= 3 && line.bit <= 7 : line.bit <= 2;
    if (!ok) s.bad("StuckLine", text, want);
    return line;
}

void readFaults(const fs::path& file, const std::string& section, Faults& f) {
    Section s(file, section, "Faults");
    s.integer<std::uint32_t>("AckDelay", f.ackDelayReads, 0, 100000000);
    s.integer<std::uint32_t>("FlickerPeriod", f.flickerPeriod, 0, 100000000);
    s.integer<std::uint8_t>("FlickerMask", f.flickerMask, 0, 0xF8);
    s.integer<std::uint32_t>("FlickerLimit", f.flickerLimit, 0, 100000000);
    if (const auto v = s.take("StuckLine")) f.stuck = parseStuck(s, *v);
    s.integer<std::uint64_t>("UnplugAfter", f.unplugAfterAccesses, 0, 1ull << 62);
    s.integer<std::uint64_t>("MarkerErrorStep", f.markerErrorStep, 0, kFullMemoryWords);
    s.integer<std::uint32_t>("MarkerErrorTransfers", f.markerErrorTransfers, 0, 1000000);
    s.flag("EcpNeverFull", f.ecpNeverFull);
    s.integer<std::uint64_t>("PowerOffAtStep", f.powerOffAtStep, 0, kFullMemoryWords);
    s.integer<std::uint32_t>("GateSettleReads", f.gateSettleReads, 0, 1000);
    s.integer<std::uint32_t>("EcpBytesPerAccess", f.ecpBytesPerAccess, 0, 16);
    s.finish();
}

void readOverrides(const fs::path& file, const std::string& section, std::vector<SettingsOverride>& out) {
    Section s(file, section, "SettingsMemory");
    for (const std::string& key : common::ini::keysOf(file, section)) {
        const auto dot = key.find('.');
        SettingsOverride o;
        const auto value = s.take(key);
        if (!value) continue;  // a key given twice
        const std::string where = "a settings byte line.byte (lines 0 to 256, bytes 0 to 63)";
        if (dot == std::string::npos) s.fail("key " + key + " is not " + where);
        o.line = s.integer<int>(key, key.substr(0, dot), 0, 256);
        o.byte = s.integer<int>(key, key.substr(dot + 1), 0, 63);
        o.value = s.integer<std::uint8_t>(key, normalised(*value), 0, 255);
        out.push_back(o);
    }
    s.finish();
}

std::string flagText(bool b) { return b ? "T" : "F"; }

}  // namespace

std::string inputName(int selectCode) {
    if (selectCode >= 0 && selectCode < static_cast<int>(kInputNames.size()))
        return kInputNames[static_cast<std::size_t>(selectCode)];
    return std::to_string(selectCode);
}

std::string signalName(SignalKind kind) {
    switch (kind) {
    case SignalKind::None: return "None";
    case SignalKind::Vod: return "VOD";
    case SignalKind::Pulse: return "Pulse";
    case SignalKind::Level: return "Level";
    case SignalKind::Ramp: return "Ramp";
    }
    return "None";
}

RecorderImage loadImage(const fs::path& file) {
    {
        std::ifstream probe(file, std::ios::binary);
        if (!probe)
            throw ImageError(file.string() + ": cannot be read: " +
                             std::error_code(errno, std::generic_category()).message());
    }
    // Sections by normalised name; every one must be known.
    std::map<std::string, std::string> sections;
    int testCount = 0;
    for (const std::string& name : common::ini::sectionsOf(file)) {
        const std::string n = normalised(name);
        if (!sections.emplace(n, name).second)
            throw ImageError(file.string() + ": section [" + name + "] appears twice");
        bool known = n == "recorder" || n == "input1" || n == "input2" || n == "faults" ||
                     n == "settingsmemory";
        int test = 0;
        int channel = 0;
        char tail = 0;
        if (!known && (std::sscanf(n.c_str(), "test%d channel%d%c", &test, &channel, &tail) == 2)) {
            known = test >= 1 && test <= 16 && (channel == 1 || channel == 2) &&
                    n == "test" + std::to_string(test) + " channel" + std::to_string(channel);
        } else if (!known && std::sscanf(n.c_str(), "test%d%c", &test, &tail) == 1) {
            known = test >= 1 && test <= 16 && n == "test" + std::to_string(test);
            if (known) testCount = std::max(testCount, test);
        }
        if (!known) throw ImageError(file.string() + ": unknown section [" + name + "]");
    }
    if (!sections.count("recorder"))
        throw ImageError(file.string() + ": not a recorder image (no [Recorder] section)");

    RecorderImage image;
    {
        Section s(file, sections["recorder"], "Recorder");
        if (const auto model = s.take("Model"); model && normalised(*model) != "corvane") {
            if (normalised(*model) == "pellion")
                s.fail("Model = Pellion: the smaller recorder is not emulated yet");
            s.bad("Model", *model, "Corvane");
        }
        s.integer<std::uint32_t>("Port", image.port, 1, 0xFFFF - 0x402);
        image.serialNumber = s.integer<std::uint32_t>("SerialNumber", s.require("SerialNumber"), 0, 999999);
        image.slots = s.integer<int>("Slots", s.require("Slots"), 1, 16);
        s.integer<std::uint64_t>("MemoryWords", image.memoryWords, 1, kFullMemoryWords);
        image.measurementCounter = s.integer<std::uint32_t>(
            "MeasurementCounter", s.require("MeasurementCounter"), 0, 0xFFFFFFFF);
        s.integer<std::uint64_t>("Seed", image.seed, 0, std::numeric_limits<std::uint64_t>::max());
        s.finish();
    }
    for (int i = 1; i <= 2; ++i)
        if (const auto it = sections.find("input" + std::to_string(i)); it != sections.end())
            readInput(file, image.inputs[static_cast<std::size_t>(i - 1)], i);
    for (int t = 1; t <= testCount; ++t) {
        const auto it = sections.find("test" + std::to_string(t));
        if (it == sections.end())
            throw ImageError(file.string() + ": [Test" + std::to_string(testCount) +
                             "] is there but [Test" + std::to_string(t) + "] is missing");
        image.tests.emplace_back();
        readTest(file, image.tests.back(), t, it->second, sections);
    }
    for (const auto& [n, name] : sections) {
        int test = 0;
        int channel = 0;
        if (std::sscanf(n.c_str(), "test%d channel%d", &test, &channel) == 2 && test > testCount)
            throw ImageError(file.string() + ": [" + name + "] belongs to no [Test" +
                             std::to_string(test) + "]");
    }
    if (const auto it = sections.find("faults"); it != sections.end())
        readFaults(file, it->second, image.faults);
    if (const auto it = sections.find("settingsmemory"); it != sections.end())
        readOverrides(file, it->second, image.overrides);
    try {
        validateImage(image);
    } catch (const ImageError& e) {
        throw ImageError(file.string() + ": " + e.what());
    }
    return image;
}

std::string imageText(const RecorderImage& image) {
    std::ostringstream o;
    o << "; Recorder image of an emulated multi-channel recorder.\n"
         "; Words are 16-bit, addresses are slot-relative word numbers, times are milliseconds\n"
         "; after the trigger unless a key names other units. Run recsim --help for every key.\n\n";
    o << "[Recorder]\n"
      << "Model = Corvane\n"
      << "Port = " << image.port << "\n"
      << "SerialNumber = " << image.serialNumber << "\n"
      << "Slots = " << image.slots << "\n"
      << "MemoryWords = " << image.memoryWords << "\n"
      << "MeasurementCounter = " << image.measurementCounter << "\n"
      << "Seed = " << image.seed << "\n";
    static const char* groups[5] = {"1", "3", "4", "5", "6"};
    for (std::size_t i = 0; i < 2; ++i) {
        const InputCalibration& c = image.inputs[i];
        o << "\n[Input" << i + 1 << "]\n"
          << "RSRF = " << realText(c.rsrfOhms) << "\n"
          << "RP = " << c.rp << "\n";
        for (std::size_t g = 0; g < 5; ++g)
            o << "VFS" << groups[g] << " = " << realText(c.vfsVolts[g]) << "\n"
              << "KS" << groups[g] << " = " << realText(c.ks[g]) << "\n";
        o << "VTGain = " << realText(c.vtGainVoltsPerCode) << "\n"
          << "VTOffset = " << realText(c.vtOffsetVolts) << "\n";
    }
    for (std::size_t t = 0; t < image.tests.size(); ++t) {
        const StoredTest& test = image.tests[t];
        const std::string name = "Test" + std::to_string(t + 1);
        o << "\n[" << name << "]\n";
        const auto speed = static_cast<std::size_t>(test.sampleSpeedCode);
        if (speed < kSampleSpeedsHz.size())
            o << "SampleRate = " << kSampleSpeedsHz[speed] << "\n";
        else
            o << "SampleSpeedCode = " << test.sampleSpeedCode << "\n";
        const auto level = static_cast<std::size_t>(test.triggerLevelCode);
        if (level < kPercentTable.size())
            o << "TriggerLevel = " << kPercentTable[level] << "\n";
        else
            o << "TriggerLevelCode = " << test.triggerLevelCode << "\n";
        const auto pre = static_cast<std::size_t>(test.preTriggerCode);
        if (pre < kPercentTable.size())
            o << "PreTrigger = " << kPercentTable[pre] << "\n";
        else
            o << "PreTriggerCode = " << test.preTriggerCode << "\n";
        o << "ATRIG = " << test.atrig << "\n"
          << "ASTOP = " << test.astop << "\n"
          << "HalfStep = " << flagText(test.halfStep) << "\n"
          << "OFL = " << flagText(test.overflowed) << "\n"
          << "Triggered = " << flagText(test.triggered) << "\n"
          << "Ch1Trig = " << flagText(test.ch1Trig) << "\n"
          << "Ch2Trig = " << flagText(test.ch2Trig) << "\n"
          << "StopPressed = " << flagText(test.stopPressed) << "\n";
        if (!test.samplesFile.empty()) o << "SamplesFile = " << test.samplesFile.string() << "\n";
        for (std::size_t c = 0; c < 2; ++c) {
            const TestChannel& ch = test.channels[c];
            const ChannelSignal& s = ch.signal;
            o << "\n[" << name << " Channel" << c + 1 << "]\n"
              << "Input = " << inputName(ch.selectCode) << "\n"
              << "DacVT = " << ch.dacVt << "\n";
            if (ch.initialSamples) {
                o << "VS = ";
                for (std::size_t i = 0; i < 16; ++i) o << (i ? ", " : "") << (*ch.initialSamples)[i];
                o << "\n";
            } else {
                o << "VS = auto\n";
            }
            o << "Signal = " << signalName(s.kind) << "\n";
            if (s.kind == SignalKind::Vod)
                o << "Velocity = " << realText(s.velocityMps) << "\n"
                  << "ProbeLength = " << realText(s.probeLengthM) << "\n"
                  << "UnitResistance = " << realText(s.unitResistanceOhmPerM) << "\n";
            if (s.kind == SignalKind::Vod || s.kind == SignalKind::Pulse)
                o << "Arrival = " << realText(s.arrivalMs) << "\n";
            if (s.kind == SignalKind::Pulse)
                o << "Baseline = " << realText(s.baselineVolts) << "\n"
                  << "Peak = " << realText(s.peakVolts) << "\n"
                  << "Rise = " << realText(s.riseUs) << "\n"
                  << "Decay = " << realText(s.decayUs) << "\n";
            if (s.kind == SignalKind::Level) o << "Level = " << realText(s.levelVolts) << "\n";
            if (s.kind != SignalKind::None && s.kind != SignalKind::Ramp)
                o << "Noise = " << realText(s.noiseVolts) << "\n";
        }
    }
    const Faults& f = image.faults;
    std::string stuck = "none";
    if (f.stuck.kind != StuckLine::Kind::None)
        stuck = std::string(f.stuck.kind == StuckLine::Kind::Status ? "status" : "data") +
                std::to_string(f.stuck.bit) + ":" + (f.stuck.level ? "1" : "0");
    o << "\n[Faults]\n"
      << "AckDelay = " << f.ackDelayReads << "\n"
      << "FlickerPeriod = " << f.flickerPeriod << "\n"
      << "FlickerMask = " << static_cast<int>(f.flickerMask) << "\n"
      << "FlickerLimit = " << f.flickerLimit << "\n"
      << "StuckLine = " << stuck << "\n"
      << "UnplugAfter = " << f.unplugAfterAccesses << "\n"
      << "MarkerErrorStep = " << f.markerErrorStep << "\n"
      << "MarkerErrorTransfers = " << f.markerErrorTransfers << "\n"
      << "EcpNeverFull = " << flagText(f.ecpNeverFull) << "\n"
      << "PowerOffAtStep = " << f.powerOffAtStep << "\n"
      << "GateSettleReads = " << f.gateSettleReads << "\n"
      << "EcpBytesPerAccess = " << f.ecpBytesPerAccess << "\n";
    if (!image.overrides.empty()) {
        o << "\n[SettingsMemory]\n";
        for (const SettingsOverride& v : image.overrides) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02X", v.value);
            o << v.line << "." << v.byte << " = " << hex << "\n";
        }
    }
    return o.str();
}

void saveImage(const RecorderImage& image, const fs::path& file) {
    const std::string text = imageText(image);
    const fs::path dir = file.has_parent_path() ? file.parent_path() : fs::path(".");
    std::string tmpl = (dir / ("." + file.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) throw common::IoError(common::systemMessage("cannot write " + file.string()));
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) {
            const std::string msg = common::systemMessage("cannot write " + file.string());
            ::close(fd);
            ::unlink(tmpl.c_str());
            throw common::IoError(msg);
        }
        done += static_cast<std::size_t>(n);
    }
    ::fchmod(fd, 0644);
    if (::close(fd) != 0 || std::rename(tmpl.c_str(), file.c_str()) != 0) {
        const std::string msg = common::systemMessage("cannot write " + file.string());
        ::unlink(tmpl.c_str());
        throw common::IoError(msg);
    }
}

}  // namespace recsim

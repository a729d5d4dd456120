// corvane-cli info, run as a separate program the way a user runs it.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/RunProgram.h"
#include "support/TempDir.h"


namespace {

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

using CliRun = testsupport::ProgramRun;

// Runs corvane-cli with the arguments, VANTREL_HOME pointed at home.
CliRun runCli(const std::vector<std::string>& args, const fs::path& home) {
    return testsupport::runProgram(CORVANE_CLI, args, {{"VANTREL_HOME", home.string()}});
}

// Every file below dir with its bytes: info must leave all of them as they were.
std::map<std::string, std::string> snapshot(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        files[entry.path().string()] = entry.is_regular_file() ? readFile(entry.path()) : "<dir>";
    return files;
}

// A flat JSON object decoded strictly: string members unescaped, other values as written.
// Throws on anything that is not well-formed.
std::map<std::string, std::string> parseFlatJson(const std::string& text) {
    std::size_t i = 0;
    const auto fail = [&](const char* what) {
        throw std::runtime_error(std::string(what) + " at " + std::to_string(i));
    };
    const auto blanks = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\n' || text[i] == '\t' || text[i] == '\r')) ++i;
    };
    const auto expect = [&](char c) {
        blanks();
        if (i >= text.size() || text[i] != c) fail("expected character");
        ++i;
    };
    const auto appendUtf8 = [](std::string& s, unsigned code) {
        if (code < 0x80) s.push_back(static_cast<char>(code));
        else if (code < 0x800) {
            s.push_back(static_cast<char>(0xC0 | (code >> 6)));
            s.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            s.push_back(static_cast<char>(0xE0 | (code >> 12)));
            s.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            s.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    };
    const auto string = [&] {
        expect('"');
        std::string s;
        while (true) {
            if (i >= text.size()) fail("unterminated string");
            const char c = text[i++];
            if (c == '"') return s;
            if (static_cast<unsigned char>(c) < 0x20) fail("raw control character");
            if (c != '\\') {
                s.push_back(c);
                continue;
            }
            if (i >= text.size()) fail("bad escape");
            const char e = text[i++];
            switch (e) {
                case '"': s.push_back('"'); break;
                case '\\': s.push_back('\\'); break;
                case '/': s.push_back('/'); break;
                case 'n': s.push_back('\n'); break;
                case 'r': s.push_back('\r'); break;
                case 't': s.push_back('\t'); break;
                case 'b': s.push_back('\b'); break;
                case 'f': s.push_back('\f'); break;
                case 'u': {
                    if (i + 4 > text.size()) fail("bad \\u");
                    appendUtf8(s, static_cast<unsigned>(std::stoul(text.substr(i, 4), nullptr, 16)));
                    i += 4;
                    break;
                }
                default: fail("bad escape");
            }
        }
    };
    std::map<std::string, std::string> members;
    expect('{');
    while (true) {
        const std::string key = string();
        if (members.count(key)) fail("duplicate key");
        expect(':');
        blanks();
        if (i < text.size() && text[i] == '"') {
            members[key] = string();
        } else {
            const std::size_t start = i;
            while (i < text.size() && text[i] != ',' && text[i] != '}' && text[i] != '\n') ++i;
            const std::string value = text.substr(start, i - start);
            if (value != "true" && value != "false" && value != "null") {
                std::size_t used = 0;
                std::stod(value, &used);
                if (used != value.size()) fail("bad number");
            }
            members[key] = value;
        }
        blanks();
        if (i < text.size() && text[i] == ',') {
            ++i;
            continue;
        }
        expect('}');
        blanks();
        if (i != text.size()) fail("text after the object");
        return members;
    }
}

const fs::path kSample = fs::path(VANTREL_SOURCE_DIR) / "samples" / "CV2026Dec001_01.crv";

// A test set in a temporary folder: a set file from keys and a data file of given bytes.
using Keys = std::vector<std::pair<std::string, std::string>>;

// The keys of a valid two-channel test set.
struct TestSetKeys {
    Keys settings = {{"DataCollector", "Corvane"}, {"NrChannels", "2"},
                     {"SampleSpeedInHz", "1000000"}, {"PreTriggerPts", "1000"},
                     {"Triggered", "T"},           {"Stop Pressed", "F"},
                     {"Ch1on", "T"},               {"Ch2on", "T"},
                     {"FileComment", "first[nl]second"}};
    Keys channel1 = {{"SelectCode", "1"}, {"MinVoltage", "0.0"}, {"MaxVoltage", "5.0"}};
    Keys channel2 = {{"SelectCode", "6"}, {"MinVoltage", "-10.0"}, {"MaxVoltage", "10.0"}};
};

// A test set in a temporary folder: a set file from keys and a data file of given bytes.
class CliInfoTest : public ::testing::Test {
public:
    TempDir dir;
    TempDir home;
    fs::path setFile = dir / "Test01.crv";
    fs::path rawFile = dir / "Test01.raw";
    TestSetKeys keys;
    Keys& settings = keys.settings;
    Keys& channel1 = keys.channel1;
    Keys& channel2 = keys.channel2;

    static void set(Keys& keys, const std::string& key, std::optional<std::string> value) {
        for (auto it = keys.begin(); it != keys.end(); ++it) {
            if (it->first != key) continue;
            if (value) it->second = *value;
            else keys.erase(it);
            return;
        }
        if (value) keys.emplace_back(key, *value);
    }

    void writeTestSet(std::size_t rawBytes = 8000) {
        std::string text;
        const auto section = [&](const char* name, const Keys& entries) {
            text += std::string("[") + name + "]\n";
            for (const auto& [k, v] : entries) text += k + "=" + v + "\n";
        };
        section("settings", settings);
        section("Channel1", channel1);
        section("Channel2", channel2);
        writeFile(setFile, text);
        writeFile(rawFile, std::string(rawBytes, '\x10'));
    }

    CliRun info(const std::vector<std::string>& extra = {}) {
        std::vector<std::string> args = {"info", setFile.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        return runCli(args, home.path());
    }
};

TEST_F(CliInfoTest, DescribesTheShippedSample) {
    fs::copy_file(kSample, dir / kSample.filename());
    fs::copy_file(fs::path(kSample).replace_extension(".raw"), dir / "CV2026Dec001_01.raw");
    const auto before = snapshot(dir.path());
    const CliRun run = runCli({"info", (dir / kSample.filename()).string()}, home.path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    for (const char* line : {"Model:               Corvane\n",
                             "Channels:            2\n",
                             "Sample rate:         1000000 Hz\n",
                             "Points per channel:  8000\n",
                             "First point:         -0.8000 ms\n",
                             "Last point:          7.1990 ms\n",
                             "Triggered:           yes\n",
                             "Stop pressed:        no\n",
                             "Channel 1:           VOD, 0 to 5 V\n",
                             "Channel 2:           scope, -10 to 10 V\n"})
        EXPECT_NE(run.out.find(line), std::string::npos) << line << run.out;
    EXPECT_NE(run.out.find("Comment:             Data retrieved from Corvane at 14:05:10 on 06 Dec "
                           "2026 Test 1 of 1\n                     Bench 3"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find("Warning"), std::string::npos);
    EXPECT_EQ(snapshot(dir.path()), before);
    EXPECT_TRUE(fs::is_empty(home.path()));
}

TEST_F(CliInfoTest, SampleAsJson) {
    const CliRun run = runCli({"info", kSample.string(), "--json"}, home.path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto json = parseFlatJson(run.out);
    const std::map<std::string, std::string> expected = {
        {"model", "Corvane"},
        {"channelCount", "2"},
        {"sampleRateHz", "1000000"},
        {"compressed", "false"},
        {"dataFileBytes", "32000"},
        {"words", "16000"},
        {"pointsPerChannel", "8000"},
        {"firstPointMs", "-0.8"},
        {"triggered", "true"},
        {"stopPressed", "false"},
        {"oddTrailingByteIgnored", "false"},
        {"comment", "Data retrieved from Corvane at 14:05:10 on 06 Dec 2026 Test 1 of 1\n"
                    "Bench 3, hole 12: 89 mm ANFO column, probe 2.5 m, gauge at 5 m"},
        {"channel1Kind", "VOD"},
        {"channel1MinVoltage", "0"},
        {"channel1MaxVoltage", "5"},
        {"channel1Skipped", "false"},
        {"channel2Kind", "scope"},
        {"channel2MinVoltage", "-10"},
        {"channel2MaxVoltage", "10"},
    };
    for (const auto& [key, value] : expected) {
        ASSERT_TRUE(json.count(key)) << key;
        EXPECT_EQ(json.at(key), value) << key;
    }
    EXPECT_NEAR(std::stod(json.at("lastPointMs")), 7.199, 1e-9);
}

TEST_F(CliInfoTest, UsageErrorsExitWithTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {}, {"info"}, {"info", "--bogus", "x.crv"}, {"frobnicate"}, {"info", "a.crv", "b.crv"},
    };
    for (const auto& args : cases) {
        const CliRun run = runCli(args, home.path());
        EXPECT_EQ(run.exitCode, 2) << testing::PrintToString(args) << run.out << run.err;
        EXPECT_FALSE(run.err.empty());
    }
    const CliRun help = runCli({"info", "--help"}, home.path());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--json"), std::string::npos);
}

struct BadCase {
    const char* name;
    std::function<void(CliInfoTest&)> spoil;  // applied after the valid test set is written
    const char* message;                      // part of the expected error text
};

TEST_F(CliInfoTest, BadTestSetsFailWithAClearMessageAndChangeNothing) {
    const auto rewrite = [](const char* section, const char* key, std::optional<std::string> value) {
        return [=](CliInfoTest& t) {
            Keys& target = std::string(section) == "settings" ? t.settings
                           : std::string(section) == "Channel1" ? t.channel1
                                                                : t.channel2;
            CliInfoTest::set(target, key, value);
            t.writeTestSet();
        };
    };
    const std::vector<BadCase> cases = {
        {"no set file", [](CliInfoTest& t) { fs::remove(t.setFile); }, "not found"},
        {"set file is a folder",
         [](CliInfoTest& t) { fs::remove(t.setFile); fs::create_directory(t.setFile); },
         "is not a file"},
        {"binary set file",
         [](CliInfoTest& t) { writeFile(t.setFile, std::string("[settings]\nNrChannels=2\n\0\0\x01\x02", 27)); },
         "is not a text file"},
        {"empty set file", [](CliInfoTest& t) { writeFile(t.setFile, ""); }, "is empty"},
        {"no model", rewrite("settings", "DataCollector", {}), "String not found in settingsDataCollector"},
        {"no channel count", rewrite("settings", "NrChannels", {}), "Integer not found in settingsNrChannels"},
        {"channel count a word", rewrite("settings", "NrChannels", "two"), "Integer not found in settingsNrChannels"},
        {"channel count beyond 16 bits", rewrite("settings", "NrChannels", "70000"), "Integer not found in settingsNrChannels"},
        {"no channels", rewrite("settings", "NrChannels", "0"), "NrChannels is 0"},
        {"six channels", rewrite("settings", "NrChannels", "6"), "NrChannels is 6"},
        {"no sample rate", rewrite("settings", "SampleSpeedInHz", {}), "String not found in settingsSampleSpeedInHz"},
        {"zero sample rate", rewrite("settings", "SampleSpeedInHz", "0"), "SampleSpeedInHz is 0"},
        {"negative sample rate", rewrite("settings", "SampleSpeedInHz", "-1000"), "SampleSpeedInHz is -1000"},
        {"sample rate beyond 32 bits", rewrite("settings", "SampleSpeedInHz", "99999999999"), "Integer not found in settingsSampleSpeedInHz"},
        {"sample rate beyond reals", rewrite("settings", "SampleSpeedInHz", "1e400"), "Integer not found in settingsSampleSpeedInHz"},
        {"no pre-trigger", rewrite("settings", "PreTriggerPts", {}), "String not found in settingsPreTriggerPts"},
        {"negative pre-trigger", rewrite("settings", "PreTriggerPts", "-5"), "PreTriggerPts is -5"},
        {"voltage not a number", rewrite("Channel2", "MinVoltage", "1.5.2"), "Invalid number at Channel2MinVoltage"},
        {"no data file", [](CliInfoTest& t) { fs::remove(t.rawFile); }, "Test01.raw not found"},
        {"data file a folder",
         [](CliInfoTest& t) { fs::remove(t.rawFile); fs::create_directory(t.rawFile); },
         "Test01.raw is not a file"},
        {"empty data file", [](CliInfoTest& t) { writeFile(t.rawFile, ""); }, "Test01.raw is empty"},
        {"less than a record", [](CliInfoTest& t) { writeFile(t.rawFile, "abc"); }, "less than one record"},
        {"compressed file missing", rewrite("settings", "RawFileCompressed", "T"), "Test01.cmp not found"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        keys = TestSetKeys{};
        fs::remove_all(setFile);
        fs::remove_all(rawFile);
        writeTestSet();
        c.spoil(*this);
        const auto before = snapshot(dir.path());
        for (const bool json : {false, true}) {
            const CliRun run = info(json ? std::vector<std::string>{"--json"} : std::vector<std::string>{});
            EXPECT_EQ(run.exitCode, 1) << run.out;
            EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
            EXPECT_EQ(run.out, "");
        }
        EXPECT_EQ(snapshot(dir.path()), before);
    }
    EXPECT_TRUE(fs::is_empty(home.path()));
}

TEST_F(CliInfoTest, OddAndIncompleteTailsAreIgnoredWithAWarning) {
    writeTestSet(4001 * 2 + 1);  // 4001 words and a byte: 2000 records, one word, one byte
    const CliRun run = info();
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("Points per channel:  2000\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Warning: the data file has an odd length; its last byte is ignored\n"),
              std::string::npos);
    EXPECT_NE(run.out.find("Warning: 1 words after the last whole record are ignored\n"),
              std::string::npos);
    const auto json = parseFlatJson(info({"--json"}).out);
    EXPECT_EQ(json.at("oddTrailingByteIgnored"), "true");
    EXPECT_EQ(json.at("incompleteRecordWordsIgnored"), "1");
    EXPECT_EQ(json.at("words"), "4001");
}

TEST_F(CliInfoTest, TriggerStatesAndFirstPointTime) {
    struct Case {
        const char *triggered, *stopPressed;
        std::optional<std::string> preTrigger;
        const char *first, *last;
    };
    // 8000 bytes: 4000 words, 2000 points per channel at 1 MHz.
    const std::vector<Case> cases = {
        {"T", "F", "1000", "-0.5000 ms", "1.4990 ms"},
        {"T", "T", "1000", "-0.5000 ms", "1.4990 ms"},
        {"F", "T", "1000", "-1.9990 ms", "0.0000 ms"},
        {"F", "T", std::nullopt, "-1.9990 ms", "0.0000 ms"},  // not needed then
        {"T", "F", "1001", "-0.5000 ms", "1.4990 ms"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.triggered) + c.stopPressed);
        set(settings, "Triggered", c.triggered);
        set(settings, "Stop Pressed", c.stopPressed);
        set(settings, "PreTriggerPts", c.preTrigger);
        writeTestSet();
        const CliRun run = info();
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_NE(run.out.find(std::string("First point:         ") + c.first), std::string::npos) << run.out;
        EXPECT_NE(run.out.find(std::string("Last point:          ") + c.last), std::string::npos) << run.out;
    }
}

TEST_F(CliInfoTest, CommentTextIsEscapedIntoValidJson) {
    // A Latin-1 byte (0xE9), UTF-8 (micro sign), quotes, a backslash, a tab and a control byte.
    set(settings, "FileComment", "He said \"go\\\" [nl]tab\there \xE9 \xC2\xB5 \x07end");
    writeTestSet();
    const CliRun run = info({"--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto json = parseFlatJson(run.out);
    EXPECT_EQ(json.at("comment"), "He said \"go\\\" \ntab\there \xC3\xA9 \xC2\xB5 \x07end");
    const CliRun text = info();
    EXPECT_NE(text.out.find("Comment:             He said \"go\\\" \n                     tab\there"),
              std::string::npos)
        << text.out;
}

TEST_F(CliInfoTest, SkippedChannelsMemoryAndCompressedData) {
    set(settings, "Ch2on", "F");
    set(settings, "OFL", "0");
    set(settings, "ASTOP", "3000");
    writeTestSet();
    CliRun run = info();
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("Channel 2:           scope, -10 to 10 V, skipped"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Memory filled:       no; points after 1499 are uninitialised"), std::string::npos) << run.out;
    EXPECT_EQ(parseFlatJson(info({"--json"}).out).at("lastValidPoint"), "1499");

    set(settings, "RawFileCompressed", "T");
    writeTestSet();
    fs::rename(rawFile, dir / "Test01.cmp");
    run = info();
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("Test01.cmp (8000 bytes, compressed)"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Points per channel:  unknown"), std::string::npos);
    const auto json = parseFlatJson(info({"--json"}).out);
    EXPECT_EQ(json.at("compressed"), "true");
    EXPECT_EQ(json.at("pointsPerChannel"), "null");
    EXPECT_EQ(json.at("firstPointMs"), "-0.5");
}

}  // namespace

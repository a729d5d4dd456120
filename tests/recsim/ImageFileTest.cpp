// Recorder images on disk: what is saved loads back unchanged, and broken images are refused
// with a message that names the problem.

#include "TestImages.h"
#include "recsim/Emulator.h"
#include "recsim/ImageDescription.h"
#include "recsim/ImageError.h"
#include "recsim/RecorderImageFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <random>

namespace recsim {
namespace {

namespace fs = std::filesystem;

class ImageFile : public ::testing::Test {
protected:
    fs::path write(const std::string& name, const std::string& text) {
        const fs::path p = m_dir / name;
        testsupport::writeFile(p, text);
        return p;
    }
    testsupport::TempDir m_dir;
};

TEST_F(ImageFile, SavedImagesLoadBackUnchanged) {
    RecorderImage image = testing::smallImage(5, 8, 64);
    image.port = 0x3BC;
    image.seed = 0xFFFFFFFFFFFFFFFFull;
    image.inputs[0].vtOffsetVolts = 0.1 + 0.2;  // a value without a short decimal form
    image.tests[1].halfStep = true;
    image.tests[1].sampleSpeedCode = 13;  // no table entry: saved as a code
    image.tests[1].channels[1].selectCode = 7;
    image.tests[2].channels[0].initialSamples = std::array<int, 16>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16383};
    image.tests[2].channels[1].signal.kind = SignalKind::Ramp;
    image.tests[2].channels[1].selectCode = 2;
    image.tests[3].samplesFile = write("words.raw", std::string("\x01\x02\x03\x04", 4));
    image.faults.ackDelayReads = 3;
    image.faults.stuck = {StuckLine::Kind::Data, 2, true};
    image.faults.markerErrorStep = 12;
    image.faults.ecpNeverFull = true;
    image.overrides = {{32, 19, 0x07}, {2, 5, 0xFF}};
    const fs::path file = m_dir / "recorder.ini";
    saveImage(image, file);
    EXPECT_EQ(loadImage(file), image);
}

TEST_F(ImageFile, AHandWrittenImageNeedsOnlyTheEssentials) {
    const fs::path file = write("min.ini",
                                "[Recorder]\nSerialNumber = 12\nSlots = 2\nMeasurementCounter = 9\n"
                                "MemoryWords = 0x3000\n"
                                "[Test1]\nSampleRate = 5000000\nATRIG = 100\nASTOP = 64\n"
                                "[test1  CHANNEL1]\ninput = vod\nvelocity = 7200\n");
    const RecorderImage image = loadImage(file);
    EXPECT_EQ(image.port, 888u);
    EXPECT_EQ(image.memoryWords, 0x3000u);
    ASSERT_EQ(image.tests.size(), 1u);
    EXPECT_EQ(image.tests[0].sampleSpeedCode, 11);
    EXPECT_EQ(image.tests[0].channels[0].selectCode, 1);
    EXPECT_EQ(image.tests[0].channels[0].signal.kind, SignalKind::Vod);
    EXPECT_EQ(image.tests[0].channels[0].signal.velocityMps, 7200.0);
    EXPECT_EQ(image.tests[0].channels[1].selectCode, 0);
    EXPECT_EQ(image.tests[0].channelCount(), 1);
    EXPECT_NO_THROW(Emulator{image});
}

struct BadImage {
    const char* name;
    std::string text;
    const char* message;  // part of the error message
};

const std::string kRecorder = "[Recorder]\nSerialNumber = 1\nSlots = 4\nMeasurementCounter = 5\n";
const std::string kTestHead = "[Test1]\nSampleRate = 1000000\nATRIG = 64\nASTOP = 32\n[Test1 Channel1]\n";
const std::string kTest = kTestHead + "Input = VOD\n";

class BadImages : public ImageFile, public ::testing::WithParamInterface<BadImage> {};

TEST_P(BadImages, AreRefusedWithAClearMessage) {
    const BadImage& c = GetParam();
    const fs::path file = write("bad.ini", c.text);
    try {
        loadImage(file);
        FAIL() << "accepted";
    } catch (const ImageError& e) {
        EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("bad.ini"), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadImages,
    ::testing::Values(
        BadImage{"empty", "", "no [Recorder] section"},
        BadImage{"noSlots", "[Recorder]\nSerialNumber = 1\nMeasurementCounter = 5\n", "has no Slots"},
        BadImage{"noSerial", "[Recorder]\nSlots = 1\nMeasurementCounter = 5\n", "has no SerialNumber"},
        BadImage{"slotsNotPower", "[Recorder]\nSerialNumber = 1\nMeasurementCounter = 5\nSlots = 3\n",
                 "Slots must be 1, 2, 4, 8 or 16"},
        BadImage{"memoryTooLarge", kRecorder + "MemoryWords = 99999999999\n", "MemoryWords"},
        BadImage{"memoryNotBlocks", kRecorder + "MemoryWords = 10000\n", "multiple of 6144"},
        BadImage{"portOutOfRange", kRecorder + "Port = 70000\n", "Port"},
        BadImage{"garbageNumber", kRecorder + "Seed = 12abc\n", "Seed = \"12abc\""},
        BadImage{"unknownKey", kRecorder + "Sluts = 4\n", "unknown key Sluts"},
        BadImage{"unknownSection", kRecorder + "[Tset1]\n", "unknown section [Tset1]"},
        BadImage{"testGap", kRecorder + "[Test2]\n", "[Test1] is missing"},
        BadImage{"noChannel1", kRecorder + "[Test1]\nSampleRate = 1000\nATRIG = 0\nASTOP = 0\n",
                 "no section [Test1 Channel1]"},
        BadImage{"noAstop", kRecorder + "[Test1]\nSampleRate = 1000\nATRIG = 0\n[Test1 Channel1]\nInput = Off\n",
                 "has no ASTOP"},
        BadImage{"rateNotInTable", kRecorder + "[Test1]\nSampleRate = 1234\nATRIG = 0\nASTOP = 0\n", "one of 250"},
        BadImage{"astopOutsideSlot", kRecorder + "MemoryWords = 6144\n" + "[Test1]\nSampleRate = 1000\nATRIG = 0\nASTOP = 1536\n[Test1 Channel1]\nInput = Off\n",
                 "outside the slot"},
        BadImage{"astopNotGroup", kRecorder + "[Test1]\nSampleRate = 1000\nATRIG = 0\nASTOP = 33\n[Test1 Channel1]\nInput = Off\n",
                 "not a multiple of 32"},
        BadImage{"vodOnScope", kRecorder + kTestHead + "Input = 0 to 10 V\nSignal = VOD\n", "needs Input = VOD"},
        BadImage{"badInput", kRecorder + "[Test1]\nSampleRate = 1000\nATRIG = 0\nASTOP = 0\n[Test1 Channel1]\nInput = 0 to 20 V\n",
                 "Input = \"0 to 20 V\""},
        BadImage{"tooManyTests", "[Recorder]\nSerialNumber = 1\nSlots = 1\nMeasurementCounter = 5\n" + kTest +
                                     "[Test2]\nSampleRate = 1000\nATRIG = 0\nASTOP = 0\n[Test2 Channel1]\nInput = Off\n",
                 "do not fit 1 slots"},
        BadImage{"strayChannel", kRecorder + kTest + "[Test3 Channel2]\nInput = Off\n", "belongs to no [Test3]"},
        BadImage{"vfs2", kRecorder + "[Input1]\nVFS2 = 0.001\n", "share VFS1"},
        BadImage{"rsrfTooLarge", kRecorder + "[Input2]\nRSRF = 1000\n", "RSRF"},
        BadImage{"vtTableTooHigh", kRecorder + "[Input1]\nVTGain = 0.01\n", "threshold table"},
        BadImage{"smallerModel", kRecorder + "Model = Pellion\n", "not emulated yet"},
        BadImage{"badStuckLine", kRecorder + "[Faults]\nStuckLine = status9:1\n", "StuckLine"},
        BadImage{"badOverride", kRecorder + "[SettingsMemory]\n300.1 = 5\n", "300.1"},
        BadImage{"badVs", kRecorder + kTestHead + "Input = VOD\nVS = 1, 2, 3\n", "16 codes"},
        BadImage{"missingSamples", kRecorder + "[Test1]\nSampleRate = 1000\nATRIG = 0\nASTOP = 0\nSamplesFile = nowhere.raw\n[Test1 Channel1]\nInput = Off\n",
                 "nowhere.raw"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(ImageFile, BinaryGarbageIsRefusedNotCrashedOn) {
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        std::string junk(2000, '\0');
        for (char& c : junk) c = static_cast<char>(random() & 0xFF);
        if (round % 2) junk = kRecorder + junk;  // garbage after a good start
        const fs::path file = write("junk.ini", junk);
        try {
            const RecorderImage image = loadImage(file);
            Emulator e(image);  // if it did load, it must be usable
        } catch (const ImageError&) {
        }
    }
}

TEST_F(ImageFile, AMissingFileSaysSo) {
    try {
        loadImage(m_dir / "absent.ini");
        FAIL();
    } catch (const ImageError& e) {
        EXPECT_NE(std::string(e.what()).find("absent.ini: cannot be read"), std::string::npos) << e.what();
    }
}

TEST(Description, NamesWhatTheAnalysisWillFind) {
    const RecorderImage image = testing::smallImage(3, 4);
    const std::string text = describeImage(image);
    for (const char* part : {"serial number 1207", "port 888 (0x378)", "3 tests stored, 1 slot free",
                             "measurements 101 to 103", "consumed at 6500 m/s", "pressure pulse 6 V",
                             "enter unit resistance 10.8", "Test 3", "Faults: none."})
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
}

}  // namespace
}  // namespace recsim

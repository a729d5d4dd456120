#include "download/SettingsWriter.h"

#include "download/LineDecoding.h"
#include "download/RecorderTables.h"
#include "download/SettingsIndexError.h"
#include "download/TestHeader.h"
#include "link/LinkErrors.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>
#include <utility>

namespace download {
namespace {

constexpr int kSerialLine = 14;
constexpr std::array<int, 2> kCalibrationLine{96, 128};
constexpr std::array<int, 2> kTableBaseLine{98, 130};
constexpr int kRpLimit = 999;

std::size_t channelIndex(int ch) {
    if (ch != 1 && ch != 2) throw std::invalid_argument("channel " + std::to_string(ch));
    return static_cast<std::size_t>(ch - 1);
}

}  // namespace

SettingsWriter::SettingsWriter(Sets& sets, LineSource& lines, int slots, DownloadClock clock)
    : m_sets(sets), m_lines(lines), m_slots(slots), m_clock(std::move(clock)) {}

TriggerAndStop SettingsWriter::WriteTestSettings(int t, std::int32_t measurement) {
    checkTestNumber(t, m_slots);
    m_sets.WriteSetting("DataCollector", "Corvane");
    m_sets.WriteSettingNumber("Measurement", measurement);
    if (measurement == 0)
        throw vantrel::link::recorderNotFound(kMeasurementZeroCode);

    const TestHeader header = readTestHeader(m_lines, t);
    const MemoryPositions at = memoryPositions(header, m_slots);
    m_sets.WriteSetting("TriggerPositionCode", triggerPositionText(header.triggerCode));
    m_sets.WriteSettingNumber("ATRIG", at.atrig);
    m_sets.WriteSettingNumber("ASTOP", at.astop);
    m_sets.WriteSettingNumber("Percent PreTrigger Setting", header.preTriggerCode);
    m_sets.WriteSettingNumber("PercentPreTriggerTime", preTriggerPercent(header.preTriggerCode));
    m_sets.WriteSettingNumber("PreTriggerPts", at.preTriggerPts);

    m_sets.WriteSettingNumber("NumPtsDownloaded", slotWords(m_slots));
    m_sets.WriteSettingNumber("SampleSpeedCode#", header.sampleSpeedCode);
    m_sets.WriteSettingNumber("SampleSpeedInHz", sampleSpeedHz(header.sampleSpeedCode));
    m_sets.WriteSettingNumber("TriggerLevelCode#", header.triggerLevelCode);
    m_sets.WriteSettingNumber("PercentTriggerLevel", triggerLevelPercent(header.triggerLevelCode));
    m_sets.WriteSettingNumber("OFL", header.overflowed);

    const bool ch1on = header.rangeCode[0] != 0;
    const bool ch2on = header.rangeCode[1] != 0;
    const int channels = ch2on ? 2 : 1;
    m_sets.WriteSettingFlag("Ch1on", ch1on);
    m_sets.WriteSettingFlag("Ch2on", ch2on);
    m_sets.WriteSettingNumber("NrChannels", channels);
    m_sets.WriteSettingFlag("Triggered", header.triggered);
    m_sets.WriteSettingFlag("Ch1Trig", header.ch1Trig);
    m_sets.WriteSettingFlag("Ch2Trig", header.ch2Trig);
    m_sets.WriteSettingFlag("ExtTrig", header.triggered && !header.ch1Trig && !header.ch2Trig);
    m_sets.WriteSettingFlag("Stop Pressed", header.stopPressed);
    m_sets.WriteSetting("DV", "7");
    m_sets.WriteSetting("Serial Nr", "s" + fourDigitText(BcdUnsigned(m_lines, kSerialLine, 18, 16)));
    m_sets.WriteSetting("Download Date", downloadDateText(m_clock()));

    for (int ch = 1; ch <= channels; ++ch)
        writeChannel(ch, header.rangeCode[channelIndex(ch)], header.dac[channelIndex(ch)]);
    return TriggerAndStop{at.atrig, at.astop};
}

void SettingsWriter::writeChannel(int ch, int rangeCode, int dac) {
    const int n = kCalibrationLine[channelIndex(ch)];
    m_sets.WriteChannelNumber("RSRF", BcdUnsigned(m_lines, n, 18, 16), ch);
    m_sets.WriteChannelNumber("RP", std::min<std::int64_t>(BcdUnsigned(m_lines, n, 20, 19), kRpLimit), ch);
    // Five groups of seven bytes from byte 21: a 3-byte signed offset, then a 4-byte gain.
    // Range codes 1 and 2 share the first group.
    const std::int64_t vfs1 = BcdSigned(m_lines, n, 23, 21);
    m_sets.WriteChannelNumber("VFS1", vfs1, ch);
    m_sets.WriteChannelNumber("VFS2", vfs1, ch);
    for (int code = 3; code <= 6; ++code) {
        const int base = 21 + 7 * (code - 2);
        m_sets.WriteChannelNumber("VFS" + std::to_string(code), BcdSigned(m_lines, n, base + 2, base), ch);
    }
    const std::int64_t ks1 = BcdUnsigned(m_lines, n, 27, 24);
    m_sets.WriteChannelNumber("KS1", ks1, ch);
    m_sets.WriteChannelNumber("KS2", ks1, ch);
    for (int code = 3; code <= 6; ++code) {
        const int base = 21 + 7 * (code - 2);
        m_sets.WriteChannelNumber("KS" + std::to_string(code), BcdUnsigned(m_lines, n, base + 6, base + 3), ch);
    }

    m_sets.WriteChannelNumber("SelectCode", rangeCode, ch);
    m_sets.WriteChannelReal("MinVoltage", minimumVoltage(rangeCode), ch);
    m_sets.WriteChannelReal("MaxVoltage", maximumVoltage(rangeCode), ch);
    m_sets.WriteChannelFlag("VOD", rangeCode == kVodRangeCode, ch);
    if (rangeCode != kVodRangeCode) return;

    m_sets.WriteChannelNumber("dacVT", dac, ch);
    const int h = dac / 4 * 4;
    m_sets.WriteChannelNumber("VT" + std::to_string(h), VoltageTable(h, ch), ch);
    if (dac != h) m_sets.WriteChannelNumber("VT" + std::to_string(h + 4), VoltageTable(h + 4, ch), ch);
}

void SettingsWriter::WriteInitialSamples(int t) {
    checkTestNumber(t, m_slots);
    const int n = initialSamplesLine(t);
    for (int i = 0; i < 32; ++i)
        m_sets.WriteChannelNumber("VS" + std::to_string(i / 2), LineWordBE(m_lines, n, i) & 0x3FFF,
                                  i % 2 == 0 ? 1 : 2);
}

std::int32_t SettingsWriter::VoltageTable(int h, int ch) {
    const int base = kTableBaseLine[channelIndex(ch)];
    if (h < kFirstTableDac || h > kLastTableDac + 3)
        throw SettingsIndexError("threshold DAC value " + std::to_string(h) +
                                 " lies outside the calibration table (" +
                                 std::to_string(kFirstTableDac) + " to " +
                                 std::to_string(kLastTableDac) + ")");
    const int offset = h - kFirstTableDac;
    const int line = base + offset / (4 * kTableEntriesPerLine);
    const int j = offset % (4 * kTableEntriesPerLine) / 4;
    return static_cast<std::int32_t>(BcdUnsigned(m_lines, line, 3 * j + 2, 3 * j));
}

}  // namespace download

#pragma once
// Writes the set file of one stored test from the recorder's settings memory: what the test
// was recorded with (sample rate, trigger, ranges, channels), where in the slot it starts and
// stops, the channel calibration and the initial signal codes.
//
// The driver, per test t (NN = t as two digits), with the link's cached lines and directory:
//   sets.SetCurrentSetFile(root + NN + ".crv");
//   SettingsLinesSource source(settingsLines);
//   SettingsWriter writer(sets, source, directory.slots);
//   const TriggerAndStop ts = writer.WriteTestSettings(t, directory.measurementNumber(t));
//   sets.WriteSettingNumber("TestNr", t); ... ("NrTests", stored); ... ("ASTOP", ts.astop);
//   writer.WriteInitialSamples(t);
// then logs "Stored Test t" and transfers the samples with ts.astop.
//
// Errors (keys written before an error stay in the file; each one ends the writing of the
// test, and the driver counts it as a failed download):
//   - common::Error 3341 "PellionNotFound Error 101" (source "Pln download") when the
//     measurement number is 0, raised after "Measurement" was written;
//   - whatever the line source throws for an unreadable line (common::Error 3341, 44);
//   - SettingsIndexError for a code without a table entry, a threshold DAC value outside the
//     calibration table, a slot count other than 1, 2, 4, 8, 16 or a test outside the slots;
//   - common::IoError when the set file cannot be written.

#include "download/DownloadDate.h"
#include "download/LineSource.h"
#include "download/Sets.h"

#include <cstdint>

namespace download {

// The test's trigger and stop addresses within its slot ("ATRIG", "ASTOP").
struct TriggerAndStop {
    std::int32_t atrig = 0;
    std::int32_t astop = 0;
};

// Code after "PellionNotFound Error " in error 3341 for a measurement number of 0.
inline constexpr int kMeasurementZeroCode = 101;

// First DAC value of the threshold voltage table and the table's extent: 21 entries of 3
// BCD bytes on each of 30 lines (98 to 127 for channel 1, 130 to 159 for channel 2), one
// entry every 4 DAC values.
inline constexpr int kFirstTableDac = 1576;
inline constexpr int kTableEntriesPerLine = 21;
inline constexpr int kTableLines = 30;
inline constexpr int kLastTableDac =
    kFirstTableDac + 4 * (kTableLines * kTableEntriesPerLine - 1);  // 4092

class SettingsWriter {
public:
    // slots: the number of test slots from the recorder's directory.
    SettingsWriter(Sets& sets, LineSource& lines, int slots, DownloadClock clock = localTimeNow);

    // Section "settings" and the channel sections of test t (1 to slots) with the given
    // measurement number; returns the test's trigger and stop addresses.
    TriggerAndStop WriteTestSettings(int t, std::int32_t measurement);

    // "VS0" to "VS15" of both channels (also for a one-channel test): the 32 big-endian words
    // of line 4t + 30, low 14 bits, channel 1 in the even words and channel 2 in the odd.
    void WriteInitialSamples(int t);

    // The threshold voltage table entry of channel ch (1 or 2) for DAC value h (units of
    // 10 uV). h from kFirstTableDac to kLastTableDac + 3 (a value between entries takes the
    // entry below it); outside that range SettingsIndexError.
    std::int32_t VoltageTable(int h, int ch);

private:
    void writeChannel(int ch, int rangeCode, int dac);

    Sets& m_sets;
    LineSource& m_lines;
    int m_slots;
    DownloadClock m_clock;
};

}  // namespace download

#pragma once
// The conversion tables of a test's channels, from the calibration values in its set file.
// The recorder model comes from the set file's extension, the channel kind from
// clasSetFileEC::bIsVODchannel, and for the smaller recorder's VOD channel the formula from
// the layout version "DV" of section "settings" (missing is 1).
//
// Failures:
// - common::Error 3250, "Set File Object", "Cannot create lookup table for channel " & n:
//   the extension is not "crv", "plr", "qdr" or "qd2";
// - common::Error 3250, "Set File Object", "Cant analyze VOD settings for channel " & n:
//   a VOD channel whose "Unit resistance" is 0 or below (the dialog that enters it accepts
//   only values above 0, and a negative one would turn every distance round);
// - the accessor's errors 3242 / 3245 for a missing or malformed calibration key.
// A channel whose formula meets a divider without a finite value (a factor stored as 0, an
// initial signal voltage equal to the threshold, a code voltage of exactly 0 in the layout
// 2, 3 and 6 form, an overflow) is not an error but a table with status NotConvertible and the
// reason; the caller decides how the test opens. A set file of layout 7 or above shows the
// newer-version message and gives status NewerVersion for the smaller recorder's VOD channel.
//
// Every key is read once, before the loop over the codes: set-file reads are not cached.

#include "analysis/files/ChannelTable.h"
#include "analysis/files/clasSetFileEC.h"

namespace common {
class Prompt;
}

namespace files {

ChannelTable CreateChannelTable(const clasSetFileEC& setFile, int channel, common::Prompt& prompt);

// The two-channel recorder's VOD threshold voltage in volts: "VT" & dacVT / 100000, or the
// linear interpolation between the calibration points every 4 codes around dacVT.
double ThresholdVoltage(const clasSetFileEC& setFile, int channel);

// The mean of the integers stored under "VS0" .. "VS" & lastIndex, every one of them required.
double InitialSignalCode(const clasSetFileEC& setFile, int channel, int lastIndex);

inline constexpr const char* kNewerVersionMessage =
    "This data set was downloaded by a version of the Pellion "
    "software that is newer than this version.[nl]"
    "Please obtain the newest version of this software from your supplier.";

}  // namespace files

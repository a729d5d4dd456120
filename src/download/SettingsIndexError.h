#pragma once
// A recorder value that the settings map cannot decode: a code with no table entry (a 4-bit
// code of 12 to 15, a range code of 7), a threshold DAC value outside the calibration table,
// a test number or slot count outside the recorder's directory limits. It ends the writing of
// the test; the download driver counts it as a failed download. Nothing is ever read outside
// a table or a settings line because of such a value.

#include <stdexcept>

namespace download {

class SettingsIndexError : public std::out_of_range {
public:
    using std::out_of_range::out_of_range;
};

}  // namespace download

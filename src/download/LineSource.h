#pragma once
// Where the settings writer gets the recorder's settings memory from: the 64 bytes of one
// settings line. During a download this is the recorder link's cached line read
// (SettingsLinesSource); tests give hand-made bytes.

#include "link/LineDecoders.h"

namespace download {

using LineBytes = vantrel::link::LineBytes;

class LineSource {
public:
    virtual ~LineSource() = default;
    // The bytes of settings line n (0 to 256). A line that cannot be read throws (the link
    // raises common::Error 3341, "PellionNotFound Error 44"); a line number outside 0 to 256
    // throws std::out_of_range.
    virtual LineBytes line(int n) = 0;
};

}  // namespace download

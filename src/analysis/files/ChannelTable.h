#pragma once
// The code-to-value table of one channel: for every 14-bit sample code (0..16383) the
// channel's value, volts for a scope channel, probe length consumed for a VOD channel.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace files {

inline constexpr std::size_t kTableSize = 16384;
inline constexpr std::int32_t kTableUpperIndex = 16383;

enum class TableStatus {
    Built,           // values holds kTableSize finite entries
    NoTable,         // a hand-held recorder's channel: no table by design, and no error
    NotConvertible,  // a divider of the channel's formula has no finite value (see reason)
    NewerVersion,    // the set file was written by newer software; the user has been told
};

struct ChannelTable {
    TableStatus status = TableStatus::NoTable;
    // kTableSize entries when built, none otherwise. Never holds an infinity or a NaN.
    std::vector<double> values;
    // The upper index of values: kTableUpperIndex when built, -1 when empty.
    std::int32_t count = -1;
    // Why there is no table, for the user (NotConvertible, NewerVersion).
    std::string reason;

    bool convertible() const { return status == TableStatus::Built; }
    // The value of a code; the caller keeps codes within 0..count.
    double operator[](std::size_t code) const { return values[code]; }
};

}  // namespace files

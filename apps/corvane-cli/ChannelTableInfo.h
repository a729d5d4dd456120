#pragma once
// The unit of a channel's values and whether its conversion table can be built, for
// "corvane-cli info". Nothing is written: the table is built in memory from the set file.

#include <string>

#include "analysis/files/clasSetFileEC.h"

namespace cli {

struct ChannelTableInfo {
    // VOD channel: the test's length unit ("Unknown m or ft" when none); scope channel: the
    // channel graph's "Y units" (default "V").
    std::string units;
    // "built", "none" (hand-held recorder), "skipped" (channel switched off),
    // "not convertible" or "failed".
    std::string table;
    // Why there is no table ("" when built, none or skipped).
    std::string note;
};

ChannelTableInfo describeChannelTable(const files::clasSetFileEC& set, int channel);

}  // namespace cli

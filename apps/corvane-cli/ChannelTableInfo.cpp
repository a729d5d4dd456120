#include "ChannelTableInfo.h"

#include "analysis/files/CreateTable.h"
#include "common/Error.h"
#include "common/IniFunctions.h"
#include "common/ScriptedPrompt.h"

namespace cli {

ChannelTableInfo describeChannelTable(const files::clasSetFileEC& set, int channel) {
    ChannelTableInfo info;
    if (set.bIsVODchannel(channel)) {
        const auto unit = common::ReadIniString(set.sSetFileName(), "settings",
                                                "Length unit for unit resistance");
        info.units = unit.found && !unit.value.empty() ? unit.value : "Unknown m or ft";
    } else {
        info.units = common::ReadIniStringOr(set.sSetFileName(),
                                             files::clasSetFileEC::sChannelSection(channel),
                                             "Y units", "V");
    }
    if (set.bSkipChannel(channel)) {
        info.table = "skipped";
        return info;
    }
    // The newer-version notice of the tables is a reason here, not a box.
    common::ScriptedPrompt quiet;
    quiet.setDefaultAnswer(false);
    try {
        const files::ChannelTable table = files::CreateChannelTable(set, channel, quiet);
        switch (table.status) {
        case files::TableStatus::Built: info.table = "built"; break;
        case files::TableStatus::NoTable: info.table = "none"; break;
        case files::TableStatus::NotConvertible:
        case files::TableStatus::NewerVersion:
            info.table = "not convertible";
            info.note = table.reason;
            break;
        }
    } catch (const common::Error& e) {
        info.table = "failed";
        info.note = e.description() + " (error " + std::to_string(e.number()) + ")";
    } catch (const std::exception& e) {
        info.table = "failed";
        info.note = e.what();
    }
    return info;
}

}  // namespace cli

#include "analysis/measure/ProbeUnits.h"

#include "analysis/files/SetFileKeys.h"
#include "common/IniFunctions.h"

namespace measure {
namespace {

using Keys = files::SetFileKeys;

std::string mainText(const files::clasSetFileEC& setFile, std::string_view key) {
    return common::ReadIniString(setFile.sSetFileName(), Keys::Settings, key).value;
}

}  // namespace

std::string lengthUnit(const files::clasSetFileEC& setFile) {
    std::string unit = mainText(setFile, Keys::LengthUnit);
    return unit.empty() ? "m" : unit;
}

bool GetDistanceUnitVOD(const files::clasSetFileEC& setFile, std::string& unit) {
    unit = lengthUnit(setFile);
    return true;
}

bool isDistanceChannel(const files::clasSetFileEC& setFile, int channel) {
    const std::string model = mainText(setFile, Keys::DataCollector);
    if (model == Keys::Quiddor) return true;
    if (model == Keys::Corvane)
        return setFile.lChannelLongWithDefault(channel, Keys::SelectCode, 0) == 1;
    if (model == Keys::Pellion) return setFile.bIsVODchannel(channel);
    return false;
}

std::string sQuantityUnitStr(const files::clasSetFileEC& setFile, int channel) {
    return isDistanceChannel(setFile, channel) ? "Distance (" + lengthUnit(setFile) + ")"
                                               : "Voltage (V)";
}

std::string sChannelUnits(const files::clasSetFileEC& setFile, int channel) {
    return isDistanceChannel(setFile, channel) ? lengthUnit(setFile) : "V";
}

std::string sVODunits(const files::clasSetFileEC& setFile) { return lengthUnit(setFile) + "/s"; }

FormulaQuantityUnits GetFormulaQuantityUnits(const files::clasSetFileEC& setFile,
                                             const GraphIdentity& graph) {
    if (graph.vod) return {"V", "Distance", lengthUnit(setFile)};
    if (graph.event) {
        const std::string& file = setFile.sSetFileName();
        return {common::ReadIniStringOr(file, graph.section, "Y formula", "1*V+0"),
                common::ReadIniStringOr(file, graph.section, "Y quantity", "Voltage"),
                common::ReadIniStringOr(file, graph.section, "Y units", "V")};
    }
    return {"V", "Voltage", "V"};
}

}  // namespace measure

#pragma once
// Units and axis texts of resistance-probe (VOD) channels. A VOD channel's table gives the probe
// length consumed, in the test's length unit ("Length unit for unit resistance": "m" or
// "ft"); VOD is that unit per second.
//
// Which channels show distances depends on the recorder model ("DataCollector"): every channel
// of a "Quiddor"; a channel of a "Corvane" whose "SelectCode" is 1; a channel of a "Pellion"
// flagged "PellionVOD". Any other model, or none, shows volts. These texts never fail: a
// missing length unit reads as "m", the unit the resistance dialog offers first.

#include <string>

#include "analysis/files/clasSetFileEC.h"

namespace measure {

// The test's length unit ("m" when the set file has none).
std::string lengthUnit(const files::clasSetFileEC& setFile);

// The length unit; ok (the result) is always true.
bool GetDistanceUnitVOD(const files::clasSetFileEC& setFile, std::string& unit);

// Whether the channel's values are distances, by the model rules above.
bool isDistanceChannel(const files::clasSetFileEC& setFile, int channel);

// Y axis title: "Distance (" + length unit + ")" for a VOD channel, else "Voltage (V)".
std::string sQuantityUnitStr(const files::clasSetFileEC& setFile, int channel);

// The unit alone: the length unit for a VOD channel, else "V".
std::string sChannelUnits(const files::clasSetFileEC& setFile, int channel);

// The VOD unit text: the length unit followed by "/s" (m/s, ft/s).
std::string sVODunits(const files::clasSetFileEC& setFile);

struct FormulaQuantityUnits {
    std::string formula;
    std::string quantity;
    std::string units;
};

// What a graph is, as far as its Y texts go.
struct GraphIdentity {
    bool vod = false;     // the graph shows a VOD channel (channel or event graph)
    bool event = false;   // an event graph: a part of a channel saved as a graph of its own
    std::string section;  // the graph's section of the set file ("Event3", ...)
};

// VOD graph: "V", "Distance", length unit. Event graph: its "Y formula", "Y quantity" and
// "Y units" (defaults "1*V+0", "Voltage", "V"). Any other graph: "V", "Voltage", "V".
FormulaQuantityUnits GetFormulaQuantityUnits(const files::clasSetFileEC& setFile,
                                             const GraphIdentity& graph);

}  // namespace measure

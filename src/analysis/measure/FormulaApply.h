#pragma once
// The formula dialog's apply commands on a dataset's graph.

#include <cstdint>
#include <string>

namespace common {
class Prompt;
}
namespace files {
class clsDataset;
}

namespace measure {

// cmdApply: on the units tab (tab index 1) only the quantity and units go to NewYaxisUnits;
// otherwise the formula is checked and, when valid, handed to NewFormulaReplot. True when
// something was applied.
bool cmdApply(files::clsDataset& dataset, std::int32_t graph, const std::string& formula,
              const std::string& quantity, const std::string& units, int tabIndex,
              common::Prompt& prompt);

// The title the new-graph input box proposes: the start time "#0.0" + " ms".
std::string newGraphDefaultTitle(double startMs);

// cmdApplyToNewGraph: checks the formula ("Formula error." on failure), asks for the title
// and makes a new event graph of the channel over startMs..endMs with the formula, quantity
// and units. The new graph's number, or 0 ("Graph not saved." for an empty answer).
std::int32_t cmdApplyToNewGraph(files::clsDataset& dataset, std::int32_t channel, double startMs,
                                double endMs, const std::string& formula,
                                const std::string& quantity, const std::string& units,
                                common::Prompt& prompt);

}  // namespace measure

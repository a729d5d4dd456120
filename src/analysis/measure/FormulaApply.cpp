#include "analysis/measure/FormulaApply.h"

#include "analysis/files/clsDataset.h"
#include "analysis/measure/ScopeFormulas.h"
#include "common/NumberFormat.h"
#include "common/Prompt.h"

namespace measure {

bool cmdApply(files::clsDataset& dataset, std::int32_t graph, const std::string& formula,
              const std::string& quantity, const std::string& units, int tabIndex,
              common::Prompt& prompt) {
    if (tabIndex == 1) {
        dataset.NewYaxisUnits(graph, quantity, units);
        return true;
    }
    if (!CheckFormula(formula, prompt)) return false;
    dataset.NewFormulaReplot(graph, formula, quantity, units);
    return true;
}

std::string newGraphDefaultTitle(double startMs) {
    return common::formatNumber(startMs, "#0.0") + " ms";
}

std::int32_t cmdApplyToNewGraph(files::clsDataset& dataset, std::int32_t channel, double startMs,
                                double endMs, const std::string& formula,
                                const std::string& quantity, const std::string& units,
                                common::Prompt& prompt) {
    if (!CheckFormula(formula, prompt)) {
        prompt.message("Formula error.", common::kMessageTitle);
        return 0;
    }
    const auto title = prompt.input(" Enter the title of the new graph.", "New Graph Name",
                                    newGraphDefaultTitle(startMs));
    if (!title || title->empty()) {
        prompt.message("Graph not saved.", common::kMessageTitle);
        return 0;
    }
    return dataset.AddNewEventGraph(channel, startMs, endMs, *title, formula, quantity, units);
}

}  // namespace measure

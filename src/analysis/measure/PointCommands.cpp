#include "analysis/measure/PointCommands.h"

#include <cmath>
#include <exception>
#include <stdexcept>

#include "analysis/files/clsDataset.h"
#include "common/Error.h"

namespace measure {
namespace {

bool isEventGraph(files::clsDataset& dataset, std::int32_t graph) {
    return dataset.bHasGraph(graph) && !dataset.bGraphDeleted(graph) &&
           dataset.graphKind(graph) == files::GraphKind::Event;
}

// Refusals that every edit shares; true when the edit may go on.
bool mayEdit(DatasetEdits& edits, std::int32_t graph, const char* originalGraphMessage,
             CommandResult& result) {
    files::clsDataset& dataset = edits.dataset();
    if (!isEventGraph(dataset, graph)) {
        common::ShowMessage(edits.prompt(), originalGraphMessage);
        return false;
    }
    if (!dataset.bTestCurIniFileWriteable()) {
        common::ShowMessage(edits.prompt(), files::readOnlyNotice());
        return false;
    }
    if (!edits.stores(graph)) return false;  // no side files for this graph number
    result.outcome = CommandOutcome::Done;
    return true;
}

void reloadGraph(files::clsDataset& dataset, std::int32_t graph) {
    if (files::DatasetGraph* shown = dataset.graph(graph)) shown->Reload();
}

template <class Edit>
CommandResult guarded(DatasetEdits& edits, Edit&& edit) {
    try {
        return edit();
    } catch (const common::IoError& e) {
        common::ShowMessage(edits.prompt(), e.what());
    } catch (const common::Error& e) {
        common::ShowMessage(edits.prompt(), e.description());
    } catch (const std::overflow_error& e) {
        common::ShowMessage(edits.prompt(), e.what());
    }
    return CommandResult{CommandOutcome::Failed, 0};
}

}  // namespace

std::string tooManyMovedPointsMessage() {
    return "Maximum number of moved points is " + std::to_string(kMaxMovedPointsPerEdit) +
           ".  Please zoom in to a smaller graph area. ";
}

std::string confirmRemoveSpikesQuestion(std::int32_t count) {
    return "Removing Negative Distance Changes will require moving " + std::to_string(count) +
           " points. Continue?";
}

CommandResult RemovePt(DatasetEdits& edits, std::int32_t graph, double timeMs) {
    CommandResult result;
    if (!mayEdit(edits, graph, kPointEditOnOriginalGraph, result)) return result;
    if (!std::isfinite(timeMs)) return CommandResult{CommandOutcome::Refused, 0};
    return guarded(edits, [&] {
        const bool stored = edits.StoreRemovedPt(timeMs, graph);
        return CommandResult{stored ? CommandOutcome::Done : CommandOutcome::Nothing,
                             stored ? 1 : 0};
    });
}

CommandResult MovePt(DatasetEdits& edits, std::int32_t graph, double timeMs, double value) {
    CommandResult result;
    if (!mayEdit(edits, graph, kPointEditOnOriginalGraph, result)) return result;
    if (!std::isfinite(timeMs) || !std::isfinite(value))
        return CommandResult{CommandOutcome::Refused, 0};
    return guarded(edits, [&] {
        const bool stored = edits.StoreMovedPt(graph, timeMs, value);
        return CommandResult{stored ? CommandOutcome::Done : CommandOutcome::Refused,
                             stored ? 1 : 0};
    });
}

CommandResult RemoveSpikesInCurGraph(DatasetEdits& edits, std::int32_t graph, double leftMs,
                                     double rightMs) {
    CommandResult result;
    if (!mayEdit(edits, graph, kBulkEditOnOriginalGraph, result)) return result;
    if (!std::isfinite(leftMs) || !std::isfinite(rightMs))
        return CommandResult{CommandOutcome::Refused, 0};
    return guarded(edits, [&] {
        const std::int32_t count = edits.RemoveSpikes(graph, leftMs, rightMs, kCountOnly).count;
        if (count == 0) {
            common::ShowMessage(edits.prompt(), kNoNegativeDistanceChanges);
            return CommandResult{CommandOutcome::Nothing, 0};
        }
        if (count > kMaxMovedPointsPerEdit) {
            common::ShowMessage(edits.prompt(), tooManyMovedPointsMessage());
            return CommandResult{CommandOutcome::Refused, count};
        }
        if (!edits.prompt().askYesNo(confirmRemoveSpikesQuestion(count), kConfirmTitle))
            return CommandResult{CommandOutcome::Cancelled, count};
        const BulkEditResult moved = edits.RemoveSpikes(graph, leftMs, rightMs, kCountAndMove);
        reloadGraph(edits.dataset(), graph);
        return CommandResult{moved.stopped ? CommandOutcome::Stopped : CommandOutcome::Done,
                             moved.count};
    });
}

CommandResult RemoveHumpInCurGraph(DatasetEdits& edits, std::int32_t graph, double leftMs,
                                   double rightMs) {
    CommandResult result;
    if (!mayEdit(edits, graph, kBulkEditOnOriginalGraph, result)) return result;
    if (!std::isfinite(leftMs) || !std::isfinite(rightMs))
        return CommandResult{CommandOutcome::Refused, 0};
    return guarded(edits, [&] {
        const BulkEditResult moved = edits.SetToSlopedPoints(graph, leftMs, rightMs, kCountAndMove);
        if (moved.count > 0) reloadGraph(edits.dataset(), graph);
        const CommandOutcome outcome = moved.count == 0 ? CommandOutcome::Nothing
                                       : moved.stopped  ? CommandOutcome::Stopped
                                                        : CommandOutcome::Done;
        return CommandResult{outcome, moved.count};
    });
}

}  // namespace measure

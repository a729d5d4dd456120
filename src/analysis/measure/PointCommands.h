#pragma once
// The point commands of a graph (remove a point, move a point) and its bulk edits (remove
// negative distance changes, remove a hump), with their refusals and questions. The graph
// window picks the point or passes the time limits of its current view; these functions do
// the rest and tell it whether to show the change.
//
// Only event graphs carry removed and moved points: on a channel graph every command is
// refused with its message and changes nothing.

#include <cstdint>
#include <string>

#include "analysis/measure/DatasetEdits.h"

namespace measure {

// Messages (title "  Message"; "[nl]" is a line break).
inline constexpr const char* kBulkEditOnOriginalGraph =
    "This function can not be used with an Original graph.[nl]Save as a Sub-Graph and try again.";
inline constexpr const char* kPointEditOnOriginalGraph =
    "This function is unavailabe in an Orignal graph.[nl]Save as a Sub-graph and try again.";
inline constexpr const char* kNoNegativeDistanceChanges = "No negative distance changes found.";
inline constexpr std::int32_t kMaxMovedPointsPerEdit = 65536;
inline constexpr const char* kConfirmTitle = "Confirm";
// The value a removed point takes in the plotted arrays (the plots' missing-value marker).
inline constexpr double kMissingValueMarker = -9999.19;

// "Maximum number of moved points is 65536.  Please zoom in to a smaller graph area. "
std::string tooManyMovedPointsMessage();
// "Removing Negative Distance Changes will require moving " + count + " points. Continue?"
std::string confirmRemoveSpikesQuestion(std::int32_t count);

enum class CommandOutcome {
    Done,       // the edit was made (completely)
    Stopped,    // the user stopped a bulk edit part-way; what was moved stays moved
    Nothing,    // nothing to do (no negative changes, a point removed already)
    Cancelled,  // the user said No
    Refused,    // not for this graph, too many points, a read-only test, bad input
    Failed,     // a side file or the set file could not be written (the user was told)
};

struct CommandResult {
    CommandOutcome outcome = CommandOutcome::Refused;
    std::int32_t count = 0;
};

// Stores the removed point at the time. Done: the window shows the point as missing.
CommandResult RemovePt(DatasetEdits& edits, std::int32_t graph, double timeMs);
// Stores the moved point. Done: the window shows the point at its new value.
CommandResult MovePt(DatasetEdits& edits, std::int32_t graph, double timeMs, double value);
// "Remove Negative Distance Changes" over the view leftMs..rightMs: counts, refuses above
// 65536 points, asks, moves, and has the graph reload its points.
CommandResult RemoveSpikesInCurGraph(DatasetEdits& edits, std::int32_t graph, double leftMs,
                                     double rightMs);
// "Remove Hump" over the view: sets the points on a straight line and has the graph reload.
CommandResult RemoveHumpInCurGraph(DatasetEdits& edits, std::int32_t graph, double leftMs,
                                   double rightMs);

}  // namespace measure

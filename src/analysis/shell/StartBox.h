#pragma once
// The start box ("frmIntroBx"): analyse stored tests, retrieve tests from the recorder, or
// exit, by button, toolbar key or the keys A, R and X.

#include <optional>
#include <string_view>

namespace shell {

enum class StartChoice { Analyze, Retrieve, Exit };

inline constexpr const char* kStartBoxCaption = " Main Menu";
inline constexpr const char* kStartBoxTitle = "Corvane";
inline constexpr const char* kAnalyzeLabel = "&Analyze Data";
inline constexpr const char* kRetrieveLabel = "&Retrieve Data";
inline constexpr const char* kExitLabel = "  E&xit";
inline constexpr const char* kRetrieveNotAvailable =
    "Retrieving tests from the recorder is not available yet.";

// A, R and X in either case; any other key chooses nothing.
std::optional<StartChoice> startChoiceForKey(char key);
// Toolbar keys "Analyze" and "Retrieve"; any other key means exit.
StartChoice startChoiceForToolbarKey(std::string_view key);

struct BoxPosition {
    int left = 0;
    int top = 0;
};
// The box in the middle of the main window's inner area, in whole units.
BoxPosition CenterFrm(int innerWidth, int innerHeight, int boxWidth, int boxHeight);

}  // namespace shell

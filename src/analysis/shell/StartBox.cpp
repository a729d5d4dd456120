#include "analysis/shell/StartBox.h"

namespace shell {

std::optional<StartChoice> startChoiceForKey(char key) {
    switch (key) {
        case 'A':
        case 'a':
            return StartChoice::Analyze;
        case 'R':
        case 'r':
            return StartChoice::Retrieve;
        case 'X':
        case 'x':
            return StartChoice::Exit;
        default:
            return std::nullopt;
    }
}

StartChoice startChoiceForToolbarKey(std::string_view key) {
    if (key == "Analyze") return StartChoice::Analyze;
    if (key == "Retrieve") return StartChoice::Retrieve;
    return StartChoice::Exit;
}

BoxPosition CenterFrm(int innerWidth, int innerHeight, int boxWidth, int boxHeight) {
    // Integer division: whole units, as the window system places them.
    return BoxPosition{(innerWidth - boxWidth) / 2, (innerHeight - boxHeight) / 2};
}

}  // namespace shell

#pragma once
// The user's side of a flow: message boxes, questions and the input box. The windows give a
// Qt implementation; tests and the command-line program use ScriptedPrompt.

#include <optional>
#include <string>

namespace common {

class Prompt {
public:
    virtual ~Prompt() = default;

    // A message box with an OK button. "[nl]" in the text is shown as a line break.
    virtual void message(const std::string& text, const std::string& title) = 0;
    // true for Yes.
    virtual bool askYesNo(const std::string& text, const std::string& title) = 0;
    // true for OK.
    virtual bool askOkCancel(const std::string& text, const std::string& title) = 0;
    // The entered text, or nothing when the user cancelled.
    virtual std::optional<std::string> input(const std::string& text, const std::string& title,
                                             const std::string& defaultText) = 0;
};

// Titles of the analysis program's boxes (two leading blanks are part of them).
inline constexpr const char* kMessageTitle = "  Message";
inline constexpr const char* kWarningTitle = "  Warning";

// The common message box of the analysis program: OK button, title "  Message".
void ShowMessage(Prompt& prompt, const std::string& text);

// "[nl]" turned into "\n", for display.
std::string expandLineMarks(const std::string& text);

}  // namespace common

#pragma once
// A Prompt for tests and headless runs: it records every box shown and answers questions
// from a queue given beforehand. An unexpected question is an error, so a test notices it.

#include <deque>
#include <string>
#include <vector>

#include "common/Prompt.h"

namespace common {

class ScriptedPrompt : public Prompt {
public:
    enum class Kind { Message, YesNo, OkCancel, Input };

    struct Shown {
        Kind kind;
        std::string title;
        std::string text;
    };

    // Answers, taken in order by askYesNo/askOkCancel (true = Yes/OK) and input
    // (std::nullopt = Cancel).
    void answerYesNo(bool yes) { m_answers.push_back(Answer{yes, {}}); }
    void answerOkCancel(bool ok) { m_answers.push_back(Answer{ok, {}}); }
    void answerInput(std::optional<std::string> text) {
        m_answers.push_back(Answer{text.has_value(), std::move(text)});
    }
    // When set, questions without a queued answer get this answer instead of an error.
    void setDefaultAnswer(bool yesOrOk) { m_default = yesOrOk; }

    void message(const std::string& text, const std::string& title) override;
    bool askYesNo(const std::string& text, const std::string& title) override;
    bool askOkCancel(const std::string& text, const std::string& title) override;
    std::optional<std::string> input(const std::string& text, const std::string& title,
                                     const std::string& defaultText) override;

    const std::vector<Shown>& shown() const { return m_shown; }
    std::vector<std::string> messages() const;  // texts of Message boxes only
    std::size_t pendingAnswers() const { return m_answers.size(); }
    void clear() { m_shown.clear(); }

private:
    struct Answer {
        bool positive;
        std::optional<std::string> text;
    };
    Answer next(const std::string& text);

    std::deque<Answer> m_answers;
    std::vector<Shown> m_shown;
    std::optional<bool> m_default;
};

}  // namespace common

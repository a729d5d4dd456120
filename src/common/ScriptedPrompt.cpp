#include "common/ScriptedPrompt.h"

#include <stdexcept>

namespace common {

void ScriptedPrompt::message(const std::string& text, const std::string& title) {
    m_shown.push_back({Kind::Message, title, text});
}

ScriptedPrompt::Answer ScriptedPrompt::next(const std::string& text) {
    if (m_answers.empty()) {
        if (m_default) return Answer{*m_default, {}};
        throw std::logic_error("unexpected question: " + text);
    }
    Answer a = std::move(m_answers.front());
    m_answers.pop_front();
    return a;
}

bool ScriptedPrompt::askYesNo(const std::string& text, const std::string& title) {
    m_shown.push_back({Kind::YesNo, title, text});
    return next(text).positive;
}

bool ScriptedPrompt::askOkCancel(const std::string& text, const std::string& title) {
    m_shown.push_back({Kind::OkCancel, title, text});
    return next(text).positive;
}

std::optional<std::string> ScriptedPrompt::input(const std::string& text, const std::string& title,
                                                 const std::string& defaultText) {
    m_shown.push_back({Kind::Input, title, text});
    Answer a = next(text);
    if (!a.positive) return std::nullopt;
    return a.text ? *a.text : defaultText;
}

std::vector<std::string> ScriptedPrompt::messages() const {
    std::vector<std::string> out;
    for (const Shown& s : m_shown)
        if (s.kind == Kind::Message) out.push_back(s.text);
    return out;
}

}  // namespace common

#pragma once
// Message boxes and questions of the programs as Qt dialogs. "[nl]" and CR LF in a
// text are shown as line breaks.

#include "common/Prompt.h"

class QWidget;

namespace common {

class QtPrompt final : public common::Prompt {
public:
    explicit QtPrompt(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    void message(const std::string& text, const std::string& title) override;
    bool askYesNo(const std::string& text, const std::string& title) override;
    bool askOkCancel(const std::string& text, const std::string& title) override;
    std::optional<std::string> input(const std::string& text, const std::string& title,
                                     const std::string& defaultText) override;

private:
    QWidget* m_parent;
};

// The text as shown: "[nl]" and CR LF become line breaks.
std::string displayText(const std::string& text);

}  // namespace common

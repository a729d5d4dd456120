#pragma once
// The system clipboard as the analysis functions use it: cleared, then given a text. The
// windows give an implementation on the desktop clipboard; tests and headless runs use
// HeadlessClipboard.

#include <string>

namespace measure {

// Line break of texts put on the clipboard.
inline constexpr const char* kClipboardLineBreak = "\n";

class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual void clear() = 0;
    virtual void setText(const std::string& text) = 0;
};

// Keeps the text it was given.
class HeadlessClipboard final : public Clipboard {
public:
    void clear() override {
        m_text.clear();
        ++m_clears;
    }
    void setText(const std::string& text) override { m_text = text; }
    const std::string& text() const { return m_text; }
    int clears() const { return m_clears; }

private:
    std::string m_text;
    int m_clears = 0;
};

}  // namespace measure

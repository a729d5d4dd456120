#pragma once
// Progress of a long operation: a text, a fraction done, and the user's stop request.
// Long operations call step() between units of work; the windows let pending events run there.

#include <string>

namespace common {

class Progress {
public:
    virtual ~Progress() = default;
    virtual void setText(const std::string& text) = 0;
    // 0.0 .. 1.0
    virtual void setFraction(double fraction) = 0;
    // Lets the user interface breathe; true when the user asked to stop.
    virtual bool step() = 0;
};

// Progress that shows nothing and never stops; it records the last text and fraction.
class SilentProgress : public Progress {
public:
    void setText(const std::string& text) override { m_text = text; }
    void setFraction(double fraction) override { m_fraction = fraction; }
    bool step() override { return m_stopAfter >= 0 && ++m_steps > m_stopAfter; }

    // Makes step() answer "stop" after n calls (for tests of cancellation).
    void stopAfterSteps(long n) { m_stopAfter = n; }
    const std::string& text() const { return m_text; }
    double fraction() const { return m_fraction; }
    long steps() const { return m_steps; }

private:
    std::string m_text;
    double m_fraction = 0.0;
    long m_steps = 0;
    long m_stopAfter = -1;
};

}  // namespace common

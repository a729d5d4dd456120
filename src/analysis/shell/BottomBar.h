#pragma once
// The main window's bottom message bar: one text, shown and hidden as a whole, and the Stop
// button of a bulk edit. The window draws what this model holds.

#include <cstdint>
#include <functional>
#include <string>

#include "common/Progress.h"

namespace shell {

class BottomBar {
public:
    // Called after every change, so that a window can redraw.
    void setChanged(std::function<void()> changed) { m_changed = std::move(changed); }

    void ShowBottomMsg(const std::string& text);
    void CloseBottomMsg();
    void SetNrPts2move(std::int32_t total) { m_total = total; }
    // k & " points moved of " & total.
    void SetNrPtsMoved(std::int32_t moved);
    // The bar with an empty text and the Stop button; a new run starts unstopped.
    void ShowMovedPtsStopButton();
    void HideMovedPtsStopButton();

    // The user pressed Stop.
    void RequestStop() { m_stop = true; }
    bool bStopRequested() const { return m_stop; }

    bool visible() const { return m_visible; }
    bool stopButtonVisible() const { return m_stopButton; }
    const std::string& text() const { return m_text; }

private:
    void changed() {
        if (m_changed) m_changed();
    }

    std::function<void()> m_changed;
    std::string m_text = "1 of 1";
    bool m_visible = false;
    bool m_stopButton = false;
    bool m_stop = false;
    std::int32_t m_total = 0;
};

// The calls of the graph side to the main window: graph progress in the bottom bar, icons,
// the points box.
class msgMDIparent {
public:
    explicit msgMDIparent(BottomBar& bar) : m_bar(bar) {}

    void setArrangeIcons(std::function<void()> arrange) { m_arrange = std::move(arrange); }
    void setClosePointsBox(std::function<void()> close) { m_closePoints = std::move(close); }

    void SetGraphTotal(std::int32_t n) { m_total = n; }
    // "Graph " & i & " of " & n, and " (" & deleted & " deleted )" when deleted > 0.
    void ShowGraphProgress(std::int32_t i, std::int32_t deleted);
    void CloseStatus() { m_bar.CloseBottomMsg(); }
    void ArrangeGraphIcons() {
        if (m_arrange) m_arrange();
    }
    void ClosePointsBox() {
        if (m_closePoints) m_closePoints();
    }

private:
    BottomBar& m_bar;
    std::int32_t m_total = 0;
    std::function<void()> m_arrange;
    std::function<void()> m_closePoints;
};

// Progress of a long operation shown in the bottom bar: a text shows the bar, an empty text
// closes it; step() lets the window's events run and answers the Stop button.
class BottomBarProgress final : public common::Progress {
public:
    explicit BottomBarProgress(BottomBar& bar, std::function<void()> pumpEvents = {})
        : m_bar(bar), m_pump(std::move(pumpEvents)) {}

    void setText(const std::string& text) override;
    void setFraction(double) override {}
    bool step() override;

private:
    BottomBar& m_bar;
    std::function<void()> m_pump;
};

}  // namespace shell

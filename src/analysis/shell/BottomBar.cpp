#include "analysis/shell/BottomBar.h"

#include "analysis/files/clsDataset.h"

namespace shell {

void BottomBar::ShowBottomMsg(const std::string& text) {
    m_text = text;
    m_visible = true;
    changed();
}

void BottomBar::CloseBottomMsg() {
    m_visible = false;
    changed();
}

void BottomBar::SetNrPtsMoved(std::int32_t moved) {
    ShowBottomMsg(std::to_string(moved) + " points moved of " + std::to_string(m_total));
}

void BottomBar::ShowMovedPtsStopButton() {
    m_stop = false;
    m_stopButton = true;
    ShowBottomMsg("");
}

void BottomBar::HideMovedPtsStopButton() {
    m_stopButton = false;
    CloseBottomMsg();
}

void msgMDIparent::ShowGraphProgress(std::int32_t i, std::int32_t deleted) {
    m_bar.ShowBottomMsg(files::graphProgressText(i, m_total, deleted));
}

void BottomBarProgress::setText(const std::string& text) {
    if (text.empty())
        m_bar.CloseBottomMsg();
    else
        m_bar.ShowBottomMsg(text);
}

bool BottomBarProgress::step() {
    if (m_pump) m_pump();
    return m_bar.bStopRequested();
}

}  // namespace shell

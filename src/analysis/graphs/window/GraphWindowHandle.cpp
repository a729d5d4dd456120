#include "analysis/graphs/window/GraphWindowHandle.h"

namespace graphs {

GraphWindowHandle::~GraphWindowHandle() {
    if (!m_window) return;
    m_window->detachOwner();
    m_window->ExitClose();
}

void GraphWindowHandle::InitGraph(clsGraph& owner, std::int32_t dataSet, std::int32_t graph) {
    if (m_window) m_window->InitGraph(owner, dataSet, graph);
}

void GraphWindowHandle::SetCaption(const std::string& caption) {
    if (m_window) m_window->SetCaption(caption);
}

void GraphWindowHandle::SetCurrentFileInfo(const std::string& text) {
    if (m_window) m_window->SetCurrentFileInfo(text);
}

void GraphWindowHandle::SetData(const std::vector<double>& x, const std::vector<double>& y,
                                std::int32_t count, double xStart, double xEnd, double yMin,
                                double yMax) {
    if (m_window) m_window->SetData(x, y, count, xStart, xEnd, yMin, yMax);
}

void GraphWindowHandle::ReSetData(const std::vector<double>& x, const std::vector<double>& y,
                                  std::int32_t count, bool redraw) {
    if (m_window) m_window->ReSetData(x, y, count, redraw);
}

void GraphWindowHandle::ProcessMsg(std::int32_t code) {
    if (m_window) m_window->ProcessMsg(code);
}

void GraphWindowHandle::ExitClose() {
    if (m_window) m_window->ExitClose();
}

void GraphWindowHandle::SetYaxis() {
    if (m_window) m_window->SetYaxis();
}

void GraphWindowHandle::ResetAxisLimits(double xMin, double xMax, double yMin, double yMax) {
    if (m_window) m_window->ResetAxisLimits(xMin, xMax, yMin, yMax);
}

std::string GraphWindowHandle::sGraphValuePE(std::int32_t id) const {
    return m_window ? m_window->sGraphValuePE(id) : std::string();
}

void GraphWindowHandle::SetGraphStrPE(std::int32_t id, const std::string& text) {
    if (m_window) m_window->SetGraphStrPE(id, text);
}

double GraphWindowHandle::dGraphValuePE(std::int32_t id) const {
    return m_window ? m_window->dGraphValuePE(id) : 0.0;
}

bool GraphWindowHandle::MakeJpgFile(const std::string& file, const std::string& title,
                                    const std::string& subtitle) {
    return m_window && m_window->MakeJpgFile(file, title, subtitle);
}

}  // namespace graphs

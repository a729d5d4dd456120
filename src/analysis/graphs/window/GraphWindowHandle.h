#pragma once
// The graph model's side of a graph window: a GraphView that forwards to the frmpeGraph shown
// in the main window. The window belongs to Qt (its sub-window deletes it when closed), so
// the model owns only this handle; a handle whose window has gone does nothing, and a handle
// that goes first detaches its window from the model and closes it.

#include <QPointer>

#include "analysis/graphs/GraphView.h"
#include "analysis/graphs/window/frmpeGraph.h"

namespace graphs {

class GraphWindowHandle final : public GraphView {
public:
    explicit GraphWindowHandle(frmpeGraph& window) : m_window(&window) {}
    ~GraphWindowHandle() override;

    void InitGraph(clsGraph& owner, std::int32_t dataSet, std::int32_t graph) override;
    void SetCaption(const std::string& caption) override;
    void SetCurrentFileInfo(const std::string& text) override;
    void SetData(const std::vector<double>& x, const std::vector<double>& y, std::int32_t count,
                 double xStart, double xEnd, double yMin, double yMax) override;
    void ReSetData(const std::vector<double>& x, const std::vector<double>& y,
                   std::int32_t count, bool redraw) override;
    void ProcessMsg(std::int32_t code) override;
    void ExitClose() override;
    void SetYaxis() override;
    void ResetAxisLimits(double xMin, double xMax, double yMin, double yMax) override;
    std::string sGraphValuePE(std::int32_t id) const override;
    void SetGraphStrPE(std::int32_t id, const std::string& text) override;
    double dGraphValuePE(std::int32_t id) const override;
    bool MakeJpgFile(const std::string& file, const std::string& title,
                     const std::string& subtitle) override;

    frmpeGraph* window() const { return m_window.data(); }

private:
    QPointer<frmpeGraph> m_window;
};

}  // namespace graphs

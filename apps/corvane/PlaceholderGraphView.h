#pragma once
// Until the graph windows exist: one plain child window per graph, titled as the graph.

#include <QPointer>

#include "analysis/graphs/GraphView.h"

class QLabel;
class QMdiArea;
class QMdiSubWindow;

namespace corvane {

class PlaceholderGraphView final : public graphs::GraphView {
public:
    explicit PlaceholderGraphView(QMdiArea& area);
    ~PlaceholderGraphView() override;

    void InitGraph(graphs::clsGraph&, std::int32_t, std::int32_t) override {}
    void SetCaption(const std::string& caption) override;
    void SetCurrentFileInfo(const std::string& text) override;
    void SetData(const std::vector<double>&, const std::vector<double>&, std::int32_t count,
                 double xStart, double xEnd, double yMin, double yMax) override;
    void ReSetData(const std::vector<double>&, const std::vector<double>&, std::int32_t,
                   bool) override {}
    void ProcessMsg(std::int32_t code) override;
    void ExitClose() override;

private:
    QPointer<QMdiSubWindow> m_window;
    QLabel* m_label = nullptr;
    QString m_info;
};

}  // namespace corvane

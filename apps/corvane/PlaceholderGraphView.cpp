#include "corvane/PlaceholderGraphView.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "analysis/files/DatasetGraph.h"

namespace corvane {

PlaceholderGraphView::PlaceholderGraphView(QMdiArea& area) {
    m_label = new QLabel;
    m_label->setAlignment(Qt::AlignCenter);
    m_window = area.addSubWindow(m_label);
    m_window->setAttribute(Qt::WA_DeleteOnClose);
    m_window->show();
}

PlaceholderGraphView::~PlaceholderGraphView() { ExitClose(); }

void PlaceholderGraphView::SetCaption(const std::string& caption) {
    if (m_window) m_window->setWindowTitle(QString::fromStdString(caption));
}

void PlaceholderGraphView::SetCurrentFileInfo(const std::string& text) {
    m_info = QString::fromStdString(text);
}

void PlaceholderGraphView::SetData(const std::vector<double>&, const std::vector<double>&,
                                   std::int32_t count, double xStart, double xEnd, double yMin,
                                   double yMax) {
    if (!m_label) return;
    m_label->setText(QStringLiteral("%1\n%2 points, %3 to %4 ms, %5 to %6")
                         .arg(m_info)
                         .arg(count)
                         .arg(xStart)
                         .arg(xEnd)
                         .arg(yMin)
                         .arg(yMax));
}

void PlaceholderGraphView::ProcessMsg(std::int32_t code) {
    if (code == files::kMsgTakeFocus && m_window && m_window->mdiArea())
        m_window->mdiArea()->setActiveSubWindow(m_window);
}

void PlaceholderGraphView::ExitClose() {
    if (m_window) {
        QMdiSubWindow* window = m_window;
        m_window = nullptr;
        m_label = nullptr;
        window->close();
    }
}

}  // namespace corvane

#include "analysis/graphs/window/GraphDataExport.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>

#include "analysis/graphs/clsGraph.h"
#include "analysis/graphs/window/GraphWindowContext.h"

namespace graphs {

void DesktopClipboard::clear() {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->clear();
}

void DesktopClipboard::setText(const std::string& text) {
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(QString::fromStdString(text));
}

bool DesktopFileOpener::openFile(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

GraphDataExport::GraphDataExport(common::Prompt& prompt)
    : m_context{prompt, m_clipboard, m_opener, {}} {}

void GraphDataExport::install(GraphWindowContext& context) {
    context.copyData = [this](clsGraph& graph, int kind, double xMin, double xMax) {
        if (!graph.dataset()) return;
        measure::CopyDataToClipboard(*graph.dataset(), graph.lGraphNr(), kind, xMin, xMax, false,
                                     std::string(), m_context);
    };
    context.exportToExcel = [this](clsGraph& graph, double xMin, double xMax,
                                   const std::string& caption) {
        if (!graph.dataset()) return;
        measure::CopyDataToExcel(*graph.dataset(), graph.lGraphNr(), xMin, xMax, caption,
                                 m_context);
    };
}

}  // namespace graphs

#include "analysis/graphs/plot/PlotAdapter.h"
#include "analysis/graphs/plot/SvgPaintDevice.h"

#include <qcustomplot.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>

namespace graphs {
namespace {

QColor toColor(std::uint32_t rgb) {
    return QColor(static_cast<int>(rgb & 0xffu), static_cast<int>((rgb >> 8) & 0xffu),
                  static_cast<int>((rgb >> 16) & 0xffu));
}

double lineWidth(AnnotationType start) {
    switch (start) {
    case AnnotationType::ThinLineStart: return 1.0;
    case AnnotationType::ThickLineStart: return 3.0;
    default: return 2.0;
    }
}

std::string lowerEnding(const std::string& path) {
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return "";
    std::string ending = path.substr(dot + 1);
    std::transform(ending.begin(), ending.end(), ending.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ending;
}

constexpr int kLargestCopySide = 4096;

}  // namespace

PlotAdapter::PlotAdapter(QCustomPlot& plot) : m_plot(plot) {
    m_plot.setNoAntialiasingOnDrag(true);
    m_plot.setAutoAddPlottableToLegend(false);
    m_graph = m_plot.addGraph();
    m_graph->setPen(QPen(QColor(0, 0, 160), 1.0));
    m_graph->setAdaptiveSampling(true);
    m_plot.plotLayout()->insertRow(0);
    m_plot.plotLayout()->insertRow(1);
    m_mainTitle = new QCPTextElement(&m_plot, QString(), QFont("sans", 12, QFont::Bold));
    m_subTitle = new QCPTextElement(&m_plot, QString(), QFont("sans", 10));
    m_plot.plotLayout()->addElement(0, 0, m_mainTitle);
    m_plot.plotLayout()->addElement(1, 0, m_subTitle);
    QObject::connect(m_plot.selectionRect(), &QCPSelectionRect::accepted, &m_plot,
                     [this](const QRect& box, QMouseEvent*) {
                         if (!m_dragZoom || (box.width() < 3 && box.height() < 3)) return;
                         if (m_onBox) m_onBox(boxToLimits(box));
                     });
}

void PlotAdapter::apply(const PlotState& state) {
    setPoints(state.x, state.y);
    setLimits(state.limits);
    setTitles(state.mainTitle, state.subTitle);
    setAxisLabels(state.xLabel, state.yLabel);
    m_state.annotationsShown = state.annotationsShown;
    setAnnotations(state.annotations);
    setMarkers(state.markers);
}

void PlotAdapter::setPoints(const std::vector<double>& x, const std::vector<double>& y) {
    const std::size_t n = std::min(x.size(), y.size());
    m_state.x.assign(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(n));
    m_state.y.assign(y.begin(), y.begin() + static_cast<std::ptrdiff_t>(n));
    QVector<QCPGraphData> data(static_cast<qsizetype>(n));
    for (std::size_t i = 0; i < n; ++i) {
        // A not-a-number value breaks the drawn line: that is the gap of a missing point.
        const double value =
            isMissingValue(y[i]) ? std::numeric_limits<double>::quiet_NaN() : y[i];
        data[static_cast<qsizetype>(i)] = QCPGraphData(x[i], value);
    }
    m_graph->data()->set(data, true);
}

void PlotAdapter::setPointMissing(std::size_t pointNumber) {
    if (pointNumber >= m_state.y.size()) return;
    m_state.y[pointNumber] = kMissingValue;
    auto it = m_graph->data()->begin() + static_cast<int>(pointNumber);
    if (it != m_graph->data()->end()) it->value = std::numeric_limits<double>::quiet_NaN();
}

void PlotAdapter::setLimits(const PlotLimits& limits) {
    m_state.limits = limits;
    m_plot.xAxis->setRange(limits.xMin, limits.xMax);
    m_plot.yAxis->setRange(limits.yMin, limits.yMax);
}

PlotLimits PlotAdapter::limits() const {
    return {m_plot.xAxis->range().lower, m_plot.xAxis->range().upper,
            m_plot.yAxis->range().lower, m_plot.yAxis->range().upper};
}

void PlotAdapter::applyText(QCPTextElement* element, const PlotText& text, int pointSize) {
    QFont font("sans", pointSize);
    font.setBold(text.bold);
    font.setItalic(text.italic);
    font.setUnderline(text.underline);
    element->setFont(font);
    element->setTextColor(toColor(text.colour));
    element->setText(QString::fromStdString(text.text));
    element->setVisible(!text.text.empty());
}

void PlotAdapter::setTitles(const PlotText& main, const PlotText& sub) {
    m_state.mainTitle = main;
    m_state.subTitle = sub;
    applyText(m_mainTitle, main, 12);
    applyText(m_subTitle, sub, 10);
}

void PlotAdapter::setAxisLabels(const PlotText& x, const PlotText& y) {
    m_state.xLabel = x;
    m_state.yLabel = y;
    const auto label = [](QCPAxis* axis, const PlotText& text) {
        QFont font("sans", 10);
        font.setBold(text.bold);
        font.setItalic(text.italic);
        font.setUnderline(text.underline);
        axis->setLabelFont(font);
        axis->setLabelColor(toColor(text.colour));
        axis->setLabel(QString::fromStdString(text.text));
    };
    label(m_plot.xAxis, x);
    label(m_plot.yAxis, y);
}

void PlotAdapter::setAnnotations(const std::vector<Annotation>& annotations) {
    m_state.annotations = annotations;
    drawAnnotations();
}

void PlotAdapter::drawAnnotations() {
    for (const DrawnAnnotation& d : m_drawn) m_plot.removeItem(d.item);
    m_drawn.clear();
    if (!m_state.annotationsShown) return;
    const auto& entries = m_state.annotations;
    std::int32_t previous = -1;  // the last used entry, where a segment starts
    AnnotationType lineStart = AnnotationType::MediumLineStart;
    for (std::size_t n = 0; n < entries.size(); ++n) {
        const Annotation& a = entries[n];
        if (!a.used) continue;
        const auto number = static_cast<std::int32_t>(n);
        if (a.type == AnnotationType::Text) {
            previous = number;
            if (a.text.empty()) continue;  // draws nothing, so it cannot be hit either
            auto* text = new QCPItemText(&m_plot);
            text->position->setCoords(a.x, a.y);
            text->setPositionAlignment(Qt::AlignLeft | Qt::AlignBottom);
            text->setText(QString::fromStdString(a.text));
            text->setColor(toColor(a.colour));
            text->setFont(QFont("sans", 9));
            text->setClipToAxisRect(true);
            m_drawn.push_back({text, number, -1});
        } else if (isLineStart(a.type)) {
            lineStart = a.type;
        } else if (previous >= 0) {  // a continuation or an arrow end joins the entry before
            const Annotation& from = entries[static_cast<std::size_t>(previous)];
            auto* line = new QCPItemLine(&m_plot);
            line->start->setCoords(from.x, from.y);
            line->end->setCoords(a.x, a.y);
            line->setPen(QPen(toColor(a.colour),
                              a.type == AnnotationType::ArrowEnd ? 1.0 : lineWidth(lineStart)));
            if (a.type == AnnotationType::ArrowEnd) line->setHead(QCPLineEnding::esSpikeArrow);
            m_drawn.push_back({line, previous, number});
        }
        previous = number;
    }
}

void PlotAdapter::setMarkers(bool on) {
    m_state.markers = on;
    m_graph->setScatterStyle(on ? QCPScatterStyle(QCPScatterStyle::ssCircle, 5)
                                : QCPScatterStyle(QCPScatterStyle::ssNone));
}

void PlotAdapter::relayout() { m_plot.replot(QCustomPlot::rpImmediateRefresh); }

QPointF PlotAdapter::graphToPixel(double x, double y) const {
    return {m_plot.xAxis->coordToPixel(x), m_plot.yAxis->coordToPixel(y)};
}

void PlotAdapter::pixelToGraph(QPointF pixel, double& x, double& y) const {
    x = m_plot.xAxis->pixelToCoord(pixel.x());
    y = m_plot.yAxis->pixelToCoord(pixel.y());
}

Hit PlotAdapter::hitTest(QPointF pixel, double tolerance) const {
    for (auto it = m_drawn.rbegin(); it != m_drawn.rend(); ++it) {
        const double distance = it->item->selectTest(pixel, false);
        if (distance < 0 || distance > tolerance) continue;
        std::int32_t number = it->first;
        if (it->second >= 0) {
            // A segment answers with the entry of its nearer end.
            const Annotation& a = m_state.annotations[static_cast<std::size_t>(it->first)];
            const Annotation& b = m_state.annotations[static_cast<std::size_t>(it->second)];
            const QPointF pa = graphToPixel(a.x, a.y), pb = graphToPixel(b.x, b.y);
            const auto d2 = [&](QPointF p) {
                return (p.x() - pixel.x()) * (p.x() - pixel.x()) +
                       (p.y() - pixel.y()) * (p.y() - pixel.y());
            };
            number = d2(pb) < d2(pa) ? it->second : it->first;
        }
        return {HitKind::Annotation, number};
    }
    const QPoint at = pixel.toPoint();
    if (m_mainTitle->visible() && m_mainTitle->outerRect().contains(at))
        return {HitKind::MainTitle, -1};
    if (m_subTitle->visible() && m_subTitle->outerRect().contains(at))
        return {HitKind::SubTitle, -1};
    const QCPAxis::SelectablePart xPart = m_plot.xAxis->getPartAt(pixel);
    const QCPAxis::SelectablePart yPart = m_plot.yAxis->getPartAt(pixel);
    if (xPart == QCPAxis::spAxisLabel) return {HitKind::XAxisLabel, -1};
    if (yPart == QCPAxis::spAxisLabel) return {HitKind::YAxisLabel, -1};

    if (m_plot.axisRect()->rect().contains(at)) {
        std::int32_t best = -1;
        double bestD2 = tolerance * tolerance;
        for (std::size_t i = 0; i < m_state.x.size(); ++i) {
            if (isMissingValue(m_state.y[i])) continue;
            const QPointF p = graphToPixel(m_state.x[i], m_state.y[i]);
            const double d2 = (p.x() - pixel.x()) * (p.x() - pixel.x()) +
                              (p.y() - pixel.y()) * (p.y() - pixel.y());
            if (d2 <= bestD2) {
                bestD2 = d2;
                best = static_cast<std::int32_t>(i);
            }
        }
        if (best >= 0) return {HitKind::Point, best};
    }
    if (xPart != QCPAxis::spNone) return {HitKind::XAxis, -1};
    if (yPart != QCPAxis::spNone) return {HitKind::YAxis, -1};
    return {};
}

void PlotAdapter::setDragZoom(bool on, std::function<void(const PlotLimits&)> onBox) {
    m_dragZoom = on;
    if (onBox) m_onBox = std::move(onBox);
    m_plot.setSelectionRectMode(on ? QCP::srmCustom : QCP::srmNone);
}

PlotLimits PlotAdapter::boxToLimits(const QRect& box) const {
    const QRect r = box.normalized();
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    pixelToGraph(QPointF(r.left(), r.bottom()), x1, y1);
    pixelToGraph(QPointF(r.right(), r.top()), x2, y2);
    return {std::min(x1, x2), std::max(x1, x2), std::min(y1, y2), std::max(y1, y2)};
}

namespace {

// As savePdf draws: vector mode, no cached label pixmaps (toPainter turns caching off), so
// texts stay texts and lines stay lines.
bool saveSvg(QCustomPlot& plot, const std::string& path, int width, int height) {
    SvgPaintDevice device(width, height);
    QCPPainter painter;
    if (!painter.begin(&device)) return false;
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    plot.toPainter(&painter, width, height);
    if (!painter.end()) return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << device.document();
    out.close();
    return !out.fail();
}

}  // namespace

bool PlotAdapter::exportImage(const std::string& path, int width, int height,
                              std::string& error) {
    if (width <= 0 || height <= 0) {
        error = "The image size " + std::to_string(width) + " x " + std::to_string(height) +
                " is not valid";
        return false;
    }
    const std::string ending = lowerEnding(path);
    const QString file = QString::fromStdString(path);
    bool written = false;
    if (ending == "png") {
        written = m_plot.savePng(file, width, height);
    } else if (ending == "jpg" || ending == "jpeg") {
        written = m_plot.saveJpg(file, width, height);
    } else if (ending == "pdf") {
        written = m_plot.savePdf(file, width, height);
    } else if (ending == "svg") {
        written = saveSvg(m_plot, path, width, height);
    } else {
        error = "Images are written as .png, .jpg, .pdf or .svg, not " + path;
        return false;
    }
    if (!written) {
        error = "The image " + path + " cannot be written";
        return false;
    }
    error.clear();
    return true;
}

bool PlotAdapter::copyToClipboard(int width, int height) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr || width <= 0 || height <= 0) return false;
    width = std::min(width, kLargestCopySide);
    height = std::min(height, kLargestCopySide);
    clipboard->setImage(m_plot.toPixmap(width, height).toImage());
    return true;
}

void PlotAdapter::printWithPreview(PrintOrientation orientation, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(orientation == PrintOrientation::Landscape
                                   ? QPageLayout::Landscape
                                   : QPageLayout::Portrait);
    QPrintPreviewDialog preview(&printer, parent);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &m_plot,
                     [this](QPrinter* target) {
                         QCPPainter painter(target);
                         const QRect page = target->pageLayout().paintRectPixels(
                             target->resolution());
                         const int width = m_plot.width(), height = m_plot.height();
                         const double scale = std::min(page.width() / double(width),
                                                       page.height() / double(height));
                         painter.setMode(QCPPainter::pmVectorized);
                         painter.scale(scale, scale);
                         m_plot.toPainter(&painter, width, height);
                     });
    preview.exec();
}

}  // namespace graphs

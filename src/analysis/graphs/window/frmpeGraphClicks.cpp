// Clicks on the plot of a graph window: the click modes, two-point measurements and the
// annotations that show their results, dragging annotations.

#include <qcustomplot.h>

#include <QEvent>
#include <QMouseEvent>

#include <algorithm>
#include <cmath>

#include "analysis/graphs/clsGraph.h"
#include "analysis/graphs/window/GraphWindowContext.h"
#include "analysis/graphs/window/frmpeGraph.h"
#include "analysis/measure/Averages.h"
#include "analysis/measure/Integration.h"
#include "analysis/measure/PointCommands.h"
#include "analysis/measure/VodSlope.h"
#include "analysis/shell/msgGraphs.h"
#include "common/Prompt.h"

namespace graphs {

bool frmpeGraph::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_page && event->type() == QEvent::Resize) {
        layoutPage();
        return false;
    }
    if (watched != m_plot) return QWidget::eventFilter(watched, event);
    // While drag-zoom is on the plot draws the zoom box itself.
    if (m_adapter->dragZoom()) return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) plotPressed(mouse->position());
        return false;
    }
    case QEvent::MouseMove:
        plotMoved(static_cast<QMouseEvent*>(event)->position());
        return false;
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) plotReleased(mouse->position());
        return false;
    }
    case QEvent::MouseButtonDblClick:
        plotDoubleClicked(static_cast<QMouseEvent*>(event)->position());
        return false;
    default: return false;
    }
}

void frmpeGraph::plotPressed(QPointF pixel) {
    if (!m_owner) return;
    const Hit hit = m_adapter->hitTest(pixel);
    const std::int32_t mode = m_clicks.mode();
    if (mode == kModeNormal && hit.kind == HitKind::Annotation) {
        m_dragging = true;
        m_dragAnnotation = hit.index;
        return;
    }
    // A click after a finished pair only ends the two-point state.
    if (mode == kModeNormal && m_clicks.pickActive()) {
        m_clicks.pick(hit.kind == HitKind::Point ? hit.index : 0);
        return;
    }
    if (hit.kind != HitKind::Point) return;
    double x = 0.0, y = 0.0;
    if (!m_owner->Get1Pt(hit.index, x, y)) return;  // no such point (an empty graph)
    switch (mode) {
    case kModeDataValue:
        m_ctx.picked.PickPoint(x, y);
        if (m_ctx.pointsChanged) m_ctx.pointsChanged();
        break;
    case kModeDelay:
    case kModeValueDifference:
    case kModeVodTwoPoints:
    case kModeVodRegression: pickPoint(hit.index); break;
    case kModeRemovePoint: removePoint(hit.index); break;
    case kModeMovePoint: {
        MoveState& move = m_clicks.move();
        move.point = hit.index;
        move.x = x;
        move.y = y;
        move.stage = 1;
        setCursor(Qt::SizeVerCursor);
        m_clicks.setMode(kModeMoveTarget);
        break;
    }
    case kModeOffset:
        if (m_ctx.offsetToFormula) m_ctx.offsetToFormula(*m_owner, y);
        break;
    default: break;
    }
}

void frmpeGraph::plotMoved(QPointF pixel) {
    if (!m_dragging || m_dragAnnotation < 0 || m_inDragMove) return;
    m_inDragMove = true;
    std::vector<Annotation> entries = m_adapter->state().annotations;
    if (static_cast<std::size_t>(m_dragAnnotation) < entries.size()) {
        Annotation& a = entries[static_cast<std::size_t>(m_dragAnnotation)];
        m_adapter->pixelToGraph(pixel, a.x, a.y);
        m_adapter->setAnnotations(entries);
        replot();
    }
    m_inDragMove = false;
}

void frmpeGraph::plotReleased(QPointF pixel) {
    if (!m_owner) return;
    if (m_dragging) {
        m_dragging = false;
        m_dragAnnotation = -1;
        return;
    }
    double x = 0.0, y = 0.0;
    m_adapter->pixelToGraph(pixel, x, y);
    switch (m_clicks.mode()) {
    case kModeInsertText: {
        Annotation text{true, AnnotationType::Text, x, y, m_clicks.defaultText(), kBlack};
        std::vector<Annotation> entries = m_adapter->state().annotations;
        const std::int32_t n = nextAnnotation(entries);
        entries[static_cast<std::size_t>(n)] = text;
        m_adapter->setAnnotations(entries);
        replot();
        m_clicks.reset();
        if (m_ctx.editAnnotation) m_ctx.editAnnotation(*m_owner, n);
        break;
    }
    case kModeArrow:
    case kModeLine:
        if (m_clicks.addEndpoint(x, y)) {
            const bool arrow = m_clicks.mode() == kModeArrow;
            const double x1 = m_clicks.endpointX(0), y1 = m_clicks.endpointY(0);
            if (arrow)
                addAnnotations({{true, AnnotationType::Text, x1, y1, "", kBlack},
                                {true, AnnotationType::ArrowEnd, x, y, "", kBlack}});
            else
                addAnnotations({{true, AnnotationType::MediumLineStart, x1, y1, "", kRed},
                                {true, AnnotationType::LineContinuation, x, y, "", kRed}});
            m_clicks.reset();
        }
        break;
    case kModeMoveTarget: {
        MoveState& move = m_clicks.move();
        if (move.stage == 1) {
            move.stage = 2;  // the release of the click that picked the point
            break;
        }
        movePointTo(y);
        break;
    }
    default: break;
    }
}

void frmpeGraph::plotDoubleClicked(QPointF pixel) {
    if (!m_owner) return;
    const Hit hit = m_adapter->hitTest(pixel);
    switch (hit.kind) {
    case HitKind::MainTitle:
        if (m_ctx.editTitle) m_ctx.editTitle(*m_owner, 222);
        break;
    case HitKind::SubTitle:
        if (m_ctx.editTitle) m_ctx.editTitle(*m_owner, 223);
        break;
    case HitKind::XAxisLabel:
        if (m_ctx.editTitle) m_ctx.editTitle(*m_owner, 224);
        break;
    case HitKind::YAxisLabel:
        if (m_ctx.editTitle) m_ctx.editTitle(*m_owner, 225);
        break;
    case HitKind::Annotation:
        if (m_ctx.editAnnotation) m_ctx.editAnnotation(*m_owner, hit.index);
        break;
    case HitKind::XAxis:
    case HitKind::YAxis:
        if (m_ctx.changeAxes)
            m_ctx.changeAxes(*m_owner, limits().xMin, limits().xMax, limits().yMin, limits().yMax);
        break;
    default: break;
    }
}

// --- point edits ------------------------------------------------------------------------------

void frmpeGraph::removePoint(std::int32_t point) {
    measure::DatasetEdits* edits = m_ctx.graphs.edits(m_owner->lDataSetNr());
    double x = 0.0, y = 0.0;
    if (!edits || !m_owner->Get1Pt(point, x, y) || isMissingValue(y)) return;
    const measure::CommandResult result =
        measure::RemovePt(*edits, m_owner->lGraphNr(), m_owner->dDisplayToMs(x));
    if (result.outcome != measure::CommandOutcome::Done) return;
    m_owner->SetPlottedY(point, kMissingValue);
    m_adapter->setPointMissing(static_cast<std::size_t>(point));
    replot();
}

void frmpeGraph::movePointTo(double y) {
    MoveState move = m_clicks.move();
    m_clicks.setMode(kModeMovePoint);
    m_clicks.move() = MoveState{};
    measure::DatasetEdits* edits = m_ctx.graphs.edits(m_owner->lDataSetNr());
    if (!edits || move.point < 0) return;
    const measure::CommandResult result =
        measure::MovePt(*edits, m_owner->lGraphNr(), m_owner->dDisplayToMs(move.x), y);
    if (result.outcome != measure::CommandOutcome::Done) return;
    m_owner->SetPlottedY(move.point, y);
    reloadShown(true);
    replot();
}

// --- two-point measurements -------------------------------------------------------------------

void frmpeGraph::pickPoint(std::int32_t point) {
    const std::int32_t mode = m_clicks.mode();
    const PickStep step = m_clicks.pick(point);
    if (step == PickStep::First) {
        double x = 0.0, y = 0.0;
        if (m_owner->Get1Pt(point, x, y)) m_ctx.picked.PickPoint(x, y);
        if (m_ctx.pointsChanged) m_ctx.pointsChanged();
    } else if (step == PickStep::Pair) {
        pairDone(m_clicks.pickedPoint(0), m_clicks.pickedPoint(1), mode);
    }
}

void frmpeGraph::pairDone(std::int32_t first, std::int32_t second, std::int32_t mode) {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    if (!m_owner->Get2Pts(first, second, x1, y1, x2, y2)) return;
    twoPointResult(mode, x1, y1, x2, y2);
    leaveDataValue();
}

void frmpeGraph::twoPointResult(std::int32_t mode, double x1, double y1, double x2, double y2) {
    clsGraph& owner = *m_owner;
    const double t1 = owner.dDisplayToMs(x1), t2 = owner.dDisplayToMs(x2);
    std::string label;
    switch (mode) {
    case kModeVodTwoPoints:
        label = measure::twoPointVodLabel(t1, y1, t2, y2, owner.sVODunits());
        drawResult(x1, y1, x2, y2, label, kBlack);
        break;
    case kModeVodRegression: {
        if (!owner.dataset()) return;
        const measure::SlopeFit fit =
            measure::GetSlopeInterceptAverage(*owner.dataset(), t1, t2, owner.lGraphNr());
        const auto line = measure::regressionVodLine(fit, t1, t2, owner.sVODunits());
        if (!line) return;
        label = line->label;
        drawResult(owner.dMsToDisplay(line->t1), line->y1, owner.dMsToDisplay(line->t2),
                   line->y2, label, kBlack);
        break;
    }
    case kModeDelay:
        label = measure::timeDifferenceLabel(x1, x2, owner.sCurTimeUnits());
        drawResult(x1, y1, x2, y2, label, kBlack);
        break;
    case kModeValueDifference:
        label = measure::valueDifferenceLabel(y1, y2, owner.sYunits());
        drawResult(x1, y1, x2, y2, label, kBlack);
        break;
    case kModeAverage: {
        if (!owner.dataset()) return;
        const measure::RangeAverage average =
            measure::GetAverage(*owner.dataset(), owner.lGraphNr(), t1, t2, false);
        label = measure::averageText(average);
        drawResult(x1, y1, x2, y2, label, kRed);
        break;
    }
    default: return;
    }
    m_ctx.picked.StoreTwoPoints({x1, y1}, {x2, y2}, label);
    if (m_ctx.pointsChanged) m_ctx.pointsChanged();
}

void frmpeGraph::HandleSelected2ptFunction(std::int32_t code) {
    if (!m_owner) return;
    const measure::PickedEntry* entry = m_ctx.picked.current();
    if ((code == 66 || code == 68) && !m_owner->bIsEventGraph()) {
        common::ShowMessage(m_ctx.prompt, kOnlyForSubGraphs);
        return;
    }
    if (!entry || !entry->twoPoints) return;
    const measure::PickedPoint p1 = entry->point1, p2 = entry->point2;
    switch (code) {
    case 61: twoPointResult(kModeVodTwoPoints, p1.time, p1.value, p2.time, p2.value); break;
    case 62: twoPointResult(kModeVodRegression, p1.time, p1.value, p2.time, p2.value); break;
    case 63: twoPointResult(kModeDelay, p1.time, p1.value, p2.time, p2.value); break;
    case 64: twoPointResult(kModeValueDifference, p1.time, p1.value, p2.time, p2.value); break;
    case 65:
        m_clicks.setMode(kModeAverage);
        twoPointResult(kModeAverage, p1.time, p1.value, p2.time, p2.value);
        break;
    case 66: impulse(p1.time, p2.time, false); break;
    case 68: impulse(p1.time, p2.time, true); break;
    default: break;
    }
    m_clicks.setMode(kModeNormal);
    leaveDataValue();
}

void frmpeGraph::impulse(double t1, double t2, bool stopAtZero) {
    clsGraph& owner = *m_owner;
    if (!owner.dataset()) return;
    if (t2 < t1) std::swap(t1, t2);
    PlotText x = m_adapter->state().xLabel, y = m_adapter->state().yLabel;
    y.text = "Pressure ";
    x.text = "Time (ms)";
    m_adapter->setAxisLabels(x, y);
    const double t1ms = owner.dDisplayToMs(t1);
    const measure::Integral result = measure::CalculateIntegral2pts(
        *owner.dataset(), owner.lGraphNr(), t1ms, owner.dDisplayToMs(t2), stopAtZero,
        m_ctx.prompt);
    if (!result.ok) {
        replot();
        return;
    }
    const std::string text =
        measure::integralText(result.integral,
                              measure::integralUnitText(*owner.dataset(), owner.lGraphNr())) +
        measure::integralRangeText(t1ms, result.endTime);
    const double end = owner.dMsToDisplay(result.endTime);
    if (m_ctx.exportToExcel) m_ctx.exportToExcel(owner, t1, end, m_fileInfo + " " + text);
    const PlotLimits shown = limits();
    const double third = (shown.yMax - shown.yMin) / 3.0;
    addAnnotations({{true, AnnotationType::MediumLineStart, t1, third, "", kRed},
                    {true, AnnotationType::LineContinuation, t1, 0.0, "", kRed},
                    {true, AnnotationType::LineContinuation, end, 0.0, "", kRed},
                    {true, AnnotationType::LineContinuation, end, third, "", kRed},
                    {true, AnnotationType::Text, (t1 + end) / 2.0, 2.0 * third, text + " ",
                     kBlack}});
    m_ctx.picked.StoreReadoutText(m_fileInfo + " " + text);
    if (m_ctx.pointsChanged) m_ctx.pointsChanged();
}

// --- annotations ------------------------------------------------------------------------------

std::int32_t frmpeGraph::nextAnnotation(std::vector<Annotation>& entries) {
    // The graph's counter numbers the entries; an entry already held (a counter that was not
    // written back, or a plot file ahead of it) is never overwritten.
    std::int32_t n = m_owner ? m_owner->lNextAnnotationNr() - 1 : 0;
    n = std::max<std::int32_t>(n, static_cast<std::int32_t>(entries.size()));
    entries.resize(static_cast<std::size_t>(n) + 1,
                   Annotation{false, AnnotationType::Text, 0.0, 0.0, "", kBlack});
    return n;
}

void frmpeGraph::addAnnotations(const std::vector<Annotation>& added) {
    std::vector<Annotation> entries = m_adapter->state().annotations;
    for (const Annotation& a : added) {
        const std::int32_t n = nextAnnotation(entries);
        entries[static_cast<std::size_t>(n)] = a;
    }
    m_adapter->setAnnotations(entries);
    replot();
}

void frmpeGraph::drawResult(double x1, double y1, double x2, double y2, const std::string& label,
                            std::uint32_t labelColour) {
    std::vector<Annotation> added = {
        {true, AnnotationType::MediumLineStart, x1, y1, "", kRed},
        {true, AnnotationType::LineContinuation, x2, y2, "", kRed}};
    if (!label.empty())
        added.push_back({true, AnnotationType::Text, x2, y2, label + " ", labelColour});
    addAnnotations(added);
}

}  // namespace graphs

#pragma once
// Draws a PlotState on a QCustomPlot and answers what the graph window needs from the plot:
// coordinates of pixels, what a click hit, the drag-box zoom, image files, the clipboard and
// printing. The adapter never owns the widget; the window (or a headless caller) does.

#include <QPointF>
#include <QRect>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "analysis/graphs/plot/PlotState.h"

class QCustomPlot;
class QCPAbstractItem;
class QCPGraph;
class QCPTextElement;
class QWidget;

namespace graphs {

enum class HitKind { Nothing, Point, Annotation, MainTitle, SubTitle, XAxisLabel, YAxisLabel,
                     XAxis, YAxis };

struct Hit {
    HitKind kind = HitKind::Nothing;
    std::int32_t index = -1;  // 0-based point number, or annotation number

    bool operator==(const Hit&) const = default;
};

enum class PrintOrientation { Landscape, Portrait };

class PlotAdapter {
public:
    explicit PlotAdapter(QCustomPlot& plot);
    PlotAdapter(const PlotAdapter&) = delete;
    PlotAdapter& operator=(const PlotAdapter&) = delete;

    // Draws everything of the state (and keeps it).
    void apply(const PlotState& state);
    const PlotState& state() const { return m_state; }

    void setPoints(const std::vector<double>& x, const std::vector<double>& y);
    // Marks one point missing (a removed point): drawn as a gap from now on.
    void setPointMissing(std::size_t pointNumber);
    void setLimits(const PlotLimits& limits);  // manual limits and zoom extents
    PlotLimits limits() const;
    void setTitles(const PlotText& main, const PlotText& sub);
    void setAxisLabels(const PlotText& x, const PlotText& y);
    void setAnnotations(const std::vector<Annotation>& annotations);
    void setMarkers(bool on);

    // Lays the plot out at its current size so that coordinates and hit-tests hold.
    void relayout();
    QPointF graphToPixel(double x, double y) const;
    void pixelToGraph(QPointF pixel, double& x, double& y) const;

    // What a click at the pixel hits: an annotation first, then titles, axis labels, a data
    // point within tolerance pixels, the axes.
    Hit hitTest(QPointF pixel, double tolerance = 6.0) const;

    // Drag-box zoom: while on, dragging over the plot draws a rubber band; its release hands
    // the box in graph coordinates to the handler (boxes under 3 pixels are taken as clicks
    // and ignored). The handler decides what limits follow.
    void setDragZoom(bool on, std::function<void(const PlotLimits&)> onBox = {});
    bool dragZoom() const { return m_dragZoom; }
    PlotLimits boxToLimits(const QRect& box) const;

    // Writes the plot at width x height to path, by its ending: .png, .jpg/.jpeg, .pdf or .svg.
    // false with error set otherwise.
    bool exportImage(const std::string& path, int width, int height, std::string& error);
    // The plot at width x height (limited to 4096 on each side) as an image on the clipboard.
    bool copyToClipboard(int width, int height);
    // The print dialog's preview; printed at the page's size in the orientation.
    void printWithPreview(PrintOrientation orientation, QWidget* parent);

    QCustomPlot& plot() { return m_plot; }

private:
    void drawAnnotations();
    void applyText(QCPTextElement* element, const PlotText& text, int pointSize);

    struct DrawnAnnotation {
        QCPAbstractItem* item = nullptr;
        std::int32_t first = -1;   // entry drawn (a segment: its start entry)
        std::int32_t second = -1;  // a segment's end entry, else -1
    };

    QCustomPlot& m_plot;
    std::vector<DrawnAnnotation> m_drawn;
    QCPGraph* m_graph = nullptr;
    QCPTextElement* m_mainTitle = nullptr;
    QCPTextElement* m_subTitle = nullptr;
    PlotState m_state;
    bool m_dragZoom = false;
    std::function<void(const PlotLimits&)> m_onBox;
};

}  // namespace graphs

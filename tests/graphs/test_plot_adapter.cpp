// The plot state, its plot file and the adapter over the plot widget, offscreen.

#include <gtest/gtest.h>

#include <qcustomplot.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QXmlStreamReader>

#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "analysis/graphs/plot/PlotAdapter.h"
#include "analysis/graphs/plot/PlotFile.h"
#include "analysis/graphs/plot/PlotMargins.h"
#include "analysis/graphs/plot/SvgPaintDevice.h"
#include "support/QtApplicationEnvironment.h"
#include "support/TempDir.h"

namespace {


graphs::PlotState sampleState() {
    graphs::PlotState s;
    for (int i = 0; i <= 100; ++i) {
        s.x.push_back(i * 0.1);
        s.y.push_back(i == 50 ? graphs::kMissingValue : std::sin(i * 0.1));
    }
    s.limits = {-0.3, 10.3, -1.2, 1.2};
    s.mainTitle = {"Channel 1", graphs::kBlack, true, false, false};
    s.subTitle = {"Voltage Data", graphs::kBlack, false, true, true};
    s.xLabel = {"Time (ms)", 16711680, false, false, false};
    s.yLabel = {"Volts (V) ", graphs::kRed, false, false, false};
    using T = graphs::AnnotationType;
    s.annotations = {
        {true, T::MediumLineStart, 2.0, 0.5, "", graphs::kRed},
        {true, T::LineContinuation, 8.0, 0.5, "", graphs::kRed},
        {true, T::Text, 5.0, -0.6, "T = 6.0000 ms ", graphs::kBlack},
        {false, T::Text, 0.0, 0.0, "", graphs::kBlack},
        {true, T::ThinLineStart, 1.0, -1.0, "", 65280},
        {true, T::ArrowEnd, 3.0, -0.2, "", 65280},
    };
    s.markers = true;
    return s;
}

// A plot widget of a fixed size with the adapter on it, laid out.
struct DrawnPlot {
    QCustomPlot plot;
    graphs::PlotAdapter adapter{plot};

    explicit DrawnPlot(const graphs::PlotState& state) {
        plot.resize(640, 400);
        adapter.apply(state);
        adapter.relayout();
    }
};

TEST(PlotFile, RoundTripKeepsEverythingAndMissingValues) {
    testsupport::TempDir dir;
    const std::string path = (dir.path() / "graph.plt").string();
    const graphs::PlotState state = sampleState();
    std::string error;
    ASSERT_TRUE(graphs::savePlotFile(path, state, error)) << error;
    const graphs::PlotFileRead read = graphs::loadPlotFile(path);
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.state, state);
    EXPECT_EQ(read.state.y[50], graphs::kMissingValue);
}

TEST(PlotFile, DamagedFilesAreRefusedWithAPlainState) {
    const std::string good = graphs::plotStateToJson(sampleState());
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        const auto at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    static constexpr char kGarbage[] = "\x01\xff PK\x03\x04 not json";
    struct Case {
        const char* name;
        std::string content;
        const char* errorPart;
    };
    const std::vector<Case> cases = {
        {"truncated", good.substr(0, good.size() / 2), "damaged"},
        {"empty", "", "damaged"},
        {"garbage", std::string(kGarbage, sizeof kGarbage - 1), "damaged"},
        {"array", "[1,2,3]", "not a plot file"},
        {"other format", replaced("vantrel-plot", "other"), "not a plot file"},
        {"newer version", replaced("\"version\":1", "\"version\":2"), "version 2"},
        {"no version", replaced("\"version\":1", "\"versio\":1"), "no version"},
        {"unknown annotation type", replaced("\"type\":43", "\"type\":99"), "unknown type"},
        {"text as limit", replaced("\"xMin\":-0.3", "\"xMin\":\"a\""), "xMin"},
        {"lists differ", replaced("\"y\":[0,", "\"y\":["), "differ"},
        {"bad colour", replaced("\"colour\":255", "\"colour\":-4"), "colour"},
    };
    testsupport::TempDir dir;
    for (const Case& c : cases) {
        const std::string path = (dir.path() / "damaged.plt").string();
        testsupport::writeFile(path, c.content);
        const graphs::PlotFileRead read = graphs::loadPlotFile(path);
        EXPECT_FALSE(read.ok) << c.name;
        EXPECT_NE(read.error.find(path), std::string::npos) << c.name << ": " << read.error;
        EXPECT_NE(read.error.find(c.errorPart), std::string::npos) << c.name << ": " << read.error;
        EXPECT_EQ(read.state, graphs::PlotState{}) << c.name;
        DrawnPlot drawn(read.state);  // a plain plot draws
        EXPECT_EQ(drawn.plot.graph(0)->dataCount(), 0);
    }
    const graphs::PlotFileRead missing = graphs::loadPlotFile((dir.path() / "none.plt").string());
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.error.find("cannot be read"), std::string::npos);
}

TEST(PlotFile, UnwritableFolderIsAnError) {
    std::string error;
    EXPECT_FALSE(graphs::savePlotFile("/nonexistent-folder/x.plt", sampleState(), error));
    EXPECT_NE(error.find("cannot be written"), std::string::npos);
}

TEST(PlotMargins, FirstLimitsOfAGraph) {
    struct Case {
        const char* name;
        double xStart, xEnd, yMin, yMax;
        bool event;
        graphs::PlotLimits expected;
    };
    const std::vector<Case> cases = {
        {"channel graph", 10, 20, 0, 100, false, {9.7, 20.3, -3, 103}},
        {"event graph keeps its X range", 10, 20, 0, 100, true, {10, 20, -3, 103}},
        {"flat signal", 10, 20, 2.5, 2.5, false, {9.7, 20.3, 2.499, 2.501}},
        {"span of 3% just above the floor", 0, 1, 0, 0.001, true, {0, 1, -0.00003, 0.00103}},
    };
    for (const Case& c : cases) {
        const graphs::PlotLimits l =
            graphs::limitsWithMargins(c.xStart, c.xEnd, c.yMin, c.yMax, c.event);
        EXPECT_NEAR(l.xMin, c.expected.xMin, 1e-12) << c.name;
        EXPECT_NEAR(l.xMax, c.expected.xMax, 1e-12) << c.name;
        EXPECT_NEAR(l.yMin, c.expected.yMin, 1e-12) << c.name;
        EXPECT_NEAR(l.yMax, c.expected.yMax, 1e-12) << c.name;
    }
}

// A flat trace with a missing point in the middle: the line is broken around it.
TEST(PlotAdapter, MissingValuesAreDrawnAsGaps) {
    graphs::PlotState s;
    s.x = {0, 1, 2, 3, 4, 5, 6};
    s.y = {0.5, 0.5, 0.5, graphs::kMissingValue, 0.5, 0.5, std::nan("")};
    s.limits = {0, 6, 0, 1};
    DrawnPlot drawn(s);
    const auto& data = *drawn.plot.graph(0)->data();
    EXPECT_TRUE(std::isnan(data.at(3)->value));
    EXPECT_TRUE(std::isnan(data.at(6)->value));
    EXPECT_EQ(data.at(2)->value, 0.5);

    const QImage image = drawn.plot.toPixmap(640, 400).toImage();
    const auto traceAt = [&](double x) {
        const QPointF p = drawn.adapter.graphToPixel(x, 0.5);
        for (int dy = -1; dy <= 1; ++dy)
            if (qGray(image.pixel(int(std::lround(p.x())), int(std::lround(p.y())) + dy)) < 200)
                return true;
        return false;
    };
    EXPECT_TRUE(traceAt(1.5));
    EXPECT_FALSE(traceAt(3.0));  // between points 2 and 4 nothing is drawn
    EXPECT_TRUE(traceAt(4.5));

    drawn.adapter.setPointMissing(1);
    EXPECT_TRUE(std::isnan(drawn.plot.graph(0)->data()->at(1)->value));
    EXPECT_EQ(drawn.adapter.state().y[1], graphs::kMissingValue);
}

TEST(PlotAdapter, PixelAndGraphCoordinatesRoundTrip) {
    DrawnPlot drawn(sampleState());
    for (const auto& [x, y] : std::vector<std::pair<double, double>>{
             {-0.3, -1.2}, {10.3, 1.2}, {5.0, 0.0}, {0.123, -0.987}}) {
        const QPointF p = drawn.adapter.graphToPixel(x, y);
        double gx = 0, gy = 0;
        drawn.adapter.pixelToGraph(p, gx, gy);
        EXPECT_NEAR(gx, x, 1e-9);
        EXPECT_NEAR(gy, y, 1e-9);
    }
    const QRect area = drawn.plot.axisRect()->rect();
    EXPECT_NEAR(drawn.adapter.graphToPixel(-0.3, 0).x(), area.left(), 1.0);
    EXPECT_NEAR(drawn.adapter.graphToPixel(10.3, 0).x(), area.right(), 1.0);
    EXPECT_NEAR(drawn.adapter.graphToPixel(0, 1.2).y(), area.top(), 1.0);
}

TEST(PlotAdapter, ClicksHitWhatIsDrawnThere) {
    graphs::PlotState s = sampleState();
    s.y[20] = 0.9;  // a point away from the annotations
    DrawnPlot drawn(s);
    auto& a = drawn.adapter;
    const QRect mainTitle = drawn.plot.plotLayout()->element(0, 0)->outerRect();
    const QRect subTitle = drawn.plot.plotLayout()->element(1, 0)->outerRect();
    const QRect area = drawn.plot.axisRect()->rect();
    // The axis labels lie outermost in the margins, inside the axis padding.
    const QMargins margins = drawn.plot.axisRect()->margins();
    const int labelHalf = QFontMetrics(drawn.plot.xAxis->labelFont()).height() / 2;
    const double xLabelY =
        area.bottom() + margins.bottom() - drawn.plot.xAxis->padding() - labelHalf;
    const double yLabelX =
        area.left() - margins.left() + drawn.plot.yAxis->padding() + labelHalf;
    const QPointF lineStart = a.graphToPixel(2.0, 0.5), lineEnd = a.graphToPixel(8.0, 0.5);
    const QPointF text = a.graphToPixel(5.0, -0.6) + QPointF(8, -5);
    const QPointF arrowEnd = a.graphToPixel(3.0, -0.2);
    using K = graphs::HitKind;
    struct Case {
        const char* name;
        QPointF at;
        graphs::Hit expected;
    };
    const std::vector<Case> cases = {
        {"point", a.graphToPixel(s.x[20], 0.9) + QPointF(2, 1), {K::Point, 20}},
        {"line near its start", lineStart + QPointF(10, 0), {K::Annotation, 0}},
        {"line near its end", lineEnd - QPointF(10, 1), {K::Annotation, 1}},
        {"text", text, {K::Annotation, 2}},
        {"arrow end", arrowEnd - QPointF(1, -1), {K::Annotation, 5}},
        {"main title", QPointF(mainTitle.center()), {K::MainTitle, -1}},
        {"subtitle", QPointF(subTitle.center()), {K::SubTitle, -1}},
        {"x label", QPointF(area.center().x(), xLabelY), {K::XAxisLabel, -1}},
        {"y label", QPointF(yLabelX, area.center().y()), {K::YAxisLabel, -1}},
        {"x axis", QPointF(area.left() + 40, area.bottom() + 1), {K::XAxis, -1}},
        {"y axis", QPointF(area.left() - 1, area.top() + 30), {K::YAxis, -1}},
        {"empty plot area", a.graphToPixel(9.5, -1.1), {K::Nothing, -1}},
    };
    for (const Case& c : cases) {
        const graphs::Hit hit = a.hitTest(c.at);
        EXPECT_EQ(hit.kind, c.expected.kind) << c.name;
        EXPECT_EQ(hit.index, c.expected.index) << c.name;
    }
    // An empty text entry starts a segment but is not hit itself.
    graphs::PlotState arrow = s;
    arrow.annotations[4] = {true, graphs::AnnotationType::Text, 1.0, -1.0, "", graphs::kBlack};
    DrawnPlot withArrow(arrow);
    EXPECT_EQ(withArrow.adapter.hitTest(withArrow.adapter.graphToPixel(1.0, -1.0) + QPointF(2, -6))
                  .index,
              4);  // the segment, at its start
    EXPECT_EQ(withArrow.adapter.hitTest(arrowEnd - QPointF(1, -1)).index, 5);

    // A missing point is never hit.
    EXPECT_NE(a.hitTest(a.graphToPixel(s.x[50], 0.0)).kind, K::Point);
}

void drag(QCustomPlot& plot, QPoint from, QPoint to) {
    QMouseEvent press(QEvent::MouseButtonPress, from, plot.mapToGlobal(from), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&plot, &press);
    QMouseEvent move(QEvent::MouseMove, to, plot.mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(&plot, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, to, plot.mapToGlobal(to), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&plot, &release);
}

TEST(PlotAdapter, DragBoxZoomHandsOverTheBoxLimits) {
    DrawnPlot drawn(sampleState());
    auto& a = drawn.adapter;
    std::vector<graphs::PlotLimits> boxes;
    a.setDragZoom(true, [&](const graphs::PlotLimits& l) { boxes.push_back(l); });

    const QPoint from = a.graphToPixel(2.0, 1.0).toPoint();
    const QPoint to = a.graphToPixel(6.0, -0.5).toPoint();
    drag(drawn.plot, from, to);
    ASSERT_EQ(boxes.size(), 1u);
    const double xStep = 10.6 / drawn.plot.axisRect()->width();
    const double yStep = 2.4 / drawn.plot.axisRect()->height();
    EXPECT_NEAR(boxes[0].xMin, 2.0, 1.5 * xStep);
    EXPECT_NEAR(boxes[0].xMax, 6.0, 1.5 * xStep);
    EXPECT_NEAR(boxes[0].yMin, -0.5, 1.5 * yStep);
    EXPECT_NEAR(boxes[0].yMax, 1.0, 1.5 * yStep);
    EXPECT_EQ(a.limits(), sampleState().limits);  // the handler decides, not the plot

    a.setLimits(boxes[0]);
    EXPECT_EQ(a.limits(), boxes[0]);

    drag(drawn.plot, to, to + QPoint(1, 1));  // a click, not a box
    EXPECT_EQ(boxes.size(), 1u);
    a.setDragZoom(false);
    drag(drawn.plot, from, to);
    EXPECT_EQ(boxes.size(), 1u);
}

bool hasInk(const QImage& image) {
    int dark = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            if (qGray(image.pixel(x, y)) < 128) ++dark;
    return dark > 100;
}

TEST(PlotAdapter, ExportsImagesOfTheAskedSize) {
    testsupport::TempDir dir;
    DrawnPlot drawn(sampleState());
    std::string error;
    const std::string png = (dir.path() / "plot.png").string();
    ASSERT_TRUE(drawn.adapter.exportImage(png, 700, 320, error)) << error;
    const QImage image(QString::fromStdString(png));
    EXPECT_EQ(image.width(), 700);
    EXPECT_EQ(image.height(), 320);
    EXPECT_TRUE(hasInk(image));

    const std::string pdf = (dir.path() / "plot.PDF").string();
    ASSERT_TRUE(drawn.adapter.exportImage(pdf, 700, 320, error)) << error;
    EXPECT_EQ(testsupport::readFile(pdf).substr(0, 5), "%PDF-");

    EXPECT_FALSE(drawn.adapter.exportImage((dir.path() / "plot.bmp").string(), 700, 320, error));
    EXPECT_NE(error.find(".png, .jpg, .pdf or .svg"), std::string::npos) << error;
    EXPECT_FALSE(drawn.adapter.exportImage(png, 0, 320, error));
    EXPECT_FALSE(drawn.adapter.exportImage("/nonexistent-folder/p.png", 700, 320, error));
}

// The coordinate pairs of an SVG "points" or "d" attribute, commands dropped.
std::vector<QPointF> pointsOf(const QString& attribute) {
    std::string text = attribute.toStdString();
    for (char& c : text)
        if (c == ',' || std::isalpha(static_cast<unsigned char>(c))) c = ' ';
    std::istringstream in(text);
    std::vector<QPointF> points;
    double x = 0, y = 0;
    while (in >> x >> y) points.emplace_back(x, y);
    return points;
}

QRectF boundsOf(const std::vector<QPointF>& points) {
    QPolygonF polygon;
    for (const QPointF& p : points) polygon << p;
    return polygon.boundingRect();
}

// What an SVG file holds, read back with a strict XML reader.
struct ReadSvg {
    QString error;
    QString rootName, width, height;
    std::vector<std::string> texts;
    std::string textTransformOf(const std::string& text) const {
        const auto at = transforms.find(text);
        return at == transforms.end() ? std::string() : at->second;
    }
    std::map<std::string, std::string> transforms;
    std::vector<QPointF> longestLine;  // the polyline or path with the most points
    QRectF clipOfLongestLine;          // the clip it is drawn in; empty if none
    int clips = 0;

    explicit ReadSvg(const std::string& file) {
        QXmlStreamReader xml(QByteArray::fromStdString(testsupport::readFile(file)));
        std::map<QString, QRectF> clipRects;
        std::vector<QRectF> groupClips;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isEndElement() && xml.name() == u"g") groupClips.pop_back();
            if (!xml.isStartElement()) continue;
            const QXmlStreamAttributes a = xml.attributes();
            if (rootName.isEmpty()) {
                rootName = xml.name().toString();
                width = a.value("width").toString();
                height = a.value("height").toString();
            } else if (xml.name() == u"clipPath") {
                const QString id = a.value("id").toString();
                xml.readNextStartElement();
                clipRects[id] = boundsOf(pointsOf(xml.attributes().value("d").toString()));
                ++clips;
            } else if (xml.name() == u"g") {
                QString ref = a.value("clip-path").toString();
                ref = ref.mid(5, ref.size() - 6);  // url(#id)
                groupClips.push_back(clipRects.count(ref) ? clipRects[ref] : QRectF());
            } else if (xml.name() == u"text") {
                const std::string transform = a.value("transform").toString().toStdString();
                texts.push_back(xml.readElementText().toStdString());
                transforms[texts.back()] = transform;
            } else if (xml.name() == u"polyline" || xml.name() == u"path") {
                const auto points =
                    pointsOf(a.value(xml.name() == u"path" ? "d" : "points").toString());
                if (points.size() > longestLine.size()) {
                    longestLine = points;
                    clipOfLongestLine = groupClips.empty() ? QRectF() : groupClips.back();
                }
            }
        }
        if (xml.hasError()) error = xml.errorString();
    }
};

TEST(PlotAdapter, ExportsSvgWithTextsTraceAndClip) {
    testsupport::TempDir dir;
    graphs::PlotState state = sampleState();
    state.mainTitle.text = "Peak < 5 & \"rising\"";
    DrawnPlot drawn(state);
    // A hidden widget keeps its first viewport; it is set to the image's size, so the trace
    // can be compared with the widget's coordinates.
    drawn.plot.setViewport(QRect(0, 0, 640, 400));
    const std::string svg = (dir.path() / "plot.SVG").string();
    std::string error;
    ASSERT_TRUE(drawn.adapter.exportImage(svg, 640, 400, error)) << error;
    const std::string raw = testsupport::readFile(svg);
    EXPECT_NE(raw.find("Peak &lt; 5 &amp; &quot;rising&quot;"), std::string::npos);

    const ReadSvg read(svg);
    ASSERT_TRUE(read.error.isEmpty()) << read.error.toStdString();
    EXPECT_EQ(read.rootName, "svg");
    EXPECT_EQ(read.width, "640");
    EXPECT_EQ(read.height, "400");
    struct Case {
        std::string text;
        bool turned;  // drawn rotated, as the y label
    };
    const std::vector<Case> cases = {
        {state.mainTitle.text, false}, {"Voltage Data", false}, {"Time (ms)", false},
        {"Volts (V) ", true},          {"T = 6.0000 ms ", false},
    };
    for (const Case& c : cases) {
        EXPECT_NE(std::find(read.texts.begin(), read.texts.end(), c.text), read.texts.end())
            << c.text;
        EXPECT_EQ(read.textTransformOf(c.text).empty(), !c.turned) << c.text;
    }

    // The trace up to the gap at point 50, where the widget draws it, clipped to the axes.
    ASSERT_GE(read.longestLine.size(), 40u);
    drawn.adapter.relayout();
    const QPointF first = drawn.adapter.graphToPixel(0.0, 0.0);
    EXPECT_NEAR(read.longestLine.front().x(), first.x(), 1.0);
    EXPECT_NEAR(read.longestLine.front().y(), first.y(), 1.0);
    EXPECT_GE(read.clips, 1);
    const QRect axes = drawn.plot.axisRect()->rect();
    EXPECT_NEAR(read.clipOfLongestLine.left(), axes.left(), 2.0);
    EXPECT_NEAR(read.clipOfLongestLine.right(), axes.right(), 2.0);
    EXPECT_NEAR(read.clipOfLongestLine.top(), axes.top(), 2.0);
    EXPECT_NEAR(read.clipOfLongestLine.bottom(), axes.bottom(), 2.0);
}

// What the plot does not draw itself: images, transforms, no pen, clips ended by restore().
TEST(SvgPaintDevice, DrawsImagesTransformsAndEndsClips) {
    graphs::SvgPaintDevice device(200, 100);
    QImage red(4, 3, QImage::Format_RGB32);
    red.fill(Qt::red);
    {
        QPainter painter(&device);
        painter.save();
        painter.setClipRect(QRect(10, 10, 50, 40));
        painter.translate(5, 7);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 255, 128));
        painter.drawRect(QRectF(0, 0, 20, 10));
        painter.restore();
        painter.setPen(QPen(Qt::green, 2, Qt::DashLine));
        painter.drawLine(QPointF(0, 90), QPointF(200, 90));
        painter.drawImage(QPointF(100, 20), red);
    }
    const std::string svg = device.document();
    QXmlStreamReader xml(QByteArray::fromStdString(svg));
    while (!xml.atEnd()) xml.readNext();
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString() << "\n" << svg;

    const auto rect = svg.find("<path d=\"M5,7 L25,7 L25,17 L5,17 Z\" fill=\"#0000ff\" "
                               "fill-opacity=\"0.502\"");
    ASSERT_NE(rect, std::string::npos) << svg;
    EXPECT_NE(svg.find("stroke=\"none\"", rect), std::string::npos);
    const auto groupEnd = svg.find("</g>", rect);
    const auto line = svg.find("<polyline points=\"0,90 200,90\"");
    ASSERT_NE(line, std::string::npos) << svg;
    EXPECT_LT(groupEnd, line);  // the line is drawn unclipped
    EXPECT_NE(svg.find("stroke-dasharray=\"8,4\"", line), std::string::npos) << svg;

    const std::string uri = "xlink:href=\"data:image/png;base64,";
    const auto image = svg.find(uri);
    ASSERT_NE(image, std::string::npos);
    const auto start = image + uri.size();
    const std::string base64 = svg.substr(start, svg.find('"', start) - start);
    const QImage back =
        QImage::fromData(QByteArray::fromBase64(QByteArray::fromStdString(base64)), "PNG");
    EXPECT_EQ(back.size(), QSize(4, 3));
    EXPECT_EQ(back.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_NE(svg.find("<image x=\"100\" y=\"20\" width=\"4\" height=\"3\""), std::string::npos);
}

TEST(PlotAdapter, CopiesALimitedImageToTheClipboard) {
    DrawnPlot drawn(sampleState());
    ASSERT_TRUE(drawn.adapter.copyToClipboard(800, 500));
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), QSize(800, 500));
    EXPECT_TRUE(hasInk(copied));
    ASSERT_TRUE(drawn.adapter.copyToClipboard(12000, 12000));
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(4096, 4096));
}

}  // namespace

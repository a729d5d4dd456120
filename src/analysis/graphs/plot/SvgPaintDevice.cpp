#include "analysis/graphs/plot/SvgPaintDevice.h"

#include <QBuffer>
#include <QImage>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPixmap>
#include <QTextItem>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace graphs {

namespace {

constexpr int kDpi = 96;

// Numbers are written with at most 3 decimals through to_chars: the C locale functions would
// write decimal commas under the locale a Qt application sets.
void appendNumber(std::string& out, double value) {
    if (!std::isfinite(value)) value = 0.0;
    char buffer[64];
    auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 3);
    if (ec != std::errc()) {
        out += '0';
        return;
    }
    std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
    while (text.back() == '0') text.remove_suffix(1);
    if (text.back() == '.') text.remove_suffix(1);
    if (text == "-0") text = "0";
    out += text;
}

std::string number(double value) {
    std::string out;
    appendNumber(out, value);
    return out;
}

// Text content and attribute values; characters XML 1.0 cannot hold at all are dropped.
std::string escaped(const QString& text) {
    std::string out;
    for (const char c : text.toStdString()) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r')
                    out += c;
        }
    }
    return out;
}

// Qt's family names ("sans", "Sans Serif") are no CSS generic names: the generic family of
// the font's style follows as the viewer's fallback.
std::string fontFamilies(const QFont& font) {
    const char* generic = "sans-serif";
    switch (font.styleHint()) {
        case QFont::Serif:
            generic = "serif";
            break;
        case QFont::TypeWriter:
        case QFont::Monospace:
            generic = "monospace";
            break;
        default:
            break;
    }
    QString family = font.family();
    family.remove(QLatin1Char('\''));  // it would end the quoted name
    return escaped("'" + family + "', ") + generic;
}

std::string colour(const QColor& c) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", c.red(), c.green(), c.blue());
    return buffer;
}

// A gradient has no single colour; its first stop stands for it.
QColor brushColour(const QBrush& brush) {
    if (const QGradient* gradient = brush.gradient(); gradient && !gradient->stops().isEmpty())
        return gradient->stops().front().second;
    return brush.color();
}

std::string matrix(const QTransform& t) {
    return "matrix(" + number(t.m11()) + ' ' + number(t.m12()) + ' ' + number(t.m21()) + ' ' +
           number(t.m22()) + ' ' + number(t.dx()) + ' ' + number(t.dy()) + ')';
}

// Path data in device pixels. Points that are not finite break the line, as a gap.
std::string pathData(const QPainterPath& path) {
    std::string d;
    QPointF start;
    bool open = false;
    int drawnInSubpath = 0;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (!std::isfinite(e.x) || !std::isfinite(e.y)) {
            open = false;
            continue;
        }
        const bool curve = e.type == QPainterPath::CurveToElement && i + 2 < path.elementCount();
        if (e.type == QPainterPath::MoveToElement || !open) {
            d += 'M';
            start = QPointF(e.x, e.y);
            open = true;
            drawnInSubpath = 0;
        } else if (curve) {
            d += 'C';
        } else {
            // closeSubpath() is stored as a line back to the start: a Z joins the corner.
            const bool last = i + 1 == path.elementCount() ||
                              path.elementAt(i + 1).type == QPainterPath::MoveToElement;
            if (last && QPointF(e.x, e.y) == start && drawnInSubpath > 1) {
                d += 'Z';
                continue;
            }
            d += 'L';
        }
        appendNumber(d, e.x);
        d += ',';
        appendNumber(d, e.y);
        ++drawnInSubpath;
        if (curve) {
            for (int k = 1; k <= 2; ++k) {
                const QPainterPath::Element c = path.elementAt(i + k);
                d += ' ';
                appendNumber(d, c.x);
                d += ',';
                appendNumber(d, c.y);
            }
            i += 2;
        }
        d += ' ';
    }
    if (!d.empty() && d.back() == ' ') d.pop_back();
    return d;
}

std::string pngDataUri(const QImage& image) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return "data:image/png;base64," + png.toBase64().toStdString();
}

}  // namespace

// Turns QPainter calls into elements. QPainter hands over pen, brush, transform and clip in
// updateState; the defaults of QPaintEngine turn lines, rectangles, ellipses and points into
// drawPath / drawPolygon calls, which is all they need here.
class SvgPaintEngine : public QPaintEngine {
  public:
    SvgPaintEngine(int width, int height, std::string& document)
        : QPaintEngine(
              PaintEngineFeatures(QPaintEngine::AllFeatures) &
              ~PaintEngineFeatures(QPaintEngine::PerspectiveTransform | QPaintEngine::PorterDuff)),
          m_width(width),
          m_height(height),
          m_document(document) {}

    bool begin(QPaintDevice*) override {
        m_out =
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
            "<svg xmlns=\"http://www.w3.org/2000/svg\" "
            "xmlns:xlink=\"http://www.w3.org/1999/xlink\" version=\"1.1\" width=\"" +
            std::to_string(m_width) + "\" height=\"" + std::to_string(m_height) +
            "\" viewBox=\"0 0 " + std::to_string(m_width) + ' ' + std::to_string(m_height) +
            "\">\n";
        m_document.clear();
        m_clipOn = m_haveClip = m_clipEnabled = false;
        m_drawnClipOn = false;
        m_clipCount = 0;
        m_opacity = 1.0;
        return true;
    }

    bool end() override {
        if (m_drawnClipOn) m_out += "</g>\n";
        m_drawnClipOn = false;
        m_out += "</svg>\n";
        m_document = std::move(m_out);
        m_out.clear();
        return true;
    }

    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& painterState) override {
        const DirtyFlags dirty = painterState.state();
        if (dirty & DirtyPen) m_pen = painterState.pen();
        if (dirty & DirtyBrush) m_brush = painterState.brush();
        if (dirty & DirtyTransform) m_transform = painterState.transform();
        if (dirty & DirtyOpacity) m_opacity = painterState.opacity();
        // A clip is kept in device pixels, mapped by the transform in force when it was set.
        if (dirty & (DirtyClipRegion | DirtyClipPath)) {
            QPainterPath clip;
            if (dirty & DirtyClipRegion) {
                for (const QRect& r : painterState.clipRegion()) clip.addRect(r);
            } else {
                clip = painterState.clipPath();
            }
            clip = painterState.transform().map(clip);
            switch (painterState.clipOperation()) {
                case Qt::NoClip:
                    m_haveClip = false;
                    break;
                case Qt::ReplaceClip:
                    m_clip = clip;
                    m_haveClip = true;
                    break;
                case Qt::IntersectClip:
                    m_clip = m_haveClip ? m_clip.intersected(clip) : clip;
                    m_haveClip = true;
                    break;
            }
        }
        // Replaying clips on restore() leaves the enabled flag alone: it is only read when
        // the painter says it changed.
        if (dirty & DirtyClipEnabled) m_clipEnabled = painterState.isClipEnabled();
        m_clipOn = m_haveClip && m_clipEnabled;
    }

    void drawPath(const QPainterPath& path) override {
        const std::string d = pathData(m_transform.map(path));
        if (d.empty()) return;
        beginElement();
        m_out += "<path d=\"" + d + "\" " + fillAttributes(path.fillRule()) + ' ' +
                 strokeAttributes() + "/>\n";
    }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        if (count <= 0) return;
        std::string list;
        for (int i = 0; i < count; ++i) {
            const QPointF p = m_transform.map(points[i]);
            if (!std::isfinite(p.x()) || !std::isfinite(p.y())) continue;
            if (!list.empty()) list += ' ';
            appendNumber(list, p.x());
            list += ',';
            appendNumber(list, p.y());
        }
        if (list.empty()) return;
        beginElement();
        if (mode == PolylineMode) {
            m_out +=
                "<polyline points=\"" + list + "\" fill=\"none\" " + strokeAttributes() + "/>\n";
        } else {
            const Qt::FillRule rule = mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill;
            m_out += "<polygon points=\"" + list + "\" " + fillAttributes(rule) + ' ' +
                     strokeAttributes() + "/>\n";
        }
    }

    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        const QString text = item.text();
        if (text.isEmpty()) return;
        const QFont font = item.font();
        const double pixels =
            font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * kDpi / 72.0;
        beginElement();
        // A pure shift is folded into the position; a turned label (the y axis) keeps its
        // matrix so the glyphs turn with it.
        const bool shiftOnly = m_transform.type() <= QTransform::TxTranslate;
        const QPointF at = shiftOnly ? m_transform.map(p) : p;
        m_out += "<text xml:space=\"preserve\" x=\"" + number(at.x()) + "\" y=\"" + number(at.y()) +
                 "\"";
        if (!shiftOnly) m_out += " transform=\"" + matrix(m_transform) + "\"";
        m_out += " font-family=\"" + fontFamilies(font) + "\" font-size=\"" + number(pixels) +
                 "px\" font-weight=\"" + std::to_string(static_cast<int>(font.weight())) + "\"";
        if (font.italic()) m_out += " font-style=\"italic\"";
        if (font.underline()) m_out += " text-decoration=\"underline\"";
        // The width Qt laid the text out with, so a viewer with other font files keeps it
        // where Qt placed it (titles are centred, tick labels right-aligned).
        if (item.width() > 0)
            m_out +=
                " textLength=\"" + number(item.width()) + "\" lengthAdjust=\"spacingAndGlyphs\"";
        m_out += " fill=\"" + colour(m_pen.color()) + "\"" +
                 opacityAttribute("fill-opacity", m_pen.color()) + ">" + escaped(text) +
                 "</text>\n";
    }

    void drawPixmap(const QRectF& r, const QPixmap& pixmap, const QRectF& source) override {
        drawImage(r, pixmap.toImage(), source, Qt::AutoColor);
    }

    void drawImage(const QRectF& r, const QImage& image, const QRectF& source,
                   Qt::ImageConversionFlags) override {
        if (image.isNull() || r.isEmpty()) return;
        const QImage part =
            source.toAlignedRect() == image.rect() ? image : image.copy(source.toAlignedRect());
        beginElement();
        m_out += "<image x=\"" + number(r.x()) + "\" y=\"" + number(r.y()) + "\" width=\"" +
                 number(r.width()) + "\" height=\"" + number(r.height()) +
                 "\" preserveAspectRatio=\"none\"";
        if (!m_transform.isIdentity()) m_out += " transform=\"" + matrix(m_transform) + "\"";
        if (m_opacity < 1.0) m_out += " opacity=\"" + number(m_opacity) + "\"";
        m_out += " xlink:href=\"" + pngDataUri(part) + "\"/>\n";
    }

  private:
    // Opens a clipped group when the clip differs from the one the last element was drawn in.
    void beginElement() {
        if (m_clipOn == m_drawnClipOn && (!m_clipOn || m_clip == m_drawnClip)) return;
        if (m_drawnClipOn) m_out += "</g>\n";
        m_drawnClipOn = m_clipOn;
        if (!m_clipOn) return;
        m_drawnClip = m_clip;
        const std::string id = "clip" + std::to_string(++m_clipCount);
        m_out += "<clipPath id=\"" + id + "\"><path d=\"" + pathData(m_clip) + "\" clip-rule=\"" +
                 (m_clip.fillRule() == Qt::WindingFill ? "nonzero" : "evenodd") +
                 "\"/></clipPath>\n<g clip-path=\"url(#" + id + ")\">\n";
    }

    std::string opacityAttribute(const char* name, const QColor& c) const {
        const double alpha = c.alphaF() * m_opacity;
        return alpha < 1.0 ? std::string(" ") + name + "=\"" + number(alpha) + "\"" : "";
    }

    std::string fillAttributes(Qt::FillRule rule) const {
        if (m_brush.style() == Qt::NoBrush) return "fill=\"none\"";
        const QColor c = brushColour(m_brush);
        return "fill=\"" + colour(c) + "\"" + opacityAttribute("fill-opacity", c) +
               " fill-rule=\"" + (rule == Qt::WindingFill ? "nonzero" : "evenodd") + "\"";
    }

    std::string strokeAttributes() const {
        if (m_pen.style() == Qt::NoPen || m_pen.brush().style() == Qt::NoBrush)
            return "stroke=\"none\"";
        const QColor c = brushColour(m_pen.brush());
        // A cosmetic pen keeps its width on the device; any other grows with the transform.
        double width = m_pen.widthF() > 0 ? m_pen.widthF() : 1.0;
        if (!m_pen.isCosmetic()) width *= std::sqrt(std::abs(m_transform.determinant()));
        std::string s = "stroke=\"" + colour(c) + "\"" + opacityAttribute("stroke-opacity", c) +
                        " stroke-width=\"" + number(width) + "\"";
        switch (m_pen.capStyle()) {
            case Qt::FlatCap:
                s += " stroke-linecap=\"butt\"";
                break;
            case Qt::RoundCap:
                s += " stroke-linecap=\"round\"";
                break;
            default:
                s += " stroke-linecap=\"square\"";
                break;
        }
        switch (m_pen.joinStyle()) {
            case Qt::RoundJoin:
                s += " stroke-linejoin=\"round\"";
                break;
            case Qt::BevelJoin:
                s += " stroke-linejoin=\"bevel\"";
                break;
            default:
                s += " stroke-linejoin=\"miter\" stroke-miterlimit=\"" +
                     number(std::max(1.0, m_pen.miterLimit())) + "\"";
        }
        if (m_pen.style() != Qt::SolidLine) {
            // Qt gives dashes in pen widths, SVG in pixels.
            std::string dashes;
            for (const qreal dash : m_pen.dashPattern()) {
                if (!dashes.empty()) dashes += ',';
                appendNumber(dashes, dash * width);
            }
            if (!dashes.empty()) {
                s += " stroke-dasharray=\"" + dashes + "\"";
                if (m_pen.dashOffset() != 0)
                    s += " stroke-dashoffset=\"" + number(m_pen.dashOffset() * width) + "\"";
            }
        }
        return s;
    }

    int m_width;
    int m_height;
    std::string& m_document;
    std::string m_out;
    QPen m_pen;
    QBrush m_brush;
    QTransform m_transform;
    double m_opacity = 1.0;
    QPainterPath m_clip;
    bool m_haveClip = false;
    bool m_clipEnabled = false;
    bool m_clipOn = false;
    QPainterPath m_drawnClip;
    bool m_drawnClipOn = false;
    int m_clipCount = 0;
};

SvgPaintDevice::SvgPaintDevice(int width, int height)
    : m_width(width),
      m_height(height),
      m_engine(std::make_unique<SvgPaintEngine>(width, height, m_document)) {}

SvgPaintDevice::~SvgPaintDevice() = default;

QPaintEngine* SvgPaintDevice::paintEngine() const { return m_engine.get(); }

int SvgPaintDevice::metric(PaintDeviceMetric metric) const {
    switch (metric) {
        case PdmWidth:
            return m_width;
        case PdmHeight:
            return m_height;
        case PdmWidthMM:
            return static_cast<int>(std::lround(m_width * 25.4 / kDpi));
        case PdmHeightMM:
            return static_cast<int>(std::lround(m_height * 25.4 / kDpi));
        case PdmNumColors:
            return std::numeric_limits<int>::max();
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return kDpi;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return static_cast<int>(devicePixelRatioFScale());
        default:
            return QPaintDevice::metric(metric);
    }
}

}  // namespace graphs

#include "analysis/graphs/plot/PlotFile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cmath>
#include <stdexcept>

namespace graphs {
namespace {

constexpr const char* kFormatName = "vantrel-plot";

// A fault in the document; caught at the top of the reader.
struct BadPlot : std::runtime_error {
    using std::runtime_error::runtime_error;
};

QJsonValue number(double v) { return std::isfinite(v) ? QJsonValue(v) : QJsonValue(); }

QJsonObject textObject(const PlotText& t) {
    QJsonObject o;
    o["text"] = QString::fromStdString(t.text);
    o["colour"] = static_cast<qint64>(t.colour);
    o["bold"] = t.bold;
    o["italic"] = t.italic;
    o["underline"] = t.underline;
    return o;
}

QJsonValue member(const QJsonObject& o, const char* key) {
    const QJsonValue v = o.value(QLatin1String(key));
    if (v.isUndefined()) throw BadPlot(std::string("\"") + key + "\" is missing");
    return v;
}

double readNumber(const QJsonObject& o, const char* key) {
    const QJsonValue v = member(o, key);
    if (!v.isDouble() || !std::isfinite(v.toDouble()))
        throw BadPlot(std::string("\"") + key + "\" is not a number");
    return v.toDouble();
}

bool readBool(const QJsonObject& o, const char* key) {
    const QJsonValue v = member(o, key);
    if (!v.isBool()) throw BadPlot(std::string("\"") + key + "\" is not true or false");
    return v.toBool();
}

std::string readString(const QJsonObject& o, const char* key) {
    const QJsonValue v = member(o, key);
    if (!v.isString()) throw BadPlot(std::string("\"") + key + "\" is not a text");
    return v.toString().toStdString();
}

std::uint32_t readColour(const QJsonObject& o, const char* key) {
    const double v = readNumber(o, key);
    if (v < 0 || v > 16777215 || v != std::floor(v))
        throw BadPlot(std::string("\"") + key + "\" is not a colour");
    return static_cast<std::uint32_t>(v);
}

QJsonObject readObject(const QJsonObject& o, const char* key) {
    const QJsonValue v = member(o, key);
    if (!v.isObject()) throw BadPlot(std::string("\"") + key + "\" is not an object");
    return v.toObject();
}

QJsonArray readArray(const QJsonObject& o, const char* key) {
    const QJsonValue v = member(o, key);
    if (!v.isArray()) throw BadPlot(std::string("\"") + key + "\" is not a list");
    return v.toArray();
}

PlotText readText(const QJsonObject& o, const char* key) {
    const QJsonObject t = readObject(o, key);
    PlotText text;
    text.text = readString(t, "text");
    text.colour = readColour(t, "colour");
    text.bold = readBool(t, "bold");
    text.italic = readBool(t, "italic");
    text.underline = readBool(t, "underline");
    return text;
}

PlotState readState(const QJsonObject& root) {
    const QJsonValue format = root.value(QLatin1String("format"));
    if (!format.isString() || format.toString() != QLatin1String(kFormatName))
        throw BadPlot("it is not a plot file");
    const QJsonValue version = root.value(QLatin1String("version"));
    if (!version.isDouble()) throw BadPlot("it has no version");
    if (version.toDouble() != kPlotFileVersion)
        throw BadPlot("its version " + QString::number(version.toDouble()).toStdString() +
                      " is not supported (expected " + std::to_string(kPlotFileVersion) + ")");

    PlotState s;
    const QJsonObject points = readObject(root, "points");
    const QJsonArray xs = readArray(points, "x");
    const QJsonArray ys = readArray(points, "y");
    if (xs.size() != ys.size()) throw BadPlot("its X and Y lists differ in length");
    s.x.reserve(static_cast<std::size_t>(xs.size()));
    s.y.reserve(static_cast<std::size_t>(ys.size()));
    for (qsizetype i = 0; i < xs.size(); ++i) {
        if (!xs[i].isDouble()) throw BadPlot("an X value is not a number");
        if (!ys[i].isDouble() && !ys[i].isNull()) throw BadPlot("a Y value is not a number");
        s.x.push_back(xs[i].toDouble());
        s.y.push_back(ys[i].isNull() ? kMissingValue : ys[i].toDouble());
    }
    const QJsonObject limits = readObject(root, "limits");
    s.limits.xMin = readNumber(limits, "xMin");
    s.limits.xMax = readNumber(limits, "xMax");
    s.limits.yMin = readNumber(limits, "yMin");
    s.limits.yMax = readNumber(limits, "yMax");
    s.mainTitle = readText(root, "mainTitle");
    s.subTitle = readText(root, "subTitle");
    s.xLabel = readText(root, "xLabel");
    s.yLabel = readText(root, "yLabel");
    for (const QJsonValue& v : readArray(root, "annotations")) {
        if (!v.isObject()) throw BadPlot("an annotation is not an object");
        const QJsonObject a = v.toObject();
        Annotation entry;
        entry.used = readBool(a, "used");
        const double type = readNumber(a, "type");
        if (type != std::floor(type) || !isKnownAnnotationType(static_cast<std::int32_t>(type)))
            throw BadPlot("an annotation has an unknown type");
        entry.type = static_cast<AnnotationType>(static_cast<std::int32_t>(type));
        entry.x = readNumber(a, "x");
        entry.y = readNumber(a, "y");
        entry.text = readString(a, "text");
        entry.colour = readColour(a, "colour");
        s.annotations.push_back(std::move(entry));
    }
    s.annotationsShown = readBool(root, "annotationsShown");
    s.markers = readBool(root, "markers");
    return s;
}

}  // namespace

std::string plotStateToJson(const PlotState& s) {
    QJsonObject root;
    root["format"] = kFormatName;
    root["version"] = kPlotFileVersion;
    QJsonArray xs, ys;
    for (std::size_t i = 0; i < s.x.size() && i < s.y.size(); ++i) {
        xs.append(number(s.x[i]));
        ys.append(isMissingValue(s.y[i]) ? QJsonValue() : number(s.y[i]));
    }
    QJsonObject points;
    points["x"] = xs;
    points["y"] = ys;
    root["points"] = points;
    QJsonObject limits;
    limits["xMin"] = number(s.limits.xMin);
    limits["xMax"] = number(s.limits.xMax);
    limits["yMin"] = number(s.limits.yMin);
    limits["yMax"] = number(s.limits.yMax);
    root["limits"] = limits;
    root["mainTitle"] = textObject(s.mainTitle);
    root["subTitle"] = textObject(s.subTitle);
    root["xLabel"] = textObject(s.xLabel);
    root["yLabel"] = textObject(s.yLabel);
    QJsonArray annotations;
    for (const Annotation& a : s.annotations) {
        QJsonObject o;
        o["used"] = a.used;
        o["type"] = static_cast<int>(a.type);
        o["x"] = number(a.x);
        o["y"] = number(a.y);
        o["text"] = QString::fromStdString(a.text);
        o["colour"] = static_cast<qint64>(a.colour);
        annotations.append(o);
    }
    root["annotations"] = annotations;
    root["annotationsShown"] = s.annotationsShown;
    root["markers"] = s.markers;
    return QJsonDocument(root).toJson(QJsonDocument::Compact).toStdString();
}

PlotFileRead plotStateFromJson(const std::string& json) {
    PlotFileRead result;
    QJsonParseError parseError{};
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray::fromStdString(json), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        result.error = "it is damaged (" + parseError.errorString().toStdString() + ")";
        return result;
    }
    if (!doc.isObject()) {
        result.error = "it is not a plot file";
        return result;
    }
    try {
        result.state = readState(doc.object());
        result.ok = true;
    } catch (const BadPlot& e) {
        result.error = e.what();
    }
    return result;
}

PlotFileRead loadPlotFile(const std::string& path) {
    QFile file(QString::fromStdString(path));
    PlotFileRead result;
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = "The plot file " + path + " cannot be read: " +
                       file.errorString().toStdString();
        return result;
    }
    result = plotStateFromJson(file.readAll().toStdString());
    if (!result.ok) result.error = "The plot file " + path + " is refused: " + result.error;
    return result;
}

bool savePlotFile(const std::string& path, const PlotState& state, std::string& error) {
    QSaveFile file(QString::fromStdString(path));
    const std::string json = plotStateToJson(state);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(json.data(), static_cast<qint64>(json.size())) !=
            static_cast<qint64>(json.size()) ||
        !file.commit()) {
        error = "The plot file " + path + " cannot be written: " + file.errorString().toStdString();
        return false;
    }
    error.clear();
    return true;
}

}  // namespace graphs

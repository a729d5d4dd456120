#pragma once
// What a graph model asks of the window that shows it. The graph window implements it on
// top of the plotting library; without a window a graph uses HeadlessGraphView, so that
// opening a test, loading and reloading points run the same way in tests and in the
// command-line program.

#include <cstdint>
#include <string>
#include <vector>

namespace graphs {

class clsGraph;

class GraphView {
public:
    virtual ~GraphView() = default;

    virtual void InitGraph(clsGraph& owner, std::int32_t dataSet, std::int32_t graph) = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void SetCurrentFileInfo(const std::string& text) = 0;
    // First plot of the points, with the ranges to show.
    virtual void SetData(const std::vector<double>& x, const std::vector<double>& y,
                         std::int32_t count, double xStart, double xEnd, double yMin,
                         double yMax) = 0;
    // New points for the same window.
    virtual void ReSetData(const std::vector<double>& x, const std::vector<double>& y,
                           std::int32_t count, bool redraw) = 0;
    virtual void ProcessMsg(std::int32_t code) = 0;
    // The owner closes the window (a channel graph's window may only go this way).
    virtual void ExitClose() = 0;

    // Y-axis label from the owner's quantity and units.
    virtual void SetYaxis() {}
    // Manual limits (and zoom extents) of both axes.
    virtual void ResetAxisLimits(double /*xMin*/, double /*xMax*/, double /*yMin*/,
                                 double /*yMax*/) {}
    // Window-held values by number: 222 main title, 223 subtitle, 224 X-axis label, 225
    // Y-axis label (strings); 201 to 204 the manual limits X min, X max, Y min, Y max.
    virtual std::string sGraphValuePE(std::int32_t /*id*/) const { return {}; }
    virtual void SetGraphStrPE(std::int32_t /*id*/, const std::string& /*text*/) {}
    virtual double dGraphValuePE(std::int32_t /*id*/) const { return 0.0; }
    // The plot with the two titles as a picture file; false when none was written.
    virtual bool MakeJpgFile(const std::string& /*file*/, const std::string& /*title*/,
                             const std::string& /*subtitle*/) {
        return false;
    }
};

// A window that shows nothing and remembers what it was given.
class HeadlessGraphView final : public GraphView {
public:
    void InitGraph(clsGraph&, std::int32_t dataSet, std::int32_t graph) override {
        m_dataSet = dataSet;
        m_graph = graph;
        m_initialised = true;
    }
    void SetCaption(const std::string& caption) override { m_caption = caption; }
    void SetCurrentFileInfo(const std::string& text) override { m_fileInfo = text; }
    void SetData(const std::vector<double>&, const std::vector<double>&, std::int32_t count,
                 double xStart, double xEnd, double yMin, double yMax) override {
        m_count = count;
        m_xStart = xStart;
        m_xEnd = xEnd;
        m_yMin = yMin;
        m_yMax = yMax;
        ++m_plots;
    }
    void ReSetData(const std::vector<double>&, const std::vector<double>&, std::int32_t count,
                   bool) override {
        m_count = count;
        ++m_reloads;
    }
    void ProcessMsg(std::int32_t code) override { m_messages.push_back(code); }
    void ExitClose() override { m_closed = true; }

    bool initialised() const { return m_initialised; }
    std::int32_t dataSet() const { return m_dataSet; }
    std::int32_t graph() const { return m_graph; }
    const std::string& caption() const { return m_caption; }
    const std::string& fileInfo() const { return m_fileInfo; }
    std::int32_t count() const { return m_count; }
    double xStart() const { return m_xStart; }
    double xEnd() const { return m_xEnd; }
    double yMin() const { return m_yMin; }
    double yMax() const { return m_yMax; }
    int plots() const { return m_plots; }
    int reloads() const { return m_reloads; }
    const std::vector<std::int32_t>& messages() const { return m_messages; }
    bool closed() const { return m_closed; }

private:
    bool m_initialised = false;
    std::int32_t m_dataSet = 0;
    std::int32_t m_graph = 0;
    std::string m_caption;
    std::string m_fileInfo;
    std::int32_t m_count = 0;
    double m_xStart = 0.0, m_xEnd = 0.0, m_yMin = 0.0, m_yMax = 0.0;
    int m_plots = 0;
    int m_reloads = 0;
    std::vector<std::int32_t> m_messages;
    bool m_closed = false;
};

}  // namespace graphs

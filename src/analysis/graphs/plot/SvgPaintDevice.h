#pragma once
// A paint device that records what a QPainter draws as an SVG 1.1 document, so plots can be
// written as vector images without the Qt SVG module. Paths, polygons, text, images, pens,
// solid brushes, opacity and rectangular or path clips are kept; gradients and patterns are
// drawn in one colour.

#include <QPaintDevice>
#include <memory>
#include <string>

namespace graphs {

class SvgPaintEngine;

class SvgPaintDevice : public QPaintDevice {
  public:
    // A canvas of width x height pixels at 96 dpi.
    SvgPaintDevice(int width, int height);
    ~SvgPaintDevice() override;
    SvgPaintDevice(const SvgPaintDevice&) = delete;
    SvgPaintDevice& operator=(const SvgPaintDevice&) = delete;

    QPaintEngine* paintEngine() const override;

    // The complete document once the painter has ended; empty before.
    const std::string& document() const { return m_document; }

  protected:
    int metric(PaintDeviceMetric metric) const override;

  private:
    int m_width;
    int m_height;
    std::string m_document;
    std::unique_ptr<SvgPaintEngine> m_engine;
};

}  // namespace graphs

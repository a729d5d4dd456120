#include "analysis/measure/PickedPoints.h"

#include "common/NumberFormat.h"

namespace measure {
namespace {

bool inTable(std::int32_t dataset, std::int32_t graph) {
    return dataset >= 1 && dataset <= PickedPoints::kDatasets && graph >= 1 &&
           graph <= PickedPoints::kGraphs;
}

std::size_t slot(std::int32_t dataset, std::int32_t graph) {
    return static_cast<std::size_t>(dataset - 1) * PickedPoints::kGraphs +
           static_cast<std::size_t>(graph - 1);
}

std::string clipboardLine(const PickedPoint& point, const std::string& unit) {
    return common::formatNumber(point.time, "0.0000") + " ms, " +
           common::formatNumber(point.value, "0.00000") + " " + unit + kClipboardLineBreak;
}

}  // namespace

std::string pointBoxText(const PickedPoint& point) {
    return common::formatNumber(point.time, "0.0000") + "," +
           common::formatNumber(point.value, "0.00000");
}

PickedPoints::PickedPoints() : m_entries(static_cast<std::size_t>(kDatasets) * kGraphs) {}

bool PickedPoints::SetCurrent(std::int32_t dataset, std::int32_t graph) {
    if (!inTable(dataset, graph)) {
        m_dataset = 0;
        m_graph = 0;
        return false;
    }
    m_dataset = dataset;
    m_graph = graph;
    return true;
}

const PickedEntry* PickedPoints::entry(std::int32_t dataset, std::int32_t graph) const {
    return inTable(dataset, graph) ? &m_entries[slot(dataset, graph)] : nullptr;
}

const PickedEntry* PickedPoints::current() const { return entry(m_dataset, m_graph); }

PickedEntry* PickedPoints::currentEntry() { return const_cast<PickedEntry*>(current()); }

void PickedPoints::PickPoint(double time, double value) {
    PickedEntry* e = currentEntry();
    if (!e) return;
    *e = PickedEntry{};
    e->hasPoint = true;
    e->point1 = PickedPoint{time, value};
}

void PickedPoints::StoreTwoPoints(const PickedPoint& point1, const PickedPoint& point2,
                                  std::string readout) {
    PickedEntry* e = currentEntry();
    if (!e) return;
    e->hasPoint = true;
    e->twoPoints = true;
    e->point1 = point1;
    e->point2 = point2;
    e->readout = std::move(readout);
}

void PickedPoints::StoreReadoutText(std::string readout) {
    if (PickedEntry* e = currentEntry()) e->readout = std::move(readout);
}

void PickedPoints::Clear() {
    if (PickedEntry* e = currentEntry()) *e = PickedEntry{};
}

PointsBoxTexts PickedPoints::boxTexts() const {
    PointsBoxTexts texts;
    const PickedEntry* e = current();
    if (!e || !e->hasPoint) return texts;
    if (e->twoPoints) {
        texts.point1 = pointBoxText(e->point1);
        texts.point2 = pointBoxText(e->point2);
        texts.readout = e->readout;
    } else {
        texts.clickedPoint = pointBoxText(e->point1);
    }
    return texts;
}

std::string PickedPoints::clipboardText(const std::string& unit) const {
    const PickedEntry* e = current();
    if (!e || !e->hasPoint) return {};
    std::string text = kClipboardLineBreak + clipboardLine(e->point1, unit);
    if (e->twoPoints) text += clipboardLine(e->point2, unit) + e->readout + kClipboardLineBreak;
    return text;
}

bool PickedPoints::CopyToClipboard(Clipboard& clipboard, common::Prompt& prompt,
                                   const std::string& unit) const {
    const std::string text = clipboardText(unit);
    if (text.empty()) return false;
    clipboard.clear();
    clipboard.setText(text);
    common::ShowMessage(prompt, kPointsCopied);
    return true;
}

}  // namespace measure

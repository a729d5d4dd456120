#pragma once
// The points picked on each graph: one entry per dataset number (1..64) and graph number
// (1..127), each holding the last picked point, or the two points of the last two-point
// measurement with its readout text (a VOD, a time difference, ...). The points box shows the
// entry of the current graph, and the entry can be copied to the clipboard as text.
//
// Numbers outside the table select no entry: picking then stores nothing and the boxes stay
// empty.

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/measure/Clipboard.h"
#include "common/Prompt.h"

namespace measure {

inline constexpr const char* kPointsCopied =
    "Current point information copied to the clipboard.[nl]It can now be pasted to another "
    "application.";

struct PickedPoint {
    double time = 0.0;  // as shown (ms, or the chosen time unit)
    double value = 0.0;
};

struct PickedEntry {
    bool hasPoint = false;   // a point is picked
    bool twoPoints = false;  // two points and a readout
    std::string readout;
    PickedPoint point1;
    PickedPoint point2;
};

// What the points box shows.
struct PointsBoxTexts {
    std::string clickedPoint;  // the single picked point
    std::string point1;
    std::string point2;
    std::string readout;
};

// time formatted "0.0000" + "," + value formatted "0.00000"
std::string pointBoxText(const PickedPoint& point);

class PickedPoints {
public:
    static constexpr std::int32_t kDatasets = 64;
    static constexpr std::int32_t kGraphs = 127;

    PickedPoints();

    // Selects the entry in use; false (and no entry in use) outside the table.
    bool SetCurrent(std::int32_t dataset, std::int32_t graph);
    std::int32_t currentDataset() const { return m_dataset; }
    std::int32_t currentGraph() const { return m_graph; }
    // The entry in use, or nullptr.
    const PickedEntry* current() const;
    const PickedEntry* entry(std::int32_t dataset, std::int32_t graph) const;

    // A newly picked point becomes the single point of the entry.
    void PickPoint(double time, double value);
    // A two-point measurement: both points and its readout text.
    void StoreTwoPoints(const PickedPoint& point1, const PickedPoint& point2, std::string readout);
    // Replaces the readout text of the entry.
    void StoreReadoutText(std::string readout);
    void Clear();

    PointsBoxTexts boxTexts() const;
    // The entry as text for the clipboard ("" when no point is picked):
    //   one point:  LB + t + " ms, " + v + " " + unit + LB
    //   two points: LB + t1 + " ms, " + v1 + " " + unit + LB + t2 + ... + LB + readout + LB
    // with times "0.0000" and values "0.00000".
    std::string clipboardText(const std::string& unit) const;
    // Clears the clipboard, puts the text on it and says so. False (and nothing touched) when
    // no point is picked.
    bool CopyToClipboard(Clipboard& clipboard, common::Prompt& prompt, const std::string& unit) const;

private:
    PickedEntry* currentEntry();

    std::vector<PickedEntry> m_entries;
    std::int32_t m_dataset = 0;
    std::int32_t m_graph = 0;
};

}  // namespace measure

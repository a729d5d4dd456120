#pragma once
// The removed and moved points of one event graph as the readers of graph values see them.
//
// A graph has removed points when its counter "Removed" is at least 1, and moved points when
// "Moved" is at least 1; only then is the store consulted. The counters live in the graph's
// section of the set file; the owner (DatasetEdits) reads them when the stores are made and
// before every operation, and sets them after every edit. They are held here because a reader
// asks for every point of a range, and the set file cannot be read per point.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/files/PointEdits.h"
#include "analysis/measure/clasMovedPts.h"
#include "analysis/measure/clasRemovedPts.h"

namespace measure {

class GraphPointEdits final : public files::PointEdits {
public:
    // Names and reads the three side files; maxIndex as in the stores.
    void Setup(const std::string& removedFile, const std::string& movedIndexFile,
               const std::string& movedValueFile, std::int32_t maxIndex);
    void SetCounters(std::int32_t removed, std::int32_t moved);

    bool bHasRemovedPts() const { return m_removedCount >= 1; }
    bool bHasMovedPts() const { return m_movedCount >= 1; }
    std::int32_t lRemovedCounter() const { return m_removedCount; }
    std::int32_t lMovedCounter() const { return m_movedCount; }

    clasRemovedPts& removedPts() { return m_removed; }
    clasMovedPts& movedPts() { return m_moved; }
    const clasRemovedPts& removedPts() const { return m_removed; }
    const clasMovedPts& movedPts() const { return m_moved; }

    // The damage of the side files in one text for the user ("" when all are sound).
    std::string damageNotice() const;

    // files::PointEdits
    bool hasEdits() const override { return bHasRemovedPts() || bHasMovedPts(); }
    bool isRemoved(std::int32_t index) const override {
        return bHasRemovedPts() && m_removed.bPointRemoved(index);
    }
    std::optional<double> movedValue(std::int32_t index) const override {
        if (!bHasMovedPts()) return std::nullopt;
        return m_moved.movedValue(index);
    }
    std::vector<files::PointEdit> editsIn(std::int32_t first, std::int32_t last) const override;

private:
    clasRemovedPts m_removed;
    clasMovedPts m_moved;
    std::int32_t m_removedCount = 0;
    std::int32_t m_movedCount = 0;
};

}  // namespace measure

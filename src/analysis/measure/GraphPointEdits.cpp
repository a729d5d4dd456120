#include "analysis/measure/GraphPointEdits.h"

namespace measure {

void GraphPointEdits::Setup(const std::string& removedFile, const std::string& movedIndexFile,
                            const std::string& movedValueFile, std::int32_t maxIndex) {
    m_removed.Setup(removedFile, maxIndex);
    m_moved.Setup(movedIndexFile, movedValueFile, maxIndex);
}

void GraphPointEdits::SetCounters(std::int32_t removed, std::int32_t moved) {
    m_removedCount = removed;
    m_movedCount = moved;
}

std::string GraphPointEdits::damageNotice() const {
    std::string text;
    if (!m_removed.damage().empty())
        text += "The removed-points file " + m_removed.fileName() + " is damaged (" +
                m_removed.damage() + ").[nl]";
    if (!m_moved.damage().empty())
        text += "The moved-points files " + m_moved.indexFileName() + " and " +
                m_moved.valueFileName() + " are damaged (" + m_moved.damage() + ").[nl]";
    if (text.empty()) return text;
    return text + "Points that cannot be read are shown as neither removed nor moved.";
}

std::vector<files::PointEdit> GraphPointEdits::editsIn(std::int32_t first,
                                                       std::int32_t last) const {
    std::vector<files::PointEdit> edits;
    if (first > last) return edits;
    const auto removed =
        bHasRemovedPts() ? m_removed.indexesIn(first, last) : std::span<const std::int32_t>{};
    std::size_t r = 0;
    const auto flushRemovedBelow = [&](std::int64_t below) {
        for (; r < removed.size() && removed[r] < below; ++r)
            edits.push_back(files::PointEdit{removed[r], true, 0.0});
    };
    if (bHasMovedPts()) {
        m_moved.forEachIn(first, last, [&](std::int32_t index, double value) {
            flushRemovedBelow(index);
            const bool alsoRemoved = r < removed.size() && removed[r] == index;
            if (alsoRemoved) ++r;
            edits.push_back(files::PointEdit{index, alsoRemoved, value});
        });
    }
    flushRemovedBelow(std::int64_t{last} + 1);
    return edits;
}

}  // namespace measure

#pragma once
// Removed and moved points held in memory: the reference behaviour of a point-edits store,
// used where edits are made up on the spot (tests, previews).

#include <iterator>
#include <map>

#include "analysis/files/PointEdits.h"

namespace files {

class MemoryPointEdits final : public PointEdits {
public:
    void remove(std::int32_t index) { m_edits[index].removed = true; m_edits[index].index = index; }
    void move(std::int32_t index, double value) {
        PointEdit& edit = m_edits[index];
        edit.index = index;
        edit.movedValue = value;
        m_moved[index] = true;
    }

    bool hasEdits() const override { return !m_edits.empty(); }
    bool isRemoved(std::int32_t index) const override {
        const auto found = m_edits.find(index);
        return found != m_edits.end() && found->second.removed;
    }
    std::optional<double> movedValue(std::int32_t index) const override {
        if (!m_moved.count(index)) return std::nullopt;
        return m_edits.at(index).movedValue;
    }
    std::vector<PointEdit> editsIn(std::int32_t first, std::int32_t last) const override {
        std::vector<PointEdit> result;
        if (first > last) return result;
        for (auto it = m_edits.lower_bound(first); it != m_edits.end() && it->first <= last; ++it)
            result.push_back(it->second);
        return result;
    }

private:
    std::map<std::int32_t, PointEdit> m_edits;
    std::map<std::int32_t, bool> m_moved;
};

}  // namespace files

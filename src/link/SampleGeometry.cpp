#include "link/SampleGeometry.h"

#include <stdexcept>
#include <string>

namespace vantrel::link {

bool validSlotCount(int slots) { return slots == 1 || slots == 2 || slots == 4 || slots == 8 || slots == 16; }

BlockRange blockRange(int test, int slots) {
    if (!validSlotCount(slots)) throw std::invalid_argument("no recorder has " + std::to_string(slots) + " test slots");
    if (test < 1 || test > slots)
        throw std::invalid_argument("test " + std::to_string(test) + " is outside the recorder's " +
                                    std::to_string(slots) + " slots");
    BlockRange r;
    r.start = ((16 * (test - 1)) / slots) * 12;
    r.end = (kMemoryBlocks - 1) / slots + r.start;
    return r;
}

std::uint64_t stepsPerSlot(std::uint64_t memoryWords, int slots) {
    if (!validSlotCount(slots)) throw std::invalid_argument("no recorder has " + std::to_string(slots) + " test slots");
    return memoryWords / 2 / static_cast<std::uint64_t>(slots);
}

std::uint64_t ringStart(std::uint64_t size, std::int64_t astop) {
    const std::uint64_t words = size / 2;
    if (astop <= 0 || words == 0) return 0;
    const std::uint64_t a = static_cast<std::uint64_t>(astop) % words;
    return a == 0 ? 0 : size - 2 * a;
}

}  // namespace vantrel::link

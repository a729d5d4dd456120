#pragma once
// Where a test lies in the recorder's sample memory and where its words go in the raw file.
//
// The memory has 192 blocks shared by 1, 2, 4, 8 or 16 test slots. It is read in steps of two
// 16-bit words; the raw file holds 4 bytes per step, written as a ring so that the word at
// the slot's stop address lands at offset 0 and the file runs in time order from there.

#include <cstdint>

namespace vantrel::link {

inline constexpr std::uint64_t kFullMemoryWords = 0x1800000;  // 25165824 words
inline constexpr int kMemoryBlocks = 192;

struct BlockRange {
    int start = 0;
    int end = 0;
};

// True for 1, 2, 4, 8 and 16.
bool validSlotCount(int slots);
// Blocks of test t (1-based) of a recorder with `slots` slots: start = ((16 (t - 1)) div
// slots) x 12, end = 191 div slots + start. Throws std::invalid_argument for a slot count
// that is not a power of two up to 16 or a test outside 1..slots.
BlockRange blockRange(int test, int slots);
// Steps per slot: memoryWords / 2 / slots (0xC00000 / slots for the full memory). Throws
// std::invalid_argument for a slot count that is not a power of two up to 16.
std::uint64_t stepsPerSlot(std::uint64_t memoryWords, int slots);
// Byte offset of the first byte read in a raw file of `size` bytes: size - 2 astop, 0 when
// astop <= 0. A stop address beyond the slot is taken round the ring (modulo the slot's
// words), so the first byte always lands inside the file.
std::uint64_t ringStart(std::uint64_t size, std::int64_t astop);

}  // namespace vantrel::link

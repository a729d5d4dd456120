#pragma once
// What a correct download of a stored test writes: its raw data file word by word, that is the
// slot's memory rotated so that it begins at the stop address (the words in time order), with
// bits 14 and 15 clear. Made from the image alone, never from what went over the wire.

#include "recsim/RecorderImage.h"
#include "recsim/SlotContent.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace recsim {

std::vector<std::uint16_t> expectedWords(const SlotContent& slot);
std::vector<std::uint16_t> expectedDataFile(const RecorderImage& image, int test);

// Writes the expected data file (16-bit little-endian words). Throws common::IoError.
void writeExpectedDataFile(const RecorderImage& image, int test, const std::filesystem::path& file);

struct DataFileComparison {
    std::uint64_t fileBytes = 0;
    std::uint64_t expectedBytes = 0;
    std::optional<std::uint64_t> firstDifference;  // word index (0-based) of the first mismatch
    std::uint16_t expected = 0;                    // at that index
    std::uint16_t actual = 0;

    bool matches() const { return fileBytes == expectedBytes && !firstDifference; }
};

// Compares a downloaded data file with what it should hold, streaming both. Throws
// common::IoError when the file cannot be read.
DataFileComparison compareDataFile(const RecorderImage& image, int test,
                                   const std::filesystem::path& file);

}  // namespace recsim

#include "recsim/ExpectedData.h"

#include "common/Error.h"

#include <algorithm>
#include <array>
#include <fstream>

namespace recsim {
namespace {

constexpr std::size_t kBlock = 65536;

}  // namespace

std::vector<std::uint16_t> expectedWords(const SlotContent& slot) {
    std::vector<std::uint16_t> words(static_cast<std::size_t>(slot.words()));
    slot.fillTimeOrder(0, words.size(), words.data());
    return words;
}

std::vector<std::uint16_t> expectedDataFile(const RecorderImage& image, int test) {
    validateImage(image);
    return expectedWords(SlotContent(image, test));
}

void writeExpectedDataFile(const RecorderImage& image, int test, const std::filesystem::path& file) {
    validateImage(image);
    const SlotContent slot(image, test);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) throw common::IoError(common::systemMessage("cannot create " + file.string()));
    std::vector<std::uint16_t> words(kBlock);
    std::vector<char> bytes(2 * kBlock);
    for (std::uint64_t j = 0; j < slot.words(); j += kBlock) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, slot.words() - j));
        slot.fillTimeOrder(j, n, words.data());
        for (std::size_t i = 0; i < n; ++i) {
            bytes[2 * i] = static_cast<char>(words[i] & 0xFF);
            bytes[2 * i + 1] = static_cast<char>(words[i] >> 8);
        }
        out.write(bytes.data(), static_cast<std::streamsize>(2 * n));
    }
    out.close();
    if (!out) throw common::IoError(common::systemMessage("cannot write " + file.string()));
}

DataFileComparison compareDataFile(const RecorderImage& image, int test,
                                   const std::filesystem::path& file) {
    validateImage(image);
    const SlotContent slot(image, test);
    DataFileComparison result;
    result.expectedBytes = 2 * slot.words();
    std::ifstream in(file, std::ios::binary);
    if (!in) throw common::IoError(common::systemMessage("cannot open " + file.string()));
    std::vector<std::uint16_t> words(kBlock);
    std::vector<unsigned char> bytes(2 * kBlock);
    std::uint64_t j = 0;
    while (in) {
        in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        result.fileBytes += got;
        const std::size_t n = std::min<std::uint64_t>(got / 2, j < slot.words() ? slot.words() - j : 0);
        if (!result.firstDifference && n > 0) {
            slot.fillTimeOrder(j, n, words.data());
            for (std::size_t i = 0; i < n; ++i) {
                const auto actual = static_cast<std::uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
                if (actual != words[i]) {
                    result.firstDifference = j + i;
                    result.expected = words[i];
                    result.actual = actual;
                    break;
                }
            }
        }
        j += got / 2;
    }
    if (in.bad()) throw common::IoError(common::systemMessage("cannot read " + file.string()));
    return result;
}

}  // namespace recsim

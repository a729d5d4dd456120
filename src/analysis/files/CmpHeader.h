#pragma once
// The header of a compressed data file (root.cmp). All numbers little-endian.
//
//   offset size
//        0    8  magic "VTRLCMP" followed by byte 0x1A
//        8    2  format version (1)
//       10    2  header size in bytes (48)
//       12    1  filter applied before compression (DataFilter)
//       13    1  channel count of the filter (1 when there is none)
//       14    2  0
//       16    4  words per filter block (0 when there is no filter)
//       20    4  0
//       24    8  size of the original data file in bytes
//       32    8  XXH64 (seed 0) of the original data file
//       40    8  size of the zstd frame that follows the header, in bytes
//       48       one zstd frame holding the filtered data, nothing after it
//
// The checksum covers the original bytes, so a damaged file, a faulty filter and a wrong
// reading are all caught before the decompressed file is used.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>

namespace files {

enum class DataFilter : std::uint8_t {
    None = 0,          // the words as they are
    ChannelDelta = 1,  // see ChannelDelta.h
};

struct CmpHeader {
    static constexpr std::array<unsigned char, 8> kMagic = {'V', 'T', 'R', 'L',
                                                            'C', 'M', 'P', 0x1A};
    static constexpr std::uint16_t kVersion = 1;
    static constexpr std::size_t kSize = 48;

    DataFilter filter = DataFilter::None;
    std::uint8_t channels = 1;
    std::uint32_t blockWords = 0;
    std::uint64_t originalSize = 0;
    std::uint64_t checksum = 0;
    std::uint64_t payloadSize = 0;
};

std::array<unsigned char, CmpHeader::kSize> encodeHeader(const CmpHeader& header);

// The header, or the reason why the bytes (the first `size` bytes of a file) do not begin a
// compressed data file this version can read.
std::variant<CmpHeader, std::string> decodeHeader(const unsigned char* bytes, std::size_t size);

}  // namespace files

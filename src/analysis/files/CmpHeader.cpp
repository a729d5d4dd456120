#include "analysis/files/CmpHeader.h"

#include <algorithm>
#include <cstring>

namespace files {
namespace {

// Blocks beyond this many words are refused, so a damaged header cannot make the reader
// allocate without bound.
constexpr std::uint32_t kMaxBlockWords = 4u << 20;

void put(unsigned char* at, std::uint64_t value, unsigned bytes) {
    for (unsigned i = 0; i < bytes; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint64_t get(const unsigned char* at, unsigned bytes) {
    std::uint64_t value = 0;
    for (unsigned i = 0; i < bytes; ++i) value |= static_cast<std::uint64_t>(at[i]) << (8 * i);
    return value;
}

}  // namespace

std::array<unsigned char, CmpHeader::kSize> encodeHeader(const CmpHeader& header) {
    std::array<unsigned char, CmpHeader::kSize> bytes{};
    std::copy(CmpHeader::kMagic.begin(), CmpHeader::kMagic.end(), bytes.begin());
    put(&bytes[8], CmpHeader::kVersion, 2);
    put(&bytes[10], CmpHeader::kSize, 2);
    bytes[12] = static_cast<unsigned char>(header.filter);
    bytes[13] = header.channels;
    put(&bytes[16], header.blockWords, 4);
    put(&bytes[24], header.originalSize, 8);
    put(&bytes[32], header.checksum, 8);
    put(&bytes[40], header.payloadSize, 8);
    return bytes;
}

std::variant<CmpHeader, std::string> decodeHeader(const unsigned char* bytes, std::size_t size) {
    const std::size_t magicPart = std::min(size, CmpHeader::kMagic.size());
    if (size == 0 || std::memcmp(bytes, CmpHeader::kMagic.data(), magicPart) != 0)
        return std::string("not a compressed data file (wrong magic number)");
    if (size < CmpHeader::kSize) return std::string("the compressed data file is truncated");
    const auto version = get(&bytes[8], 2);
    if (version != CmpHeader::kVersion)
        return "the compressed data file has format version " + std::to_string(version) +
               ", which this version cannot read";
    if (get(&bytes[10], 2) != CmpHeader::kSize)
        return std::string("the header of the compressed data file is damaged");

    CmpHeader header;
    header.channels = bytes[13];
    header.blockWords = static_cast<std::uint32_t>(get(&bytes[16], 4));
    header.originalSize = get(&bytes[24], 8);
    header.checksum = get(&bytes[32], 8);
    header.payloadSize = get(&bytes[40], 8);
    const bool sane =
        bytes[12] == static_cast<unsigned char>(DataFilter::None)
            ? header.channels == 1 && header.blockWords == 0
            : bytes[12] == static_cast<unsigned char>(DataFilter::ChannelDelta) &&
                  header.channels >= 1 && header.blockWords >= header.channels &&
                  header.blockWords % header.channels == 0 &&
                  header.blockWords <= kMaxBlockWords;
    if (!sane || get(&bytes[14], 2) != 0 || get(&bytes[20], 4) != 0)
        return std::string("the header of the compressed data file is damaged");
    header.filter = static_cast<DataFilter>(bytes[12]);
    return header;
}

}  // namespace files

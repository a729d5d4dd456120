#pragma once
// The filter that makes recorder data compress well: per channel, each 16-bit word is replaced
// by its difference from the mean of the channel's previous k words (k = 1, 2, 4 or 8, chosen
// per block by the smallest differences over a sample of its words), the differences are
// folded to small unsigned numbers (0, -1, 1, -2 ... -> 0, 1, 2, 3 ...), and the block is
// stored as byte planes: the low bytes
// of channel 1, of channel 2, ..., then the high bytes. The recorder's samples are 14-bit
// codes with noise, so the low planes hold small numbers and the high planes nearly only
// zeros, which the entropy coder packs tightly.
//
// A block is one tag byte (log2 k) followed by 2 x (word count) plane bytes. Blocks start at
// a record boundary (word 1 of a block belongs to channel 1), so every block but the last
// holds a multiple of the channel count. Arithmetic is modulo 2^16: any file of words comes
// back exactly, whatever its bits 14 and 15 hold. The channels' histories run on across
// blocks and start at zero.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace files {

class ChannelDelta {
public:
    static constexpr unsigned kMaxChannels = 255;

    // channels: 1 .. kMaxChannels
    explicit ChannelDelta(unsigned channels);

    static std::size_t encodedSize(std::size_t wordCount) { return 1 + 2 * wordCount; }

    // words: wordCount little-endian words; out: encodedSize(wordCount) bytes.
    void encode(const unsigned char* words, std::size_t wordCount, unsigned char* out);
    // The reverse of encode, block by block in the same order. False when the block's tag
    // is not one that encode writes (the data are damaged).
    bool decode(const unsigned char* in, std::size_t wordCount, unsigned char* words);

    unsigned channels() const { return m_channels; }

private:
    // Where each channel's words lie in the planes of a block of wordCount words.
    void layOut(std::size_t wordCount);
    // The channel's last 8 words (oldest first) followed by its words of the block.
    void gather(const unsigned char* words, unsigned channel);
    // The channel's last 8 words from its sequence, for the next block.
    void keepHistory(unsigned channel, const std::vector<std::uint16_t>& sequence);

    unsigned m_channels;
    std::vector<std::array<std::uint16_t, 8>> m_history;  // per channel, oldest first
    std::vector<std::size_t> m_start;                      // per channel, in a plane
    std::vector<std::size_t> m_count;                      // per channel, words in the block
    std::vector<std::uint16_t> m_sequence;
    std::vector<std::uint16_t> m_second;  // the second channel of a pair while decoding
};

// The channel count (1 .. maxChannels) under which the differences of the words are
// smallest: the interleaving of a file whose channel count is not known. Ties and near-ties
// (within 1 %) go to the smaller count.
unsigned likelyChannelCount(const unsigned char* words, std::size_t wordCount,
                            unsigned maxChannels);

}  // namespace files

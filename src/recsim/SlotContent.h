#pragma once
// The sample memory of one stored test, generated on demand. In time order (the order of the
// downloaded data file) word j belongs to channel j mod NrChannels, point j div NrChannels; in
// the recorder's memory that word lies at slot address (ASTOP + j) mod slot words, since
// recording ran round the slot as a ring and stopped at ASTOP.

#include "recsim/RecorderImage.h"
#include "recsim/Waveform.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace recsim {

class SlotContent {
public:
    // test is 1-based. Throws ImageError when a samples file cannot be opened.
    SlotContent(const RecorderImage& image, int test);
    ~SlotContent();
    SlotContent(SlotContent&&) noexcept;
    SlotContent& operator=(SlotContent&&) noexcept;

    std::uint64_t words() const { return m_words; }
    int channelCount() const { return m_channels; }
    // Word index (time order) of the trigger: PreTriggerPts.
    std::uint64_t preTriggerWords() const { return m_pre; }

    // Words j0 .. j0+n-1 in time order, 14-bit codes; needs j0 + n <= words().
    void fillTimeOrder(std::uint64_t j0, std::size_t n, std::uint16_t* out) const;
    // Words at slot addresses r0 .. r0+n-1; needs r0 + n <= words().
    void fillAddresses(std::uint64_t r0, std::size_t n, std::uint16_t* out) const;

    std::uint16_t timeOrderWord(std::uint64_t j) const;
    const Waveform& waveform(int channel) const { return m_waves.at(static_cast<std::size_t>(channel)); }

private:
    void fillFromFile(std::uint64_t j0, std::size_t n, std::uint16_t* out) const;

    std::uint64_t m_words;
    std::uint64_t m_astop;
    std::uint64_t m_pre;
    int m_channels;
    std::vector<Waveform> m_waves;
    int m_fd = -1;               // samples file, when the test takes its words from one
    std::uint64_t m_fileWords = 0;
};

}  // namespace recsim

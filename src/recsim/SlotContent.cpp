#include "recsim/SlotContent.h"

#include "recsim/ImageError.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace recsim {

SlotContent::SlotContent(const RecorderImage& image, int test)
    : m_words(image.slotWords()), m_astop(0), m_pre(0), m_channels(1) {
    const StoredTest& t = image.tests.at(static_cast<std::size_t>(test - 1));
    m_astop = t.astop % m_words;
    m_channels = t.channelCount();
    // As the download side computes "PreTriggerPts".
    std::int64_t pre = static_cast<std::int64_t>(t.atrig) - static_cast<std::int64_t>(t.astop) +
                       (t.halfStep ? 32 : 0);
    if (pre < 0) pre += static_cast<std::int64_t>(m_words);
    m_pre = static_cast<std::uint64_t>(pre);
    const std::uint64_t prePoints = m_pre / static_cast<std::uint64_t>(m_channels);
    for (int c = 0; c < 2; ++c)
        m_waves.emplace_back(image, t, c, prePoints,
                             mixSeed(image.seed, static_cast<std::uint64_t>(test * 2 + c)));
    if (!t.samplesFile.empty()) {
        m_fd = ::open(t.samplesFile.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st {};
        if (m_fd < 0 || ::fstat(m_fd, &st) != 0) {
            const std::string why = std::strerror(errno);
            if (m_fd >= 0) ::close(m_fd);
            m_fd = -1;
            throw ImageError("samples file " + t.samplesFile.string() + " of test " +
                             std::to_string(test) + " cannot be read: " + why);
        }
        m_fileWords = static_cast<std::uint64_t>(st.st_size) / 2;
        if (m_fileWords == 0) {
            ::close(m_fd);
            m_fd = -1;
            throw ImageError("samples file " + t.samplesFile.string() + " of test " +
                             std::to_string(test) + " holds no 16-bit word");
        }
    }
}

SlotContent::~SlotContent() {
    if (m_fd >= 0) ::close(m_fd);
}

SlotContent::SlotContent(SlotContent&& other) noexcept
    : m_words(other.m_words),
      m_astop(other.m_astop),
      m_pre(other.m_pre),
      m_channels(other.m_channels),
      m_waves(std::move(other.m_waves)),
      m_fd(std::exchange(other.m_fd, -1)),
      m_fileWords(other.m_fileWords) {}

SlotContent& SlotContent::operator=(SlotContent&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) ::close(m_fd);
        m_words = other.m_words;
        m_astop = other.m_astop;
        m_pre = other.m_pre;
        m_channels = other.m_channels;
        m_waves = std::move(other.m_waves);
        m_fd = std::exchange(other.m_fd, -1);
        m_fileWords = other.m_fileWords;
    }
    return *this;
}

void SlotContent::fillFromFile(std::uint64_t j0, std::size_t n, std::uint16_t* out) const {
    std::size_t done = 0;
    unsigned char buffer[8192];
    while (done < n) {
        const std::uint64_t at = (j0 + done) % m_fileWords;
        std::size_t want = std::min<std::size_t>(
            {n - done, sizeof buffer / 2, static_cast<std::size_t>(m_fileWords - at)});
        const ssize_t got = ::pread(m_fd, buffer, want * 2, static_cast<off_t>(at * 2));
        if (got < 2) {
            // A file that shrank under us: what is missing reads as code 0.
            for (; done < n; ++done) out[done] = 0;
            return;
        }
        want = static_cast<std::size_t>(got) / 2;
        for (std::size_t i = 0; i < want; ++i)
            out[done + i] = static_cast<std::uint16_t>((buffer[2 * i] | (buffer[2 * i + 1] << 8)) & 0x3FFF);
        done += want;
    }
}

void SlotContent::fillTimeOrder(std::uint64_t j0, std::size_t n, std::uint16_t* out) const {
    if (n == 0) return;
    if (m_fd >= 0) {
        fillFromFile(j0, n, out);
        return;
    }
    const auto nch = static_cast<std::uint64_t>(m_channels);
    for (std::uint64_t c = 0; c < nch; ++c) {
        // First word of channel c at or after j0.
        const std::uint64_t first = j0 + (c + nch - j0 % nch) % nch;
        if (first >= j0 + n) continue;
        const std::size_t count = static_cast<std::size_t>((j0 + n - first + nch - 1) / nch);
        m_waves[static_cast<std::size_t>(c)].fill(first / nch, count, out + (first - j0),
                                                  static_cast<std::size_t>(nch));
    }
}

void SlotContent::fillAddresses(std::uint64_t r0, std::size_t n, std::uint16_t* out) const {
    // Address r holds time-order word (r - ASTOP) mod words; the ring wraps once at ASTOP.
    std::uint64_t j = (r0 + m_words - m_astop) % m_words;
    while (n > 0) {
        const std::size_t part = static_cast<std::size_t>(std::min<std::uint64_t>(n, m_words - j));
        fillTimeOrder(j, part, out);
        out += part;
        n -= part;
        j = 0;
    }
}

std::uint16_t SlotContent::timeOrderWord(std::uint64_t j) const {
    std::uint16_t w = 0;
    fillTimeOrder(j, 1, &w);
    return w;
}

}  // namespace recsim

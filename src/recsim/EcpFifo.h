#pragma once
// The PC port's ECP FIFO (16 bytes) as the recorder fills it in reverse direction. The bytes
// themselves are not stored: the FIFO holds a window [read, write) of byte numbers of the gate
// array's ECP stream, and a byte is produced from the stream when the PC takes it. The
// recorder pushes at a fixed number of bytes per register access, so how full the FIFO is
// depends only on the sequence of accesses.

#include <algorithm>
#include <cstdint>
#include <limits>

namespace recsim {

class EcpFifo {
public:
    static constexpr std::uint64_t kCapacity = 16;
    static constexpr std::uint64_t kNoLimit = std::numeric_limits<std::uint64_t>::max();

    // bytesPerAccess 0 = refilled completely at every access; neverFull keeps one byte free.
    void configure(std::uint32_t bytesPerAccess, bool neverFull) {
        m_rate = bytesPerAccess;
        m_capacity = neverFull ? kCapacity - 1 : kCapacity;
    }

    // A new stream: nothing inside, byte numbers from 0; the recorder stops before byte limit.
    void restart(std::uint64_t limit) {
        m_read = m_write = 0;
        m_limit = limit;
    }
    // Mode change of the port: what is inside is lost, the stream goes on.
    void clear() { m_read = m_write; }

    void setFlowing(bool flowing, std::uint64_t now) {
        if (flowing != m_flowing) {
            if (m_flowing) produce(now);
            m_flowing = flowing;
            m_last = now;
        }
    }

    // Brings the FIFO up to date at access number now. Returns true when the recorder has
    // reached its stop limit and wants to put in more (it is being switched off).
    bool produce(std::uint64_t now) {
        if (!m_flowing) return false;
        const std::uint64_t room = m_capacity - (m_write - m_read);
        std::uint64_t n = m_rate == 0 ? room : std::min(room, (now - m_last) * m_rate);
        m_last = now;
        if (n == 0) return false;
        if (m_limit - m_write < n) {
            m_write = m_limit;
            return true;
        }
        m_write += n;
        return false;
    }

    bool empty() const { return m_read == m_write; }
    bool full() const { return m_write - m_read >= kCapacity; }
    std::uint64_t level() const { return m_write - m_read; }
    // Number of the byte taken; call only when not empty.
    std::uint64_t pop() { return m_read++; }
    std::uint64_t produced() const { return m_write; }

private:
    std::uint64_t m_read = 0;
    std::uint64_t m_write = 0;
    std::uint64_t m_last = 0;
    std::uint64_t m_limit = kNoLimit;
    std::uint64_t m_capacity = kCapacity;
    std::uint32_t m_rate = 2;
    bool m_flowing = false;
};

}  // namespace recsim

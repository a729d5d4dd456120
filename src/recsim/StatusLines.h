#pragma once
// The status register as the PC reads it: the value the recorder drives, seen through the
// faults that act on the lines (a late acknowledge, flicker, a slow gate array, a stuck line).
// Without faults a read is a plain member load.

#include "recsim/Faults.h"

#include <cstdint>

namespace recsim {

class StatusLines {
public:
    enum class Driver { Controller, GateArray };

    explicit StatusLines(std::uint8_t initial) : m_value(initial), m_prev(initial), m_shown(initial) {}

    void configure(const Faults& faults);

    // What the recorder drives changed to value.
    void drive(std::uint8_t value, Driver driver) {
        if (value == m_value && driver == m_driver) return;
        m_prev = m_shown;
        m_value = value;
        m_driver = driver;
        m_since = 0;
        if (!m_faulty) m_shown = value;
    }

    std::uint8_t read() { return m_faulty ? readFaulty() : m_value; }
    std::uint8_t driven() const { return m_value; }

private:
    std::uint8_t readFaulty();

    std::uint8_t m_value;
    std::uint8_t m_prev;   // shown before the last change
    std::uint8_t m_shown;  // returned by the last read
    Driver m_driver = Driver::Controller;
    std::uint64_t m_since = 0;  // reads since the last change
    bool m_faulty = false;
    std::uint32_t m_ackDelay = 0;
    std::uint32_t m_settle = 0;
    std::uint32_t m_flickerPeriod = 0;
    std::uint32_t m_flickerLimit = 0;
    std::uint8_t m_flickerMask = 0;
    std::uint8_t m_stuckMask = 0;
    std::uint8_t m_stuckLevel = 0;
};

}  // namespace recsim

#include "recsim/StatusLines.h"

namespace recsim {

void StatusLines::configure(const Faults& f) {
    m_ackDelay = f.ackDelayReads;
    m_settle = f.gateSettleReads;
    m_flickerPeriod = f.flickerPeriod;
    m_flickerLimit = f.flickerLimit;
    m_flickerMask = f.flickerMask;
    m_stuckMask = 0;
    m_stuckLevel = 0;
    if (f.stuck.kind == StuckLine::Kind::Status) {
        m_stuckMask = static_cast<std::uint8_t>(1u << f.stuck.bit);
        m_stuckLevel = f.stuck.level ? m_stuckMask : 0;
    }
    m_faulty = m_ackDelay != 0 || m_settle != 0 || (m_flickerPeriod != 0 && m_flickerMask != 0) ||
               m_stuckMask != 0;
    m_prev = m_shown = m_value;
}

std::uint8_t StatusLines::readFaulty() {
    const std::uint64_t s = ++m_since;
    std::uint8_t v = m_value;
    std::uint64_t lag = 0;
    if (m_driver == Driver::Controller) {
        lag = m_ackDelay;
        if (s <= lag) v = m_prev;
    } else {
        lag = m_settle;
        // Transitional values: each differs from its neighbours and from the settled value.
        if (s <= lag) v = static_cast<std::uint8_t>(m_value ^ (s % 2 ? 0xA8 : 0x50));
    }
    if (m_flickerPeriod != 0 && s > lag) {
        const std::uint64_t after = s - lag;
        if (after % m_flickerPeriod == 0 &&
            (m_flickerLimit == 0 || after / m_flickerPeriod <= m_flickerLimit))
            v = static_cast<std::uint8_t>(v ^ m_flickerMask);
    }
    v = static_cast<std::uint8_t>((v & ~m_stuckMask) | m_stuckLevel);
    m_shown = v;
    return v;
}

}  // namespace recsim

#pragma once
// A port backend for exact register-level checks: it records every access and answers reads
// from a script (a function of the address and of how many reads that address has had).

#include "link/PortBackend.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace linktest {

struct Access {
    bool write = false;
    std::uint32_t address = 0;
    std::uint8_t value = 0;

    bool operator==(const Access&) const = default;
};

inline Access W(std::uint32_t address, std::uint8_t value) { return {true, address, value}; }
inline Access R(std::uint32_t address, std::uint8_t value) { return {false, address, value}; }

class ScriptedBackend : public vantrel::link::PortBackend {
public:
    // answer(address, n): the value of the n-th read (0-based) of that address.
    using Answer = std::function<std::uint8_t(std::uint32_t address, std::uint64_t n)>;

    explicit ScriptedBackend(Answer answer = {}) : m_answer(std::move(answer)) {}

    std::uint8_t read(std::uint32_t address) override {
        const std::uint64_t n = m_reads[address]++;
        const std::uint8_t v = m_answer ? m_answer(address, n) : std::uint8_t{0xFF};
        if (m_record) m_log.push_back(R(address, v));
        return v;
    }
    void write(std::uint32_t address, std::uint8_t value) override {
        if (m_record) m_log.push_back(W(address, value));
        m_written[address] = value;
    }
    std::string name() const override { return "scripted"; }

    void setAnswer(Answer answer) { m_answer = std::move(answer); }
    // Long handshake runs need no log.
    void setRecording(bool on) { m_record = on; }
    const std::vector<Access>& log() const { return m_log; }
    void clearLog() { m_log.clear(); }
    std::uint64_t reads(std::uint32_t address) const {
        auto it = m_reads.find(address);
        return it == m_reads.end() ? 0 : it->second;
    }
    std::vector<Access> writes() const {
        std::vector<Access> w;
        for (const Access& a : m_log)
            if (a.write) w.push_back(a);
        return w;
    }

private:
    Answer m_answer;
    bool m_record = true;
    std::vector<Access> m_log;
    std::map<std::uint32_t, std::uint64_t> m_reads;
    std::map<std::uint32_t, std::uint8_t> m_written;
};

}  // namespace linktest

#pragma once
// Settings lines made by hand in a test: every line reads as 64 zero bytes until bytes are
// set; a line marked unreadable fails the way the recorder link reports it.

#include "common/Error.h"
#include "download/LineSource.h"

#include <cstdint>
#include <initializer_list>
#include <map>
#include <set>
#include <stdexcept>
#include <string>

namespace download::testing {

class FakeLines : public LineSource {
public:
    // Bytes from k on.
    void set(int n, int k, std::initializer_list<std::uint8_t> bytes) {
        LineBytes& line = m_lines[n];
        for (std::uint8_t b : bytes) line.at(static_cast<std::size_t>(k++)) = b;
    }
    template <typename Bytes>
    void setAll(int n, int k, const Bytes& bytes) {
        for (std::uint8_t b : bytes) set(n, k++, {b});
    }
    void makeUnreadable(int n) { m_unreadable.insert(n); }

    LineBytes line(int n) override {
        if (n < 0 || n > 256) throw std::out_of_range("line " + std::to_string(n));
        if (m_unreadable.count(n) != 0)
            throw common::Error(3341, "Pln download", "PellionNotFound Error 44");
        return m_lines[n];
    }

private:
    std::map<int, LineBytes> m_lines;
    std::set<int> m_unreadable;
};

}  // namespace download::testing

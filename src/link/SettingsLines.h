#pragma once
// The recorder's settings memory, read line by line (64 bytes each, lines 0 to 256) through
// the command channel and cached, so that each line crosses the cable at most once per
// connection attempt however many settings decode from it. A line is kept in its text form
// "P" + three or more upper-case hex digits of the line number + 64 times (blank + two hex
// digits), 196 characters for lines below 0x1000.

#include "link/CommandChannel.h"
#include "link/KeySink.h"
#include "link/LineDecoders.h"

#include <array>
#include <cstdint>
#include <string>

namespace vantrel::link {

class SettingsLines {
public:
    static constexpr int kLines = 257;

    explicit SettingsLines(CommandChannel& channel) : m_channel(channel) {}

    // Where a failed line read records "Line " + n (the log's section "Status"); may be null.
    void setStatus(KeySink* status) { m_status = status; }

    // Line n (0 to 256, else std::out_of_range): command 8 (126, n mod 256), command 8
    // (127, n div 256), command 11, then command 9 (192 + i) for the 64 bytes. A non-zero
    // command result r records "Line n" = r and raises 3341 "PellionNotFound Error 44".
    const std::string& ReadLine(int n);
    const LineBytes& lineBytes(int n);
    bool loaded(int n) const { return m_slots.at(index(n)).loaded; }
    void ClearLineCache();

    int LineByte(int n, int k) { return byteAt(lineBytes(n), k); }
    std::int32_t LineComposite(int n, int k1, int k2 = -1, int k3 = -1, int k4 = -1) {
        return compositeOf(lineBytes(n), k1, k2, k3, k4);
    }
    int LineWordBE(int n, int j) { return LineByte(n, 2 * j) * 256 + LineByte(n, 2 * j + 1); }
    int LineWordLE(int n, int j) { return LineByte(n, 2 * j + 1) * 256 + LineByte(n, 2 * j); }
    std::int64_t BcdUnsigned(int n, int hi, int lo) { return bcdUnsignedOf(lineBytes(n), hi, lo); }
    std::int64_t BcdSigned(int n, int hi, int lo) { return bcdSignedOf(lineBytes(n), hi, lo); }
    // Bit b (0 to 7) of byte k; any other b sets fieldRangeError and gives false.
    bool LineBit(int n, int k, int b);
    int LineField2(int n, int k, int b) { return field(n, k, b, 2); }
    int LineField3(int n, int k, int b) { return field(n, k, b, 3); }
    int LineField4(int n, int k, int b) { return field(n, k, b, 4); }

    bool fieldRangeError() const { return m_fieldRangeError; }
    void clearFieldRangeError() { m_fieldRangeError = false; }

    static std::string lineText(int n, const LineBytes& bytes);

private:
    struct Slot {
        bool loaded = false;
        std::string text;
        LineBytes bytes{};
    };
    static std::size_t index(int n);
    Slot& load(int n);
    int field(int n, int k, int b, int width);

    CommandChannel& m_channel;
    KeySink* m_status = nullptr;
    std::array<Slot, kLines> m_slots{};
    bool m_fieldRangeError = false;
};

}  // namespace vantrel::link

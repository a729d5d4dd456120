#include "link/SettingsLines.h"

#include "link/LinkErrors.h"

#include <cstdio>
#include <stdexcept>

namespace vantrel::link {

std::size_t SettingsLines::index(int n) {
    if (n < 0 || n >= kLines) throw std::out_of_range("settings line " + std::to_string(n));
    return static_cast<std::size_t>(n);
}

std::string SettingsLines::lineText(int n, const LineBytes& bytes) {
    char head[16];
    std::snprintf(head, sizeof head, "P%03X", static_cast<unsigned>(n));
    std::string text = head;
    text.reserve(text.size() + 3 * kLineBytes);
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (std::uint8_t b : bytes) {
        text += ' ';
        text += kHex[b >> 4];
        text += kHex[b & 0x0F];
    }
    return text;
}

SettingsLines::Slot& SettingsLines::load(int n) {
    Slot& slot = m_slots[index(n)];
    if (slot.loaded) return slot;
    LineBytes bytes{};
    int r = m_channel.WriteControllerRegister(kLineNumberLow, static_cast<std::uint8_t>(n % 256));
    if (!r) r = m_channel.WriteControllerRegister(kLineNumberHigh, static_cast<std::uint8_t>((n / 256) % 256));
    if (!r) r = m_channel.CopySettingsLine();
    for (int i = 0; i < kLineBytes && !r; ++i)
        r = m_channel.ReadControllerRegister(static_cast<std::uint8_t>(kLineBufferFirst + i),
                                             bytes[static_cast<std::size_t>(i)]);
    if (r) {
        if (m_status) m_status->write("Line " + std::to_string(n), std::to_string(r));
        throw recorderNotFound(kLineUnreadable);
    }
    slot.bytes = bytes;
    slot.text = lineText(n, bytes);
    slot.loaded = true;
    return slot;
}

const std::string& SettingsLines::ReadLine(int n) { return load(n).text; }

const LineBytes& SettingsLines::lineBytes(int n) { return load(n).bytes; }

void SettingsLines::ClearLineCache() {
    for (Slot& slot : m_slots) slot = Slot{};
}

bool SettingsLines::LineBit(int n, int k, int b) {
    if (b < 0 || b > 7) {
        m_fieldRangeError = true;
        return false;
    }
    return (LineByte(n, k) & (1 << b)) != 0;
}

int SettingsLines::field(int n, int k, int b, int width) {
    int value = 0;
    for (int i = 0; i < width; ++i)
        if (LineBit(n, k, b + i)) value += 1 << i;
    return value;
}

}  // namespace vantrel::link

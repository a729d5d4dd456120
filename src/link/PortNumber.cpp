#include "link/PortNumber.h"

#include "common/Ini.h"

#include <algorithm>
#include <string>

namespace vantrel::link {

namespace {

std::string_view trimmed(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<std::int32_t> numberFromLiteral(std::string_view text) {
    std::string_view s = trimmed(text);
    if (s.size() >= 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h')) {
        s.remove_prefix(2);
        if (s.empty() || s.size() > 8) return std::nullopt;
        std::uint32_t value = 0;
        for (char c : s) {
            const int d = hexDigit(c);
            if (d < 0) return std::nullopt;
            value = value * 16 + static_cast<std::uint32_t>(d);
        }
        return static_cast<std::int32_t>(value);
    }
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    if (s.empty()) return std::nullopt;
    std::int64_t value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > std::int64_t{1} << 31) return std::nullopt;
    }
    if (negative) value = -value;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::int32_t savedPort(const std::filesystem::path& settingsFile) {
    const std::optional<std::string> text = common::ini::readValue(settingsFile, kPortSection, kPortKey);
    if (!text) return kDefaultPort;
    return numberFromLiteral(*text).value_or(kDefaultPort);
}

std::vector<std::int32_t> candidatePorts(std::int32_t saved) {
    std::vector<std::int32_t> ports{saved};
    for (std::int32_t p : kStandardPorts)
        if (p != saved) ports.push_back(p);
    return ports;
}

}  // namespace vantrel::link

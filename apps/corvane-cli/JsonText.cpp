#include "JsonText.h"

#include <cmath>
#include <cstdio>

#include "common/IniFunctions.h"

namespace cli {
namespace {

std::string unicodeEscape(unsigned code) {
    char text[8];
    std::snprintf(text, sizeof text, "\\u%04x", code);
    return text;
}

// Length of the well-formed UTF-8 sequence at the start of s, or 0.
std::size_t utf8Length(std::string_view s) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned min = 0;
    unsigned code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2, min = 0x80, code = lead & 0x1Fu;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, min = 0x800, code = lead & 0x0Fu;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4, min = 0x10000, code = lead & 0x07u;
    else return 0;
    if (s.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0u) != 0x80u) return 0;
        code = (code << 6) | (byte(i) & 0x3Fu);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            switch (c) {
                case '"': out += "\\\""; break;
                case '\\': out += "\\\\"; break;
                case '\n': out += "\\n"; break;
                case '\r': out += "\\r"; break;
                case '\t': out += "\\t"; break;
                case '\b': out += "\\b"; break;
                case '\f': out += "\\f"; break;
                default:
                    if (c < 0x20 || c == 0x7F) out += unicodeEscape(c);
                    else out.push_back(static_cast<char>(c));
            }
            ++i;
            continue;
        }
        if (const std::size_t length = utf8Length(text.substr(i)); length > 0) {
            out.append(text.substr(i, length));
            i += length;
        } else {
            out += unicodeEscape(c);
            ++i;
        }
    }
    out.push_back('"');
    return out;
}

std::string jsonNumber(std::optional<double> value) {
    if (!value || !std::isfinite(*value)) return "null";
    return common::realToText(*value);
}

std::string jsonInteger(std::optional<std::int64_t> value) {
    return value ? std::to_string(*value) : "null";
}

std::string jsonBool(std::optional<bool> value) {
    if (!value) return "null";
    return *value ? "true" : "false";
}

void JsonObject::add(std::string_view key, std::string valueText) {
    if (!m_members.empty()) m_members += ",\n";
    m_members += "  " + jsonString(key) + ": " + valueText;
}

std::string JsonObject::text() const { return "{\n" + m_members + "\n}\n"; }

}  // namespace cli

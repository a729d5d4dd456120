#pragma once
// Port addresses as text: the saved port of the shared settings file and the order in which
// the port search tries the standard ports.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace vantrel::link {

inline constexpr std::int32_t kDefaultPort = 632;  // 0x278
inline constexpr std::int32_t kStandardPorts[] = {632, 888, 956};
inline constexpr std::string_view kPortSection = "Settings";
inline constexpr std::string_view kPortKey = "PL2 Port";

// The text read like a numeric literal: blanks around it are ignored, then a decimal integer
// with an optional sign, or "&H" (any case) and one to eight hexadecimal digits, eight digits
// with the top bit set giving a negative number. Nothing when the text is not such a number
// or does not fit 32 bits.
std::optional<std::int32_t> numberFromLiteral(std::string_view text);

// "PL2 Port" of section "Settings" of the settings file: 632 when the key is missing or its
// text is not a number.
std::int32_t savedPort(const std::filesystem::path& settingsFile);

// The saved port first, then 632, 888 and 956, each left out when it is the saved one.
std::vector<std::int32_t> candidatePorts(std::int32_t saved);

}  // namespace vantrel::link

#include "download/DownloadDate.h"

#include <array>
#include <cstdio>
#include <ctime>
#include <stdexcept>

namespace download {

LocalDateTime localTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    if (!::localtime_r(&now, &parts)) throw std::runtime_error("local time not available");
    return LocalDateTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                         parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

std::string downloadDateText(const LocalDateTime& when) {
    static constexpr std::array<const char*, 12> kMonths{
        "January", "February", "March",     "April",   "May",      "June",
        "July",    "August",   "September", "October", "November", "December"};
    if (when.month < 1 || when.month > 12)
        throw std::out_of_range("month " + std::to_string(when.month));
    char time[32];
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", when.hour, when.minute, when.second);
    return std::string(time) + ", " + std::to_string(when.day) + " " +
           kMonths[static_cast<std::size_t>(when.month - 1)] + " " + std::to_string(when.year);
}

}  // namespace download

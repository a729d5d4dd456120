#pragma once
// The "Download Date" text of a set file: the time, ", ", the day of the month, " ", the full
// month name, " ", the year, as in "14:03:22, 6 December 2026". The time is 24-hour
// "hh:mm:ss" and the month name English, whatever the locale, so the text never depends on
// the machine that downloaded.

#include <functional>
#include <string>

namespace download {

// A local calendar time, as read from a clock.
struct LocalDateTime {
    int year = 1970;
    int month = 1;  // 1 to 12
    int day = 1;    // 1 to 31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Where the settings writer takes the current time from; tests give a fixed one.
using DownloadClock = std::function<LocalDateTime()>;

// The machine's local time now.
LocalDateTime localTimeNow();

// Throws std::out_of_range for a month outside 1 to 12.
std::string downloadDateText(const LocalDateTime& when);

}  // namespace download

#pragma once
// How a download run reports to the analysis program: keys of section "Status" of the run's
// log (root + ".log") and error keys in section "settings" of the set file of the test being
// written. The analysis program polls the log until "Complete" is "T" and then reads "Error"
// to tell a failed run from a good one. The log is never cleared: keys are only added or
// overwritten.
//
// Log keys, in the order a run writes them (the link writes "PortLoc", the directory keys and
// "Line n" through a StatusKeySink; the driver writes the others with the functions below):
//   "PortLoc"       port base address in decimal, at every connection attempt (the last one stays)
//   "Mes No"        measurement counter           } from the directory read
//   "Total Tests"   number of test slots          }
//   "Rem Tests"     number of free slots          }
//   "NrTests"       stored tests = slots - free, after a good directory read
//   "Stored Test t" "T", before the data transfer of test t (also when that transfer fails)
//   "Line n"        result number of a failed read of settings line n
//   "Error"         "T" at the end of a failed run
//   "Complete"      "T" at the end of every run that located the recorder or gave up looking

#include "download/Sets.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace download {

inline constexpr std::string_view kPortLocKey = "PortLoc";
inline constexpr std::string_view kTotalTestsKey = "Total Tests";
inline constexpr std::string_view kRemTestsKey = "Rem Tests";
inline constexpr std::string_view kMesNoKey = "Mes No";
inline constexpr std::string_view kNrTestsKey = "NrTests";
inline constexpr std::string_view kCompleteKey = "Complete";
inline constexpr std::string_view kErrorKey = "Error";
// Set-file keys of a failed run (section "settings").
inline constexpr std::string_view kErrorCodeKey = "ErrorCode";
inline constexpr std::string_view kErrorsKey = "Errors";

// "Stored Test " followed by t.
std::string storedTestKey(int t);
// "Line " followed by n.
std::string lineKey(int n);

// Outcome codes of a run, written as "ErrorCode".
inline constexpr long kRecorderNotFound = 3341;   // not found on any port, or search stopped
inline constexpr long kDownloadFailed = 3342;     // a download failed
inline constexpr long kDownloadCancelled = 3343;  // the user cancelled during chosen tests

// "NrTests" = stored tests, after a good directory read.
void logStoredTests(Sets& sets, std::int32_t storedTests);
// "Stored Test t" = "T", before the data transfer of test t.
void logTestStored(Sets& sets, int t);

// A failed run: "ErrorCode" = code, "Errors" = "T", "Complete" = "T" in the current set file,
// then "Error" = "T" and "Complete" = "T" in the log.
//
// - With no set file current (before the first test) only the log keys are written.
// - "Error" goes into the log before "Complete": the analysis program may read the log
//   between two writes, and a log that is complete without its error mark would pass a
//   failed run as a good one.
// - The log keys are written even when a set-file key cannot be written; that failure is
//   thrown afterwards (common::IoError). A log write that fails throws common::Error 3180.
void ReportError(Sets& sets, long code);
// The same without "ErrorCode": an unexpected error ended the download of chosen tests.
void ReportFailure(Sets& sets);
// A run that ended well: "Complete" = "T" in the log.
void ReportComplete(Sets& sets);

}  // namespace download

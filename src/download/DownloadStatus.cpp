#include "download/DownloadStatus.h"

#include <exception>
#include <optional>

namespace download {
namespace {

constexpr std::string_view kTrue = "T";

// The failure keys of both files; errorCode is written first when given.
void reportFailedRun(Sets& sets, std::optional<long> errorCode) {
    std::exception_ptr setFileFailure;
    if (sets.hasCurrentSetFile()) {
        try {
            if (errorCode) sets.WriteSettingNumber(kErrorCodeKey, *errorCode);
            sets.WriteSetting(kErrorsKey, kTrue);
            sets.WriteSetting(kCompleteKey, kTrue);
        } catch (...) {
            setFileFailure = std::current_exception();
        }
    }
    sets.WriteStatus(kErrorKey, kTrue);
    sets.WriteStatus(kCompleteKey, kTrue);
    if (setFileFailure) std::rethrow_exception(setFileFailure);
}

}  // namespace

std::string storedTestKey(int t) { return "Stored Test " + std::to_string(t); }

std::string lineKey(int n) { return "Line " + std::to_string(n); }

void logStoredTests(Sets& sets, std::int32_t storedTests) {
    sets.WriteStatus(kNrTestsKey, storedTests);
}

void logTestStored(Sets& sets, int t) { sets.WriteStatus(storedTestKey(t), kTrue); }

void ReportError(Sets& sets, long code) { reportFailedRun(sets, code); }

void ReportFailure(Sets& sets) { reportFailedRun(sets, std::nullopt); }

void ReportComplete(Sets& sets) { sets.WriteStatus(kCompleteKey, kTrue); }

}  // namespace download

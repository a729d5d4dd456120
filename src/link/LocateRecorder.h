#pragma once
// The search for the port the recorder is plugged into: the saved port first, then the
// standard ports, one connection attempt each. The attempt itself (select the port, put it
// into standard mode, read the recorder's directory, ...) belongs to the download driver and
// is passed in; it ends normally when the recorder answered and by throwing otherwise.

#include "link/KeySink.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace vantrel::link {

// Error numbers of an attempt that stop the search.
inline constexpr long kSearchCancelled = 3343;
inline constexpr long kCableFault = 2049;

enum class LocateOutcome {
    Found,       // an attempt ended normally
    Cancelled,   // an attempt threw common::Error 3343
    CableFault,  // an attempt threw common::Error 2049
    NotFound,    // every attempt threw something else
    NoAccess,    // every attempt failed because no port could be reached (PortAccessError)
};

struct LocateResult {
    LocateOutcome outcome = LocateOutcome::NotFound;
    std::int32_t port = 0;             // the port of the attempt that ended the search
    std::vector<std::int32_t> tried;   // in order
    std::string message;               // why the last attempt failed ("" when found)
    std::string accessProblem;         // the last PortAccessError's message, if any
    std::string saveProblem;           // "PL2 Port" could not be saved (the search still found it)
};

using ConnectionAttempt = std::function<void(std::int32_t port)>;

struct LocateOptions {
    // The shared settings file with the saved port; empty = common::sharedSettingsFile().
    std::filesystem::path settingsFile;
    // Receives "PortLoc" before each attempt (the run's log, section "Status"); may be null.
    KeySink* status = nullptr;
    // Lets pending window events run before each attempt; may be empty.
    std::function<void()> letEventsRun;
};

LocateResult LocateRecorder(const ConnectionAttempt& attempt, const LocateOptions& options = {});

}  // namespace vantrel::link

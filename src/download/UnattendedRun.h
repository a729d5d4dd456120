#pragma once
// A download run with nobody at the screen: what `harvdl32 --unattended ROOT` does. The same
// driver as the window's, with no box that waits (UnattendedPrompt: every message on the
// stream and in the log), no window (HeadlessView) and every stored test chosen
// (AllTestsChooser). A stop request acts as the Cancel button at the driver's next event
// point; one that comes while the stored tests are being offered ends the run as a window
// closed then does ("ErrorCode" 3343). The run always ends by itself.

#include <ostream>
#include <string>

#include "download/DownloadDriver.h"
#include "download/StopRequest.h"

namespace download {

// Exit codes of an unattended run.
inline constexpr int kExitComplete = 0;  // the run ended complete without error
inline constexpr int kExitFailed = 1;    // any other end; the log says how
inline constexpr int kExitNoRoot = 2;    // a blank root: nothing was done or written

struct UnattendedRunOptions {
    // Messages, questions and the line per test go here, each line starting "<program>: ".
    std::ostream* out = nullptr;
    std::string program;
    // May be null: nothing stops the run then.
    const StopRequest* stop = nullptr;
};

int runUnattended(const std::string& fileRoot, DriverOptions driverOptions,
                  const UnattendedRunOptions& options);

}  // namespace download

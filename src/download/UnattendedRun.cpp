#include "download/UnattendedRun.h"

#include <iostream>
#include <utility>

#include "download/AllTestsChooser.h"
#include "download/DownloadFileNames.h"
#include "download/HeadlessView.h"
#include "download/UnattendedPrompt.h"

namespace download {

int runUnattended(const std::string& fileRoot, DriverOptions driverOptions,
                  const UnattendedRunOptions& options) {
    std::ostream& out = options.out ? *options.out : std::cerr;
    const bool blankRoot = isBlankRoot(fileRoot);
    UnattendedPrompt prompt(out, options.program);
    // A blank root names no log; the driver writes nothing then either.
    if (!blankRoot) prompt.setLogFile(logFileName(fileRoot));
    HeadlessView view(&out, options.program);
    AllTestsChooser chooser;
    DownloadDriver driver(fileRoot, prompt, view, chooser, std::move(driverOptions));

    const StopRequest* stop = options.stop;
    auto stopRequested = [stop] { return stop != nullptr && stop->stopRequested(); };
    bool stopTold = false;
    view.setEventHook([&] {
        if (!stopRequested()) return;
        if (!stopTold) {
            out << options.program << ": stop requested, cancelling the run" << std::endl;
            stopTold = true;
        }
        driver.Cancel();
    });

    if (driver.Start()) {
        // The stored tests are offered: all of them are fetched, unless a stop came meanwhile.
        if (stopRequested())
            driver.WindowClosing();
        else
            driver.Download();
    }
    if (driver.result() == RunResult::Complete) return kExitComplete;
    return blankRoot ? kExitNoRoot : kExitFailed;
}

}  // namespace download

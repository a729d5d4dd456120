#include "link/LocateRecorder.h"

#include "common/AppPaths.h"
#include "common/Error.h"
#include "common/Ini.h"
#include "link/PortBackend.h"
#include "link/PortNumber.h"

#include <exception>

namespace vantrel::link {

LocateResult LocateRecorder(const ConnectionAttempt& attempt, const LocateOptions& options) {
    const std::filesystem::path settings =
        options.settingsFile.empty() ? common::sharedSettingsFile() : options.settingsFile;
    LocateResult result;
    bool anyReached = false;
    for (std::int32_t port : candidatePorts(savedPort(settings))) {
        if (options.letEventsRun) options.letEventsRun();
        result.tried.push_back(port);
        result.port = port;
        if (options.status) options.status->write("PortLoc", std::to_string(port));
        try {
            attempt(port);
        } catch (const common::Error& e) {
            result.message = e.what();
            anyReached = true;
            if (e.number() == kSearchCancelled) {
                result.outcome = LocateOutcome::Cancelled;
                return result;
            }
            if (e.number() == kCableFault) {
                result.outcome = LocateOutcome::CableFault;
                return result;
            }
            continue;
        } catch (const PortAccessError& e) {
            result.message = result.accessProblem = e.what();
            continue;
        } catch (const std::exception& e) {
            result.message = e.what();
            anyReached = true;
            continue;
        }
        result.outcome = LocateOutcome::Found;
        result.message.clear();
        try {
            common::ini::writeValue(settings, kPortSection, kPortKey, std::to_string(port));
        } catch (const std::exception& e) {
            result.saveProblem = e.what();
        }
        return result;
    }
    result.outcome = anyReached ? LocateOutcome::NotFound : LocateOutcome::NoAccess;
    return result;
}

}  // namespace vantrel::link

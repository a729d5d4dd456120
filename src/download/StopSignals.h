#pragma once
// SIGINT and SIGTERM as a stop request, for a run without a window: the first of them only
// marks the request (the run then cancels at its next event point and reports the cancel as
// the Cancel button does); any further one ends the process at once, as the signal's default
// does, for a run that does not stop soon enough.
//
// The handlers are installed for the lifetime of the object and the earlier ones restored
// afterwards. One object at a time: the request is process-wide.

#include <csignal>

#include "download/StopRequest.h"

namespace download {

class StopSignals final : public StopRequest {
  public:
    StopSignals();
    ~StopSignals() override;
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    bool stopRequested() const override;
    // The signal that asked first, 0 when none did.
    int signalNumber() const;

  private:
    struct sigaction m_oldInt {};
    struct sigaction m_oldTerm {};
};

}  // namespace download

#pragma once
// Which port backend a download program uses: the emulated recorder when the environment
// variable VANTREL_RECORDER names a recorder image (no real port is touched then), otherwise
// none, and the link library probes the real ports.

#include "link/PortBackend.h"

#include <memory>

namespace recsim {

inline constexpr const char* kRecorderVariable = "VANTREL_RECORDER";

// The emulator for the image named by VANTREL_RECORDER, or nullptr when the variable is unset
// or empty. A variable naming an unusable image throws ImageError: falling back to the real
// ports would hide the mistake and touch hardware the user did not mean to.
std::unique_ptr<vantrel::link::PortBackend> choosePortBackend();

}  // namespace recsim

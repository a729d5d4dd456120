#pragma once
// The numbered errors of the recorder link.

#include "common/Error.h"

#include <string>

namespace vantrel::link {

inline constexpr long kHandshakeTimeout = 3301;
inline constexpr long kGateArrayTimeout = 3302;
inline constexpr long kRecorderNotFound = 3341;
inline constexpr const char* kHwSource = "HW module";
inline constexpr const char* kDownloadSource = "Pln download";

// Codes after "PellionNotFound Error ".
inline constexpr int kLineUnreadable = 44;
inline constexpr int kUnexpectedSppData = 3344;

// 3301 "Timeout in iAnsPIC": a handshake line did not reach its state.
inline common::Error handshakeTimeout() { return {kHandshakeTimeout, kHwSource, "Timeout in iAnsPIC"}; }
// 3302 "Timeout in iAnsFPGA": the gate array's value did not settle.
inline common::Error gateArrayTimeout() { return {kGateArrayTimeout, kHwSource, "Timeout in iAnsFPGA"}; }
// 3341 "PellionNotFound Error " + code.
inline common::Error recorderNotFound(int code) {
    return {kRecorderNotFound, kDownloadSource, "PellionNotFound Error " + std::to_string(code)};
}

}  // namespace vantrel::link

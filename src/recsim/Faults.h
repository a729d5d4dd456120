#pragma once
// Faults the emulated recorder can show, set per image ([Faults] section) or per run through
// Emulator::faults(). Every fault is counted in register accesses or transfer steps, never in
// time, so a run with the same image and the same accesses fails at the same place.

#include <cstdint>

namespace recsim {

// A line held at one level whatever drives it: a status line (recorder -> PC, bits 3..7) or a
// data line as the recorder sees it (PC -> recorder, bits 0..2).
struct StuckLine {
    enum class Kind { None, Status, Data };
    Kind kind = Kind::None;
    int bit = 0;
    bool level = false;

    bool operator==(const StuckLine&) const = default;
};

struct Faults {
    // The controller's answer on the status lines (acknowledge, ready, reply bit) appears only
    // after this many further status reads; until then the lines keep their previous state.
    std::uint32_t ackDelayReads = 0;

    // Flickering status: after every change of what the recorder drives (a controller answer or
    // a gate-array step), every flickerPeriod-th status read shows the bits of flickerMask
    // inverted. flickerLimit is the number of such glitches per change; 0 means for ever. With
    // period 5 and limit 1 a handshake sees 4 good reads, one miss, then good reads.
    std::uint32_t flickerPeriod = 0;
    std::uint8_t flickerMask = 0x08;
    std::uint32_t flickerLimit = 1;

    StuckLine stuck;

    // The cable is pulled after this many register accesses (counted from the emulator's
    // creation): the status lines float and the FIFO stops filling. 0 = never.
    std::uint64_t unplugAfterAccesses = 0;

    // Data step k (1-based, after the lead-in) carries the same marker bit in both words, in
    // the first markerErrorTransfers transfers (0 = in every transfer). 0 = no marker error.
    std::uint64_t markerErrorStep = 0;
    std::uint32_t markerErrorTransfers = 0;

    // The port's ECP FIFO is never reported full (it holds at most 15 bytes).
    bool ecpNeverFull = false;

    // The recorder is switched off during data step k (1-based) of a transfer, so that step k
    // is the first one that fails: in SPP as it begins the step; in ECP, where the FIFO must be
    // full before every step, once it has pushed the 12 bytes after step k-1. It stays off
    // until switched on again through the API. 0 = never.
    std::uint64_t powerOffAtStep = 0;

    // After each step of the gate array's SPP output the status lines show changing
    // transitional values for this many reads before they settle (a slow gate array). Up to 7
    // is absorbed by the reader's settling re-reads; 8 or more makes every read fail.
    std::uint32_t gateSettleReads = 0;

    // How fast the recorder fills the port's ECP FIFO: bytes per register access (0 = the
    // FIFO is refilled completely at every access). Not a fault but a property of the link.
    std::uint32_t ecpBytesPerAccess = 2;

    bool operator==(const Faults&) const = default;
};

}  // namespace recsim

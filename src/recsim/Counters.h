#pragma once
// What the emulator has seen since it was made or its counters were reset: register
// accesses by kind, commands, settings lines served, transfers and stream steps. For tests
// ("the reader never read the FIFO when it was empty") and for benchmarks.

#include <array>
#include <cstdint>

namespace recsim {

struct Counters {
    std::uint64_t reads = 0;
    std::uint64_t writes = 0;
    std::uint64_t statusReads = 0;
    std::uint64_t dataWrites = 0;
    std::uint64_t controlWrites = 0;
    std::uint64_t ecrReads = 0;
    std::uint64_t ecrWrites = 0;
    std::uint64_t fifoReads = 0;
    std::uint64_t fifoEmptyReads = 0;  // FIFO reads that found no byte
    std::uint64_t eppReads = 0;
    std::uint64_t floatingAccesses = 0;  // addresses where nothing answers

    std::uint64_t commands = 0;  // completed commands
    std::array<std::uint64_t, 32> commandsByCode{};
    std::uint64_t abortedCommands = 0;  // framing ended before all bits had arrived
    std::uint64_t unansweredBits = 0;   // clock pulses beyond the command, never acknowledged
    std::uint64_t linesCopied = 0;      // command 11

    std::uint64_t transfers = 0;     // gate-array streams started (register 1 <- 7)
    std::uint64_t sppSteps = 0;      // SPP steps begun, lead-in included
    std::uint64_t ecpBytes = 0;      // bytes put into the ECP FIFO, lead-in included
};

}  // namespace recsim

#pragma once
// One way to reach the parallel port's registers: read and write single bytes at absolute I/O
// addresses. Backends: /dev/port, ioperm + inb/outb, and the recorder emulator. Everything
// above this interface cannot tell them apart.
//
// The recorder link lives in vantrel::link, not in a top-level namespace "link": POSIX
// declares a function ::link in <unistd.h>, which libstdc++ pulls in through <memory> and
// gtest through its own headers, and a global namespace of the same name is then an error in
// every such translation unit. Outside code names the types vantrel::link::PortBackend etc.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vantrel::link {

// The backend cannot reach the port at all (no permission, no such device). It makes a
// port count as "recorder not found"; the message says why.
class PortAccessError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class PortBackend {
public:
    virtual ~PortBackend() = default;
    // The current value of the register at the address. May throw PortAccessError.
    virtual std::uint8_t read(std::uint32_t address) = 0;
    // Stores the byte in the register at once. May throw PortAccessError.
    virtual void write(std::uint32_t address, std::uint8_t value) = 0;
    // A short name for logs and the user ("/dev/port", "ioperm", "emulator").
    virtual std::string name() const = 0;
};

}  // namespace vantrel::link

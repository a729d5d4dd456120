#pragma once
// The parallel port the recorder hangs on: its base address, the backend that reaches its
// registers, the register map and the register sequences that put the port into a known mode.
// Everything that talks to the recorder goes through these operations.
//
// Backends: a backend given to the constructor (the recorder emulator) is used for every
// access and no real port is touched. Otherwise each SetPortBase probes the hardware
// backends, /dev/port first, then ioperm + inb/outb; when neither may reach the port, every
// access throws PortAccessError whose message says that access was denied and why.

#include "link/PortBackend.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vantrel::link {

// Register offsets from the base.
inline constexpr std::uint32_t kDataOffset = 0;
inline constexpr std::uint32_t kStatusOffset = 1;
inline constexpr std::uint32_t kControlOffset = 2;
inline constexpr std::uint32_t kEppDataOffset = 4;
inline constexpr std::uint32_t kEcpFifoOffset = 0x400;
inline constexpr std::uint32_t kEcrOffset = 0x402;

// Status bits.
inline constexpr std::uint8_t kStatusAck = 0x08;
inline constexpr std::uint8_t kStatusReady = 0x10;
// ECR bits.
inline constexpr std::uint8_t kEcrFifoEmpty = 0x01;
inline constexpr std::uint8_t kEcrFifoFull = 0x02;
inline constexpr std::uint8_t kEcrModeMask = 0xE0;
inline constexpr std::uint8_t kEcrModeEcp = 0x60;

// Which way the registers are reached.
enum class PortAccess { None, DevPort, IoPerm, Injected };

class Port {
public:
    // Opens a hardware backend for the port at base; throws PortAccessError when it may not.
    using Opener = std::function<std::unique_ptr<PortBackend>(std::uint32_t base)>;
    struct HardwareOpeners {
        Opener devPort;
        Opener ioPerm;
    };
    // The real ones: DevPortBackend::open and IoPermBackend::open.
    static HardwareOpeners systemOpeners();

    // Real hardware, probed at each SetPortBase.
    Port();
    // The given backend for every access; nullptr means real hardware.
    explicit Port(std::unique_ptr<PortBackend> backend);
    // Hardware backends made by these openers (tests make them fail).
    explicit Port(HardwareOpeners openers);
    ~Port();
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;

    // Selects the port at base and probes the way to it. True when its registers can be
    // reached; false when not (then every access throws PortAccessError saying why).
    bool SetPortBase(std::int32_t base);

    std::int32_t portBase() const { return m_portBase; }
    bool portSelected() const { return m_portSelected; }
    PortAccess access() const { return m_access; }
    // Name of the backend in use ("/dev/port", "ioperm", "emulator", ...), "" when none.
    std::string backendName() const;
    // Why no backend reaches the port ("" when one does).
    const std::string& accessProblem() const { return m_problem; }
    // The injected backend, or nullptr.
    PortBackend* injectedBackend() const { return m_injected.get(); }

    // Absolute I/O addresses.
    std::uint8_t ReadPort(std::uint32_t address) { return m_backend->read(address); }
    void WritePort(std::uint32_t address, std::uint8_t value) { m_backend->write(address, value); }

    std::uint8_t ReadStatus() { return ReadPort(at(kStatusOffset)); }
    void WriteData(std::uint8_t value) { WritePort(at(kDataOffset), value); }
    // Control and ECR writes are skipped until a base has been selected.
    void WriteControl(std::uint8_t value) {
        if (m_portSelected) WritePort(at(kControlOffset), value);
    }
    void WriteEcr(std::uint8_t value) {
        if (m_portSelected) WritePort(at(kEcrOffset), value);
    }
    std::uint8_t ReadEcr() { return ReadPort(at(kEcrOffset)); }
    std::uint8_t ReadEcpFifo() { return ReadPort(at(kEcpFifoOffset)); }
    std::uint8_t ReadEppData() { return ReadPort(at(kEppDataOffset)); }

    // control 0x22, 0x06; ECR mode field cleared (standard); control 0x01.
    void EnterStandardMode();
    // control 0x03, 0x03, 0x00.
    void IdlePort();
    // control 0x00; data 0x02, 0x02, 0x00.
    void IdleDataLines();

private:
    class NoAccess final : public PortBackend {
    public:
        std::uint8_t read(std::uint32_t) override { throw PortAccessError(message); }
        void write(std::uint32_t, std::uint8_t) override { throw PortAccessError(message); }
        std::string name() const override { return ""; }
        std::string message;
    };

    std::uint32_t at(std::uint32_t offset) const {
        return static_cast<std::uint32_t>(m_portBase) + offset;
    }
    void probeHardware();
    void noAccess(std::string why);

    std::int32_t m_portBase = 0;
    bool m_portSelected = false;
    PortAccess m_access = PortAccess::None;
    std::string m_problem;
    std::unique_ptr<PortBackend> m_injected;
    std::unique_ptr<PortBackend> m_hardware;
    HardwareOpeners m_openers;
    NoAccess m_none;
    PortBackend* m_backend = &m_none;
};

}  // namespace vantrel::link

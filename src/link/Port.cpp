#include "link/Port.h"

#include "link/DevPortBackend.h"
#include "link/IoPermBackend.h"

#include <utility>

namespace vantrel::link {

namespace {
// The highest base whose extended registers still lie in the 16-bit I/O space.
constexpr std::int32_t kHighestBase = 0xFFFF - static_cast<std::int32_t>(kEcrOffset);
}

Port::HardwareOpeners Port::systemOpeners() {
    return {[](std::uint32_t) -> std::unique_ptr<PortBackend> { return DevPortBackend::open(); },
            [](std::uint32_t base) -> std::unique_ptr<PortBackend> { return IoPermBackend::open(base); }};
}

Port::Port() : Port(systemOpeners()) {}

Port::Port(std::unique_ptr<PortBackend> backend) : Port(systemOpeners()) {
    if (backend) {
        m_injected = std::move(backend);
        m_backend = m_injected.get();
        m_access = PortAccess::Injected;
        m_problem.clear();
    }
}

Port::Port(HardwareOpeners openers) : m_openers(std::move(openers)) {
    // Before a base is chosen no hardware address is touched, not even the data register.
    noAccess("no parallel port has been selected");
}

Port::~Port() = default;

bool Port::SetPortBase(std::int32_t base) {
    m_portSelected = true;
    m_portBase = base;
    if (m_injected) return true;
    probeHardware();
    return m_access != PortAccess::None;
}

std::string Port::backendName() const { return m_access == PortAccess::None ? "" : m_backend->name(); }

void Port::noAccess(std::string why) {
    m_hardware.reset();
    m_problem = std::move(why);
    m_none.message = m_problem;
    m_backend = &m_none;
    m_access = PortAccess::None;
}

void Port::probeHardware() {
    m_hardware.reset();
    m_backend = &m_none;
    if (m_portBase < 0 || m_portBase > kHighestBase) {
        noAccess("There is no parallel port at address " + std::to_string(m_portBase) + ".");
        return;
    }
    const auto base = static_cast<std::uint32_t>(m_portBase);
    std::string reasons;
    const std::pair<const Opener*, PortAccess> choices[] = {{&m_openers.devPort, PortAccess::DevPort},
                                                             {&m_openers.ioPerm, PortAccess::IoPerm}};
    for (const auto& [opener, kind] : choices) {
        if (!*opener) continue;
        try {
            std::unique_ptr<PortBackend> backend = (*opener)(base);
            backend->read(base + kStatusOffset);  // the probe: the status register answers
            m_hardware = std::move(backend);
            m_backend = m_hardware.get();
            m_access = kind;
            m_problem.clear();
            return;
        } catch (const PortAccessError& e) {
            if (!reasons.empty()) reasons += "; ";
            reasons += e.what();
        }
    }
    noAccess("Access to the parallel port at address " + std::to_string(m_portBase) +
             " was denied (" + reasons +
             "). Reading the port needs the CAP_SYS_RAWIO capability: run the download as root"
             " or grant the capability to the program.");
}

void Port::EnterStandardMode() {
    WriteControl(0x22);
    WriteControl(0x06);
    WriteEcr(static_cast<std::uint8_t>(ReadEcr() & 0x1F));
    WriteControl(0x01);
}

void Port::IdlePort() {
    WriteControl(0x03);
    WriteControl(0x03);
    WriteControl(0x00);
}

void Port::IdleDataLines() {
    WriteControl(0x00);
    WriteData(0x02);
    WriteData(0x02);
    WriteData(0x00);
}

}  // namespace vantrel::link

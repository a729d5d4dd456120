#include "link/IoPermBackend.h"

#include "common/Error.h"

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define VANTREL_HAS_PORT_IO 1
#endif

namespace vantrel::link {

namespace {
constexpr std::uint32_t kLastIoAddress = 0xFFFF;
}

std::unique_ptr<IoPermBackend> IoPermBackend::open(std::uint32_t base) {
#ifdef VANTREL_HAS_PORT_IO
    if (base + kHighOffset + kHighSpan - 1 > kLastIoAddress)
        throw PortAccessError("ioperm: no I/O port at address " + std::to_string(base));
    if (::ioperm(base, kLowSpan, 1) != 0) throw PortAccessError(common::systemMessage("ioperm"));
    if (::ioperm(base + kHighOffset, kHighSpan, 1) != 0) {
        PortAccessError error(common::systemMessage("ioperm"));
        ::ioperm(base, kLowSpan, 0);
        throw error;
    }
    return std::unique_ptr<IoPermBackend>(new IoPermBackend(base));
#else
    (void)base;
    throw PortAccessError("ioperm: this processor has no I/O port instructions");
#endif
}

IoPermBackend::~IoPermBackend() {
#ifdef VANTREL_HAS_PORT_IO
    ::ioperm(m_base, kLowSpan, 0);
    ::ioperm(m_base + kHighOffset, kHighSpan, 0);
#endif
}

void IoPermBackend::check(std::uint32_t address) const {
    const bool low = address >= m_base && address < m_base + kLowSpan;
    const bool high = address >= m_base + kHighOffset && address < m_base + kHighOffset + kHighSpan;
    if (!low && !high)
        throw PortAccessError("ioperm: address " + std::to_string(address) +
                              " is outside the port granted at " + std::to_string(m_base));
}

std::uint8_t IoPermBackend::read(std::uint32_t address) {
    check(address);
#ifdef VANTREL_HAS_PORT_IO
    return ::inb(static_cast<unsigned short>(address));
#else
    return 0xFF;
#endif
}

void IoPermBackend::write(std::uint32_t address, std::uint8_t value) {
    check(address);
#ifdef VANTREL_HAS_PORT_IO
    ::outb(value, static_cast<unsigned short>(address));
#else
    (void)value;
#endif
}

}  // namespace vantrel::link

#pragma once
// Port access by direct I/O instructions (inb/outb) after the kernel granted the process the
// port's addresses with ioperm. Needs CAP_SYS_RAWIO; exists on x86 only. Only the granted
// addresses are ever touched: an I/O instruction outside them would kill the process, so such
// an access throws PortAccessError instead.

#include "link/PortBackend.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vantrel::link {

class IoPermBackend final : public PortBackend {
public:
    // Asks for the port's registers at base (base..base+7 and the extended registers
    // base+0x400..base+0x402). Throws PortAccessError when the kernel refuses or the processor
    // has no I/O instructions.
    static std::unique_ptr<IoPermBackend> open(std::uint32_t base);
    ~IoPermBackend() override;
    IoPermBackend(const IoPermBackend&) = delete;
    IoPermBackend& operator=(const IoPermBackend&) = delete;

    std::uint8_t read(std::uint32_t address) override;
    void write(std::uint32_t address, std::uint8_t value) override;
    std::string name() const override { return "ioperm"; }

    static constexpr std::uint32_t kLowSpan = 8;
    static constexpr std::uint32_t kHighOffset = 0x400;
    static constexpr std::uint32_t kHighSpan = 3;

private:
    explicit IoPermBackend(std::uint32_t base) : m_base(base) {}
    void check(std::uint32_t address) const;
    std::uint32_t m_base;
};

}  // namespace vantrel::link

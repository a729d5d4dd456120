#pragma once
// Port access through the kernel's /dev/port: one byte read or written with pread/pwrite at
// the file offset equal to the I/O address. Needs CAP_SYS_RAWIO (and a kernel that has the
// device); works on every processor the kernel offers the device for.

#include "link/PortBackend.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vantrel::link {

class DevPortBackend final : public PortBackend {
public:
    // Opens the device. Throws PortAccessError when it cannot be opened.
    static std::unique_ptr<DevPortBackend> open(const std::string& device = "/dev/port");
    ~DevPortBackend() override;
    DevPortBackend(const DevPortBackend&) = delete;
    DevPortBackend& operator=(const DevPortBackend&) = delete;

    std::uint8_t read(std::uint32_t address) override;
    void write(std::uint32_t address, std::uint8_t value) override;
    std::string name() const override { return "/dev/port"; }

private:
    explicit DevPortBackend(int fd) : m_fd(fd) {}
    int m_fd;
};

}  // namespace vantrel::link

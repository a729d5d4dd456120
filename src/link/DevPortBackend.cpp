#include "link/DevPortBackend.h"

#include "common/Error.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace vantrel::link {

std::unique_ptr<DevPortBackend> DevPortBackend::open(const std::string& device) {
    const int fd = ::open(device.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) throw PortAccessError(common::systemMessage(device));
    return std::unique_ptr<DevPortBackend>(new DevPortBackend(fd));
}

DevPortBackend::~DevPortBackend() { ::close(m_fd); }

std::uint8_t DevPortBackend::read(std::uint32_t address) {
    std::uint8_t value = 0;
    ssize_t n;
    do {
        n = ::pread(m_fd, &value, 1, static_cast<off_t>(address));
    } while (n < 0 && errno == EINTR);
    if (n < 0) throw PortAccessError(common::systemMessage("/dev/port read at " + std::to_string(address)));
    // Past the last I/O address the device reads as end of file.
    if (n == 0) throw PortAccessError("/dev/port: no I/O port at address " + std::to_string(address));
    return value;
}

void DevPortBackend::write(std::uint32_t address, std::uint8_t value) {
    ssize_t n;
    do {
        n = ::pwrite(m_fd, &value, 1, static_cast<off_t>(address));
    } while (n < 0 && errno == EINTR);
    if (n < 0) throw PortAccessError(common::systemMessage("/dev/port write at " + std::to_string(address)));
    if (n == 0) throw PortAccessError("/dev/port: no I/O port at address " + std::to_string(address));
}

}  // namespace vantrel::link

#include "common/Error.h"

#include <cerrno>
#include <cstring>

namespace common {

Error::Error(long number, std::string source, std::string description)
    : std::runtime_error("Error " + std::to_string(number) + " (" + source + "): " + description),
      m_number(number),
      m_source(std::move(source)),
      m_description(std::move(description)) {}

std::string systemMessage(const std::string& what) {
    const int err = errno;
    return what + ": " + std::strerror(err);
}

}  // namespace common

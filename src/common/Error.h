#pragma once
// A failure that the caller cannot handle on the spot: a number, a source text and a
// description. It travels up to the operation the user started, which reports it.

#include <stdexcept>
#include <string>

namespace common {

class Error : public std::runtime_error {
public:
    Error(long number, std::string source, std::string description);

    long number() const noexcept { return m_number; }
    const std::string& source() const noexcept { return m_source; }
    const std::string& description() const noexcept { return m_description; }

private:
    long m_number;
    std::string m_source;
    std::string m_description;
};

// An operating-system failure (a file that cannot be written, a lock that cannot be
// taken). It carries a complete message for the user.
class IoError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Builds "what: strerror(errno)" for the current errno.
std::string systemMessage(const std::string& what);

}  // namespace common

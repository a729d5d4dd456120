#pragma once
// A port backend that reaches nothing and says why: what the download program uses when the
// recorder image named by VANTREL_RECORDER cannot be used. The run then ends as "recorder not
// found" with the reason shown, instead of falling back to real ports the user did not mean.

#include "link/PortBackend.h"

#include <string>
#include <utility>

namespace harvdl32 {

class UnusableBackend final : public vantrel::link::PortBackend {
public:
    explicit UnusableBackend(std::string why) : m_why(std::move(why)) {}
    std::uint8_t read(std::uint32_t) override { throw vantrel::link::PortAccessError(m_why); }
    void write(std::uint32_t, std::uint8_t) override { throw vantrel::link::PortAccessError(m_why); }
    std::string name() const override { return "none"; }

private:
    std::string m_why;
};

}  // namespace harvdl32

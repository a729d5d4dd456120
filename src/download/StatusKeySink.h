#pragma once
// The run's log as the recorder link's key sink ("PortLoc", "Total Tests", "Rem Tests",
// "Mes No", "Line n"): every key goes through Sets::WriteStatus, so a log that cannot be
// written raises common::Error 3180 instead of passing unnoticed.

#include "download/Sets.h"
#include "link/KeySink.h"

namespace download {

class StatusKeySink final : public vantrel::link::KeySink {
public:
    explicit StatusKeySink(Sets& sets) : m_sets(sets) {}
    void write(std::string_view key, std::string_view value) override { m_sets.WriteStatus(key, value); }

private:
    Sets& m_sets;
};

}  // namespace download

#pragma once
// Section "settings" of the current set file as the recorder link's key sink (the transfer's
// "ECP", "SPP", "SPP_s" and "Error" keys): the set file current when a key is written, so the
// keys of each test land in that test's file. Throws std::logic_error when no set file is
// current and common::IoError when it cannot be written.

#include "download/Sets.h"
#include "link/KeySink.h"

namespace download {

class SettingsKeySink final : public vantrel::link::KeySink {
public:
    explicit SettingsKeySink(Sets& sets) : m_sets(sets) {}
    void write(std::string_view key, std::string_view value) override { m_sets.WriteSetting(key, value); }

private:
    Sets& m_sets;
};

}  // namespace download

#pragma once
// A set file and a log in a temporary folder, hand-made settings lines and a fixed clock.

#include "FakeLines.h"
#include "common/Ini.h"
#include "download/Sets.h"
#include "download/SettingsWriter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace download::testing {

class WriterFixture : public ::testing::Test {
protected:
    WriterFixture() {
        sets.SetLogFile(dir / "CV2026Dec001_.log");
        sets.SetCurrentSetFile(dir / "CV2026Dec001_01.crv");
    }

    SettingsWriter writer(int slots) {
        return SettingsWriter(sets, lines, slots, [] { return LocalDateTime{2026, 12, 6, 14, 3, 22}; });
    }

    std::optional<std::string> main(const std::string& key) const {
        return common::ini::readValue(sets.currentSetFile(), "settings", key);
    }
    std::optional<std::string> channel(int ch, const std::string& key) const {
        return common::ini::readValue(sets.currentSetFile(), "Channel" + std::to_string(ch), key);
    }
    std::optional<std::string> status(const std::string& key) const {
        return common::ini::readValue(sets.logFile(), "Status", key);
    }

    testsupport::TempDir dir;
    Sets sets;
    FakeLines lines;
};

}  // namespace download::testing

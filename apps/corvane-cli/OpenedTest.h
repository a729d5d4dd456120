#pragma once
// A test set opened for reading by a command of corvane-cli, headless: questions are answered
// No (uninitialised data stay in), nothing of the test is written, and a compressed test is
// decompressed into a private temporary file that is removed with the object.

#include <cstdint>
#include <stdexcept>
#include <string>

#include "analysis/files/clsDataset.h"
#include "common/Progress.h"
#include "common/ScriptedPrompt.h"

namespace cli {

// Input that the command refuses after parsing (exit code 2, like a usage error).
struct BadInput : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class OpenedTest {
public:
    // Throws std::runtime_error with the reason when the test cannot be opened.
    explicit OpenedTest(const std::string& setFile);
    OpenedTest(const OpenedTest&) = delete;
    OpenedTest& operator=(const OpenedTest&) = delete;

    files::clsDataset& dataset() { return m_dataset; }
    common::ScriptedPrompt& prompt() { return m_prompt; }

    // The graph of the channel, which must exist, be switched on and have a conversion table;
    // throws std::runtime_error saying which of these fails.
    std::int32_t channelGraph(int channel) const;

private:
    common::ScriptedPrompt m_prompt;
    common::SilentProgress m_progress;
    files::clsDataset m_dataset;
};

}  // namespace cli

#pragma once
// The prompt of a download run that nobody watches: no box waits. Every message is written at
// once as one line (messageLine) to a stream, standard error as a rule, as
// "<program>: <message>", and, once a log is named, into the log's section "Status" as
// "Message 1", "Message 2", ... (in the order shown).
//
// A message key never comes after "Complete" in the log: a message shown after the run was
// marked complete (a cancel while chosen tests are fetched) goes in right before "Complete",
// in the same atomic write, so the log still ends with "Complete". A log that cannot be
// written loses only its copy: the line on the stream is the message, and the run's own
// status writes report the log's trouble.
//
// Questions are answered without asking, with the answer that keeps what was downloaded and
// ends the run, and the question and its answer are written to the stream:
//   askYesNo     No       (nothing is overwritten, deleted or begun again)
//   askOkCancel  Cancel
//   input        Cancel   (no text)
// The download driver asks no question today; one added to it must be put so that this answer
// is the safe one.

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <utility>

#include "common/Prompt.h"

namespace download {

// "Message " followed by n (from 1).
std::string messageKey(int n);

class UnattendedPrompt final : public common::Prompt {
  public:
    UnattendedPrompt(std::ostream& out, std::string program)
        : m_out(out), m_program(std::move(program)) {}

    // From now on messages go into this log too.
    void setLogFile(const std::filesystem::path& log) { m_log = log; }

    void message(const std::string& text, const std::string& title) override;
    bool askYesNo(const std::string& text, const std::string& title) override;
    bool askOkCancel(const std::string& text, const std::string& title) override;
    std::optional<std::string> input(const std::string& text, const std::string& title,
                                     const std::string& defaultText) override;

    int messagesShown() const { return m_messages; }

  private:
    void writeLine(const std::string& line);
    void answered(const std::string& question, const char* answer);

    std::ostream& m_out;
    std::string m_program;
    std::optional<std::filesystem::path> m_log;
    int m_messages = 0;
};

}  // namespace download

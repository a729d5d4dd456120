#include "download/UnattendedPrompt.h"

#include <exception>

#include "common/Ini.h"
#include "download/DownloadStatus.h"
#include "download/MessageLine.h"
#include "download/Sets.h"

namespace download {

std::string messageKey(int n) { return "Message " + std::to_string(n); }

void UnattendedPrompt::writeLine(const std::string& line) {
    // Flushed at once: a script reading the stream sees each message as it happens.
    m_out << m_program << ": " << line << std::endl;
}

void UnattendedPrompt::message(const std::string& text, const std::string&) {
    const std::string line = messageLine(text);
    writeLine(line);
    ++m_messages;
    if (!m_log) return;
    try {
        common::ini::writeValueBefore(*m_log, kStatusSection, messageKey(m_messages), line,
                                      kCompleteKey);
    } catch (const std::exception&) {
        // Only the log's copy is lost; the line above is the message.
    }
}

void UnattendedPrompt::answered(const std::string& question, const char* answer) {
    writeLine(messageLine(question) + " - answered " + answer);
}

bool UnattendedPrompt::askYesNo(const std::string& text, const std::string&) {
    answered(text, "No");
    return false;
}

bool UnattendedPrompt::askOkCancel(const std::string& text, const std::string&) {
    answered(text, "Cancel");
    return false;
}

std::optional<std::string> UnattendedPrompt::input(const std::string& text, const std::string&,
                                                   const std::string&) {
    answered(text, "Cancel");
    return std::nullopt;
}

}  // namespace download

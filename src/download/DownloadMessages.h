#pragma once
// The download program's messages: every one goes through ShowDownloadMessage, a box with the
// title "Download" and an OK button. A run shows at most 19 of them: a recorder that keeps
// failing must not bury the user under boxes, while the log still records every outcome.
// Lines of a message are separated by CR LF.

#include "common/Prompt.h"

#include <string>

namespace download {

inline constexpr const char* kDownloadTitle = "Download";
inline constexpr int kMaxMessagesShown = 19;

inline constexpr const char* kBlankFileNameMessage = "Error - blank filename.";
inline constexpr const char* kNoTestsMessage = "There are no tests currently stored on the Corvane.";
inline constexpr const char* kSingleTestFailedMessage =
    "Error while downloading. Please ensure that cable is securely connected.";
inline constexpr const char* kDownloadCancelledMessage = "Download cancelled.";

// The recorder answered at none of the ports tried.
std::string notFoundMessage();
// A transfer broke off in a way that points at the cable, the recorder's power or the port.
std::string cableAdviceMessage();
// "Error while downloading test " + t + CR LF + "Ensure that cable is securely connected."
std::string testFailedMessage(int t);
// Said after the not-found message when no port could be reached at all (no permission, no
// device): the reason, so that a user without port access is not sent looking for the cable.
std::string noPortAccessMessage(const std::string& why);

class DownloadMessages {
public:
    explicit DownloadMessages(common::Prompt& prompt) : m_prompt(prompt) {}

    // Counts the message first; from the 20th message of the run on nothing is shown.
    void ShowDownloadMessage(const std::string& text);
    int messageCount() const { return m_messageCount; }

private:
    common::Prompt& m_prompt;
    int m_messageCount = 0;
};

}  // namespace download

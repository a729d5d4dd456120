#include "download/DownloadMessages.h"

#include <initializer_list>

namespace download {
namespace {

constexpr const char* kCrLf = "\r\n";

std::string lines(std::initializer_list<const char*> parts) {
    std::string text;
    bool first = true;
    for (const char* part : parts) {
        if (!first) text += kCrLf;
        text += part;
        first = false;
    }
    return text;
}

}  // namespace

std::string notFoundMessage() {
    return lines({"Corvane not found at 3 standard port locations.",
                  "",
                  "1. The Corvane may not be connected to the parallel port.",
                  "2. Ensure that the parallel port is not passing through a dongle or 'pass-through' port.",
                  "3. Try downloading with a different computer."});
}

std::string cableAdviceMessage() {
    return lines({"Error while downloading data.",
                  "1. Ensure that the cable is still firmly attached to the computer and the Pellion.",
                  "2. Ensure that the Pellion was not turned off while downloading.",
                  "3. There may be drivers present that are interfering with the parallel port.",
                  "   This can include drivers for software dongles even when the dongle is not attached",
                  "   or external CD burners that only use the USB port.",
                  "   Restarting in Safe Mode may allow downloading to finish.",
                  "4. There may be interference if it is attached to a pass-through port of another parallel port device.",
                  "5. If the cable is attached to a switchbox and the total length of all cable is more than",
                  "  10 ft or 3 m, it may not be able to communicate.",
                  "  Attach the Pellion cable directly to the computer."});
}

std::string testFailedMessage(int t) {
    return "Error while downloading test " + std::to_string(t) + kCrLf + "Ensure that cable is securely connected.";
}

std::string noPortAccessMessage(const std::string& why) {
    return std::string("The parallel port could not be opened.") + kCrLf + why;
}

void DownloadMessages::ShowDownloadMessage(const std::string& text) {
    ++m_messageCount;
    if (m_messageCount > kMaxMessagesShown) return;
    m_prompt.message(text, kDownloadTitle);
}

}  // namespace download

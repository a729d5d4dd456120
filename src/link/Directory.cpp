#include "link/Directory.h"

#include "link/LinkErrors.h"

#include <string>

namespace vantrel::link {

Directory ReadDirectory(SettingsLines& lines, KeySink* status) {
    constexpr int kLine = 2;
    Directory d;
    d.counter = lines.LineComposite(kLine, 3, 2, 1, 0) % 1000000;
    const int log2Slots = lines.LineByte(kLine, 4);
    d.freeSlots = lines.LineByte(kLine, 5);
    if (log2Slots > kMaxSlotsLog2) throw recorderNotFound(kLineUnreadable);
    d.slots = 1 << log2Slots;
    if (d.freeSlots > d.slots) throw recorderNotFound(kLineUnreadable);
    if (status) {
        status->write("Mes No", std::to_string(d.counter));
        status->write("Total Tests", std::to_string(d.slots));
        status->write("Rem Tests", std::to_string(d.freeSlots));
    }
    return d;
}

}  // namespace vantrel::link

#include "common/Prompt.h"

namespace common {

void ShowMessage(Prompt& prompt, const std::string& text) { prompt.message(text, kMessageTitle); }

std::string expandLineMarks(const std::string& text) {
    static constexpr std::string_view mark = "[nl]";
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (true) {
        const std::size_t hit = text.find(mark, pos);
        if (hit == std::string::npos) break;
        out.append(text, pos, hit - pos);
        out.push_back('\n');
        pos = hit + mark.size();
    }
    out.append(text, pos, std::string::npos);
    return out;
}

}  // namespace common

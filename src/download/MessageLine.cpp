#include "download/MessageLine.h"

#include <vector>

namespace download {
namespace {

struct Part {
    std::string_view text;  // without the blanks around it
    bool indented;          // began with a blank or a tab
};

std::string_view trimmedBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// The text's lines, split at CR LF, CR, LF and "[nl]", without the empty ones.
std::vector<Part> nonEmptyLines(std::string_view text) {
    static constexpr std::string_view kLineMark = "[nl]";
    std::vector<Part> parts;
    std::size_t begin = 0;
    auto take = [&](std::size_t end) {
        const std::string_view line = text.substr(begin, end - begin);
        const std::string_view trimmed = trimmedBlanks(line);
        if (!trimmed.empty())
            parts.push_back({trimmed, line.front() == ' ' || line.front() == '\t'});
    };
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '\r' || text[i] == '\n') {
            take(i);
            i += (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
            begin = i;
        } else if (text.substr(i, kLineMark.size()) == kLineMark) {
            take(i);
            i += kLineMark.size();
            begin = i;
        } else {
            ++i;
        }
    }
    take(text.size());
    return parts;
}

bool endsSentence(std::string_view s) {
    const char last = s.back();
    return last == '.' || last == '!' || last == '?' || last == ':';
}

}  // namespace

std::string messageLine(std::string_view text) {
    std::string line;
    const std::vector<Part> parts = nonEmptyLines(text);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) line += (parts[i].indented || endsSentence(parts[i - 1].text)) ? " " : "; ";
        line += parts[i].text;
    }
    return line;
}

}  // namespace download

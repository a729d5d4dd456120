#include "common/IniText.h"

#include <stdexcept>

namespace common::ini::text {
namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

struct Line {
    std::size_t begin;  // first byte of the line
    std::size_t end;    // one past the last byte before the line ending
    std::size_t next;   // first byte of the following line
};

std::vector<Line> splitLines(std::string_view content) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < content.size()) {
        std::size_t end = pos;
        while (end < content.size() && content[end] != '\n' && content[end] != '\r') ++end;
        std::size_t next = end;
        if (next < content.size() && content[next] == '\r') ++next;
        if (next < content.size() && content[next] == '\n') ++next;
        lines.push_back({pos, end, next});
        pos = next;
    }
    return lines;
}

// The section name of a "[name]" line, or nothing for any other line.
std::optional<std::string_view> sectionName(std::string_view line) {
    line = trimmed(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    line.remove_prefix(1);
    const std::size_t close = line.find(']');
    return trimmed(line.substr(0, close));
}

// The key of a "key=value" line, or nothing for any other line (comments included).
std::optional<std::string_view> keyName(std::string_view line) {
    const std::string_view t = trimmed(line);
    if (t.empty() || t.front() == ';' || t.front() == '[') return std::nullopt;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return trimmed(line.substr(0, eq));
}

// Lines of the first section of that name: [first, last) indexes after the header line;
// nothing when the section is missing.
struct SectionRange {
    std::size_t header;
    std::size_t first;
    std::size_t last;
};

std::optional<SectionRange> findSection(std::string_view content, const std::vector<Line>& lines,
                                        std::string_view section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto name = sectionName(content.substr(lines[i].begin, lines[i].end - lines[i].begin));
        if (!name || !sameName(*name, section)) continue;
        std::size_t j = i + 1;
        while (j < lines.size() &&
               !sectionName(content.substr(lines[j].begin, lines[j].end - lines[j].begin)))
            ++j;
        return SectionRange{i, i + 1, j};
    }
    return std::nullopt;
}

std::optional<std::size_t> findKey(std::string_view content, const std::vector<Line>& lines,
                                   const SectionRange& range, std::string_view key) {
    for (std::size_t i = range.first; i < range.last; ++i) {
        const auto name = keyName(content.substr(lines[i].begin, lines[i].end - lines[i].begin));
        if (name && sameName(*name, key)) return i;
    }
    return std::nullopt;
}

// The line ending used by the file, "\n" for a file that has none yet.
std::string_view lineEnding(std::string_view content) {
    const std::size_t lf = content.find('\n');
    if (lf != std::string_view::npos && lf > 0 && content[lf - 1] == '\r') return "\r\n";
    if (lf == std::string_view::npos && content.find('\r') != std::string_view::npos) return "\r";
    return "\n";
}

bool endsWithLineBreak(std::string_view content) {
    return content.empty() || content.back() == '\n' || content.back() == '\r';
}

}  // namespace

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::optional<std::string> find(std::string_view content, std::string_view section,
                                std::string_view key) {
    const std::vector<Line> lines = splitLines(content);
    const auto range = findSection(content, lines, section);
    if (!range) return std::nullopt;
    const auto at = findKey(content, lines, *range, key);
    if (!at) return std::nullopt;
    const std::string_view line = content.substr(lines[*at].begin, lines[*at].end - lines[*at].begin);
    return std::string(trimmed(line.substr(line.find('=') + 1)));
}

std::string withValue(std::string_view content, std::string_view section, std::string_view key,
                      std::string_view value) {
    const std::vector<Line> lines = splitLines(content);
    const std::string_view eol = lineEnding(content);
    std::string out;
    out.reserve(content.size() + section.size() + key.size() + value.size() + 8);

    const auto range = findSection(content, lines, section);
    if (!range) {
        out.append(content);
        if (!endsWithLineBreak(content)) out.append(eol);
        out.append("[").append(section).append("]").append(eol);
        out.append(key).append("=").append(value).append(eol);
        return out;
    }

    if (const auto at = findKey(content, lines, *range, key)) {
        const Line& line = lines[*at];
        const std::size_t eq = content.find('=', line.begin);
        out.append(content.substr(0, eq + 1));
        out.append(value);
        out.append(content.substr(line.end));
        return out;
    }

    // After the section's last non-blank line, so blank separator lines stay between sections.
    std::size_t after = range->header;
    for (std::size_t i = range->first; i < range->last; ++i)
        if (!trimmed(content.substr(lines[i].begin, lines[i].end - lines[i].begin)).empty())
            after = i;
    const Line& anchor = lines[after];
    out.append(content.substr(0, anchor.next));
    if (anchor.next == anchor.end) out.append(eol);  // last line of the file had no ending
    out.append(key).append("=").append(value).append(eol);
    out.append(content.substr(anchor.next));
    return out;
}

std::string withValueBefore(std::string_view content, std::string_view section, std::string_view key,
                            std::string_view value, std::string_view before) {
    const std::vector<Line> lines = splitLines(content);
    const auto range = findSection(content, lines, section);
    if (!range || findKey(content, lines, *range, key)) return withValue(content, section, key, value);
    const auto at = findKey(content, lines, *range, before);
    if (!at) return withValue(content, section, key, value);
    std::string out(content.substr(0, lines[*at].begin));
    out.append(key).append("=").append(value).append(lineEnding(content));
    out.append(content.substr(lines[*at].begin));
    return out;
}

std::string withoutKey(std::string_view content, std::string_view section, std::string_view key) {
    const std::vector<Line> lines = splitLines(content);
    const auto range = findSection(content, lines, section);
    if (!range) return std::string(content);
    const auto at = findKey(content, lines, *range, key);
    if (!at) return std::string(content);
    std::string out(content.substr(0, lines[*at].begin));
    out.append(content.substr(lines[*at].next));
    return out;
}

std::vector<std::string> keys(std::string_view content, std::string_view section) {
    const std::vector<Line> lines = splitLines(content);
    std::vector<std::string> out;
    const auto range = findSection(content, lines, section);
    if (!range) return out;
    for (std::size_t i = range->first; i < range->last; ++i)
        if (const auto name =
                keyName(content.substr(lines[i].begin, lines[i].end - lines[i].begin)))
            out.emplace_back(*name);
    return out;
}

std::vector<std::string> sections(std::string_view content) {
    std::vector<std::string> out;
    for (const Line& line : splitLines(content))
        if (const auto name = sectionName(content.substr(line.begin, line.end - line.begin)))
            out.emplace_back(*name);
    return out;
}

void checkWritable(std::string_view section, std::string_view key, std::string_view value) {
    auto hasBreak = [](std::string_view s) { return s.find_first_of("\r\n") != s.npos; };
    if (hasBreak(section) || hasBreak(key) || hasBreak(value))
        throw std::invalid_argument("INI names and values must not contain line breaks");
    if (trimmed(section).empty() || section.find(']') != section.npos)
        throw std::invalid_argument("invalid INI section name: [" + std::string(section) + "]");
    const std::string_view k = trimmed(key);
    if (k.empty() || key.find('=') != key.npos || k.front() == '[' || k.front() == ';')
        throw std::invalid_argument("invalid INI key name: " + std::string(key));
}

}  // namespace common::ini::text

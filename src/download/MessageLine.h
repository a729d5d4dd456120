#pragma once
// A download message as one line, for standard error and the run's log (an INI value holds no
// line break). The message boxes show CR LF, LF and "[nl]" as line breaks; here each break
// becomes a blank when the line before it ends a sentence (". ", so that a numbered list reads
// on) or when the line after it is indented (a wrapped item), and "; " otherwise. Empty lines
// and the blanks around lines are dropped.

#include <string>
#include <string_view>

namespace download {

std::string messageLine(std::string_view text);

}  // namespace download

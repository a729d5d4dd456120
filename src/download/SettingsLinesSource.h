#pragma once
// The recorder link's cached settings lines as the settings writer's line source: a line
// crosses the cable on its first use only, and a failed read records "Line n" and raises
// 3341 "PellionNotFound Error 44" inside the link.

#include "download/LineSource.h"
#include "link/SettingsLines.h"

namespace download {

class SettingsLinesSource final : public LineSource {
public:
    explicit SettingsLinesSource(vantrel::link::SettingsLines& lines) : m_lines(lines) {}
    LineBytes line(int n) override { return m_lines.lineBytes(n); }

private:
    vantrel::link::SettingsLines& m_lines;
};

}  // namespace download

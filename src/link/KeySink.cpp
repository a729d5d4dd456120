#include "link/KeySink.h"

#include "common/Ini.h"

namespace vantrel::link {

void IniSection::write(std::string_view key, std::string_view value) {
    if (m_file.empty()) return;
    common::ini::writeValue(m_file, m_section, key, value);
}

}  // namespace vantrel::link

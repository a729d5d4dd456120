#include "download/HeadlessView.h"

#include <utility>

namespace download {
namespace {

// " Test t of n   p % " (progressText) without the percentage and the blanks around it.
std::string testPart(const std::string& progress) {
    const std::size_t begin = progress.find_first_not_of(' ');
    if (begin == std::string::npos) return {};
    const std::size_t end = progress.find("   ", begin);
    return progress.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

}  // namespace

HeadlessView::HeadlessView(std::ostream* progress, std::string program)
    : m_progress(progress), m_program(std::move(program)) {}

void HeadlessView::showProgressText(const std::string& text) {
    if (!m_progress) return;
    std::string test = testPart(text);
    if (test.empty() || test == m_lastTest) return;
    m_lastTest = std::move(test);
    *m_progress << m_program << ": " << m_lastTest << std::endl;
}

}  // namespace download

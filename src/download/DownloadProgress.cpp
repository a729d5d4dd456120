#include "download/DownloadProgress.h"

#include <algorithm>
#include <cmath>

namespace download {

std::string progressText(std::int32_t testNr, std::int32_t nrTests, std::int64_t percent) {
    return " Test " + std::to_string(testNr) + " of " + std::to_string(nrTests) + "   " + std::to_string(percent) +
           " % ";
}

std::int64_t wholePercent(double fraction) {
    // The transfer reports 0 to 1; anything else is shown at the nearest end.
    const double p = std::isnan(fraction) ? 0.0 : std::clamp(fraction * 100.0, 0.0, 100.0);
    // Halves go to the even neighbour whatever the current rounding mode is.
    const double down = std::floor(p);
    const double rest = p - down;
    double whole = down;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(down, 2.0) != 0.0)) whole = down + 1.0;
    return static_cast<std::int64_t>(whole);
}

void DownloadProgress::SetPercentageDone(double vdPercentDone) {
    const std::int64_t p = wholePercent(vdPercentDone);
    if (p == m_lastPercent) return;
    m_lastPercent = p;
    m_view.showProgressText(progressText(m_testNr, m_nrTests, p));
    m_view.letEventsRun();
}

void DownloadProgress::SetTestNr(std::int32_t vlTestNr, std::int32_t vlNrTests) {
    // The text names the test: a new test shows its first report even at the percentage the
    // previous one ended with.
    if (vlTestNr != m_testNr || vlNrTests != m_nrTests) m_lastPercent = kNothingShown;
    m_testNr = vlTestNr;
    m_nrTests = vlNrTests;
}

void DownloadProgress::SetPortTypeUsed(vantrel::link::PortType vptTypeUsed) {
    m_view.showPortTypeText(vantrel::link::portTypeText(vptTypeUsed));
    m_view.letEventsRun();
}

void DownloadProgress::percentageDone(double fraction) {
    SetPercentageDone(fraction);
    m_view.transferTick();
}

}  // namespace download

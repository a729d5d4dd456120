#pragma once
// The transfer's progress as the download window shows it:
//   lblPctDone  " Test " + t + " of " + n + "   " + p + " % "   (p a whole percent)
//   lblTry      " Using ECP", " Using SPP", " Using EPP" or " Using SPPs"
// The percentage text changes, and window events run, only when the whole percent changes:
// the transfer reports every 2048 steps, far more often than a percent.

#include "download/DownloadView.h"
#include "link/TransferObserver.h"

#include <cstdint>
#include <string>

namespace download {

// " Test " + testNr + " of " + nrTests + "   " + percent + " % ".
std::string progressText(std::int32_t testNr, std::int32_t nrTests, std::int64_t percent);
// The fraction (0 to 1) as a whole percent, halves to the even neighbour.
std::int64_t wholePercent(double fraction);

class DownloadProgress final : public vantrel::link::TransferObserver {
public:
    explicit DownloadProgress(DownloadView& view) : m_view(view) {}

    // p = vdPercentDone x 100 to the nearest whole (halves to even); when p differs from the
    // last value shown (0 at first) the text is shown and events run.
    void SetPercentageDone(double vdPercentDone);
    // The test and the number of tests for the text. Another test than before shows its next
    // report whatever its percentage.
    void SetTestNr(std::int32_t vlTestNr, std::int32_t vlNrTests);
    // lblTry and events run.
    void SetPortTypeUsed(vantrel::link::PortType vptTypeUsed);

    void portTypeUsed(vantrel::link::PortType type) override { SetPortTypeUsed(type); }
    void percentageDone(double fraction) override;
    void letEventsRun() override { m_view.letEventsRun(); }

    std::int64_t lastPercentShown() const { return m_lastPercent; }

private:
    DownloadView& m_view;
    std::int32_t m_testNr = 0;
    std::int32_t m_nrTests = 0;
    static constexpr std::int64_t kNothingShown = -1;
    std::int64_t m_lastPercent = 0;
};

}  // namespace download

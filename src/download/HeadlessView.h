#pragma once
// The download view of a run without a window: nothing is shown. At the driver's event points
// (where a window lets its events run, and where its Cancel button acts) it calls a hook
// instead, so that a stop request from elsewhere, a signal for example, can cancel the run
// there. With a stream given it writes one line per test fetched, "<program>: Test t of n",
// at the test's first progress report; never a line per percent.

#include <functional>
#include <ostream>
#include <string>
#include <utility>

#include "download/DownloadView.h"

namespace download {

class HeadlessView final : public DownloadView {
  public:
    // progress: where the line per test goes; nullptr for none.
    HeadlessView(std::ostream* progress, std::string program);

    // Called at every event point; may be empty.
    void setEventHook(std::function<void()> hook) { m_hook = std::move(hook); }

    void showFileName(const std::string&) override {}
    void showWindow() override {}
    void downloadStarted() override {}
    void showProgressText(const std::string& text) override;
    void showPortTypeText(const std::string&) override {}
    void letEventsRun() override { eventPoint(); }
    void transferTick() override { eventPoint(); }
    void closeWindow() override {}

  private:
    void eventPoint() {
        if (m_hook) m_hook();
    }

    std::ostream* m_progress;
    std::string m_program;
    std::function<void()> m_hook;
    std::string m_lastTest;  // "Test t of n" of the last line written
};

}  // namespace download

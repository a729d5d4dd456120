#pragma once
// What the download driver shows in its window, and where it lets the window's events run.
// The window implements it; tests script it. Everything is called on the driver's thread.

#include <string>

namespace download {

class DownloadView {
public:
    virtual ~DownloadView() = default;

    // txtFileName: the root between two blanks.
    virtual void showFileName(const std::string& text) = 0;
    // The window becomes visible (before the recorder is looked for).
    virtual void showWindow() = 0;
    // The chosen tests are being fetched: the test boxes and the Download button are disabled,
    // the Cancel button is shown and enabled.
    virtual void downloadStarted() = 0;
    // lblPctDone.
    virtual void showProgressText(const std::string& text) = 0;
    // lblTry.
    virtual void showPortTypeText(const std::string& text) = 0;
    // Lets pending window events run (the Cancel button acts here).
    virtual void letEventsRun() = 0;
    // Called at every progress report of a transfer, whether or not the text changed. A
    // window whose progress text changes seldom (a percent of a full slot is thousands of
    // reports) lets its events run here now and then, so that it stays responsive.
    virtual void transferTick() {}
    // The run is over: the window closes and the program ends.
    virtual void closeWindow() = 0;
};

}  // namespace download

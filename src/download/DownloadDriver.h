#pragma once
// The download run of the multi-channel recorder, without its window: started with the
// file-name root, it finds the recorder on a parallel port, reads its directory, fetches the
// single stored test at once or lets the user choose among several, writes each chosen test's
// set file (root + NN + ".crv") and data file (root + NN + ".raw"), reports in the run's log
// (root + ".log") and ends by itself.
//
// The window drives it on one thread:
//   window load      Start()      -> true when the user must choose among several tests
//   Download button  Download()
//   Cancel button    Cancel()     (the running transfer stops at its next progress check)
//   window closing   WindowClosing() -> whether the window may close now
// and the driver calls back the window through DownloadView (texts, events, closing) and
// TestChooser (the check boxes), and shows its messages through the prompt (title "Download",
// at most 19 a run).
//
// How a run ends, in the log and in the set file of the test being written:
//   every chosen test fetched     "Complete" = "T"
//   no stored tests               message, "Complete" = "T" ("NrTests" = 0)
//   recorder not found, search
//   stopped, cable fault          message, "ErrorCode" 3341 (log only: no set file yet)
//   a test failed                 message, "ErrorCode" 3342
//   the user cancelled            message, "ErrorCode" 3343 while chosen tests were being
//                                 fetched; 3342 for the single test
//   an error raised while chosen
//   tests were being fetched      cable advice, "Errors"/"Complete" in the set file,
//                                 "Error"/"Complete" in the log
//   window closed while tests
//   are offered                   "ErrorCode" 3343 (log only), so that the caller polling
//                                 the log learns that the run is over
//   blank root                    "Error - blank filename.", nothing written
// Every failed run leaves "Error" = "T" before "Complete" = "T" in the log; a test whose data
// were not all read is never reported complete without "Error".

#include "common/Prompt.h"
#include "download/DownloadDate.h"
#include "download/DownloadMessages.h"
#include "download/DownloadProgress.h"
#include "download/DownloadView.h"
#include "download/Sets.h"
#include "download/SettingsKeySink.h"
#include "download/StatusKeySink.h"
#include "download/TestChooser.h"
#include "link/CommandChannel.h"
#include "link/Directory.h"
#include "link/LocateRecorder.h"
#include "link/Port.h"
#include "link/RawTransfer.h"
#include "link/SampleGeometry.h"
#include "link/SettingsLines.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace download {

struct DriverOptions {
    // The port the recorder is looked for on (an emulated recorder behind it, for example);
    // nullptr: the real parallel ports, probed at each attempt.
    std::unique_ptr<vantrel::link::Port> port;
    // The shared settings file with the saved port "PL2 Port"; empty: common::sharedSettingsFile().
    std::filesystem::path settingsFile;
    // Words of the recorder's sample memory (an emulated recorder may have fewer).
    std::uint64_t memoryWords = vantrel::link::kFullMemoryWords;
    // The clock of "Download Date".
    DownloadClock clock = localTimeNow;
};

enum class DriverState { NotStarted, Locating, AwaitingChoice, Downloading, Ended };

// How the run ended, as the log says.
enum class RunResult { None, Complete, Failed };

class DownloadDriver {
public:
    // fileRoot: the whole command-line argument string, unchanged.
    DownloadDriver(std::string fileRoot, common::Prompt& prompt, DownloadView& view, TestChooser& chooser,
                   DriverOptions options = {});
    ~DownloadDriver();
    DownloadDriver(const DownloadDriver&) = delete;
    DownloadDriver& operator=(const DownloadDriver&) = delete;

    // The window was loaded. Returns true when the window stays open for the user's choice;
    // otherwise the run is over and the window was told to close.
    bool Start();
    // The Download button: fetches the ticked tests, then ends the run.
    void Download();
    // The Cancel button.
    void Cancel();
    // The user closes the window. While the recorder is searched for or tests are fetched this
    // cancels instead and returns false (the run ends by itself soon after); while tests are
    // offered it ends the run as cancelled; otherwise it only returns true.
    bool WindowClosing();

    // One connection attempt of the port search: the port selected, in standard mode, the
    // directory read. Throws when no recorder answers there.
    void ConnectAt(std::int32_t port);
    // Writes the set file and the data file of stored test t: 1 done, 2 failed, 3 cancelled.
    // Errors of the settings writer and the transfer travel to the caller.
    int DownloadTest(int t);

    const std::string& fileRoot() const { return m_fileRoot; }
    DriverState state() const { return m_state; }
    bool awaitingChoice() const { return m_state == DriverState::AwaitingChoice; }
    RunResult result() const { return m_result; }
    std::int32_t storedTests() const { return m_storedTests; }
    std::int32_t measurementBase() const { return m_measurementBase; }
    const vantrel::link::Directory& directory() const { return m_directory; }
    const vantrel::link::LocateResult& locateResult() const { return m_locate; }
    int messageCount() const { return m_messages.messageCount(); }
    void ShowDownloadMessage(const std::string& text) { m_messages.ShowDownloadMessage(text); }

private:
    bool startRun();
    void afterLocate();
    void downloadSingleTest();
    void downloadChosenTests();
    void correctReducedMemoryLength();
    void reportError(long code);
    void reportComplete();
    void reportFailure();
    void unexpectedError(const std::exception& e);
    void end();

    std::string m_fileRoot;
    DownloadMessages m_messages;
    DownloadView& m_view;
    TestChooser& m_chooser;
    DriverOptions m_options;

    std::unique_ptr<vantrel::link::Port> m_port;
    vantrel::link::CommandChannel m_channel;
    vantrel::link::SettingsLines m_lines;
    vantrel::link::RawTransfer m_transfer;
    Sets m_sets;
    StatusKeySink m_statusSink;
    SettingsKeySink m_settingsSink;
    DownloadProgress m_progress;

    DriverState m_state = DriverState::NotStarted;
    RunResult m_result = RunResult::None;
    vantrel::link::LocateResult m_locate;
    vantrel::link::Directory m_directory;
    std::int32_t m_storedTests = 0;
    std::int32_t m_measurementBase = 0;
};

}  // namespace download

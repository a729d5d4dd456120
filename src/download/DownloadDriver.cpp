#include "download/DownloadDriver.h"

#include "common/Error.h"
#include "download/DownloadFileNames.h"
#include "download/DownloadStatus.h"
#include "download/SettingsLinesSource.h"
#include "download/SettingsWriter.h"
#include "download/TestHeader.h"
#include "link/LinkErrors.h"

#include <exception>
#include <utility>

namespace download {

namespace vlink = vantrel::link;

namespace {

std::unique_ptr<vlink::Port> portOrHardware(std::unique_ptr<vlink::Port> port) {
    return port ? std::move(port) : std::make_unique<vlink::Port>();
}

}  // namespace

DownloadDriver::DownloadDriver(std::string fileRoot, common::Prompt& prompt, DownloadView& view,
                               TestChooser& chooser, DriverOptions options)
    : m_fileRoot(std::move(fileRoot)),
      m_messages(prompt),
      m_view(view),
      m_chooser(chooser),
      m_options(std::move(options)),
      m_port(portOrHardware(std::move(m_options.port))),
      m_channel(*m_port),
      m_lines(m_channel),
      m_transfer(*m_port, m_channel),
      m_statusSink(m_sets),
      m_settingsSink(m_sets),
      m_progress(view) {
    m_lines.setStatus(&m_statusSink);
    m_transfer.setObserver(&m_progress);
    m_transfer.setSettings(&m_settingsSink);
    m_transfer.setMemoryWords(m_options.memoryWords);
}

DownloadDriver::~DownloadDriver() = default;

bool DownloadDriver::Start() {
    if (m_state != DriverState::NotStarted) return awaitingChoice();
    try {
        return startRun();
    } catch (const std::exception& e) {
        unexpectedError(e);
        return false;
    }
}

bool DownloadDriver::startRun() {
    m_view.showFileName(" " + m_fileRoot + " ");
    if (isBlankRoot(m_fileRoot)) {
        ShowDownloadMessage(kBlankFileNameMessage);
        end();
        return false;
    }
    m_view.showWindow();
    m_state = DriverState::Locating;
    m_sets.SetLogFile(logFileName(m_fileRoot));

    vlink::LocateOptions options;
    options.settingsFile = m_options.settingsFile;
    options.status = &m_statusSink;
    options.letEventsRun = [this] { m_view.letEventsRun(); };
    m_locate = vlink::LocateRecorder([this](std::int32_t port) { ConnectAt(port); }, options);

    switch (m_locate.outcome) {
    case vlink::LocateOutcome::Found:
        afterLocate();
        return awaitingChoice();
    case vlink::LocateOutcome::Cancelled:
        reportError(kRecorderNotFound);
        break;
    case vlink::LocateOutcome::CableFault:
        ShowDownloadMessage(cableAdviceMessage());
        reportError(kRecorderNotFound);
        break;
    case vlink::LocateOutcome::NotFound:
        ShowDownloadMessage(notFoundMessage());
        reportError(kRecorderNotFound);
        break;
    case vlink::LocateOutcome::NoAccess:
        ShowDownloadMessage(notFoundMessage());
        ShowDownloadMessage(noPortAccessMessage(m_locate.accessProblem));
        reportError(kRecorderNotFound);
        break;
    }
    end();
    return false;
}

void DownloadDriver::ConnectAt(std::int32_t port) {
    // The window may have been closed while the previous port was tried.
    if (m_transfer.cancelRequested())
        throw common::Error(vlink::kSearchCancelled, vlink::kDownloadSource, "Search stopped");
    m_lines.ClearLineCache();
    m_port->SetPortBase(port);
    m_port->EnterStandardMode();
    m_port->IdlePort();
    m_directory = vlink::ReadDirectory(m_lines, &m_statusSink);
    m_storedTests = m_directory.storedTests();
    m_measurementBase = m_directory.counter + m_directory.freeSlots - m_directory.slots;
}

void DownloadDriver::afterLocate() {
    logStoredTests(m_sets, m_storedTests);
    if (m_storedTests == 1) {
        downloadSingleTest();
        end();
        return;
    }
    if (m_storedTests <= 0) {
        ShowDownloadMessage(kNoTestsMessage);
        // The caller polls the log until the run is complete, even when there was nothing.
        reportComplete();
        end();
        return;
    }
    m_chooser.SetNrTests(m_storedTests);
    m_state = DriverState::AwaitingChoice;
}

void DownloadDriver::downloadSingleTest() {
    m_state = DriverState::Downloading;
    m_view.downloadStarted();
    int outcome = vlink::kTestFailed;
    try {
        outcome = DownloadTest(1);
    } catch (const std::exception&) {
        ShowDownloadMessage(cableAdviceMessage());
        reportError(kDownloadFailed);
        return;
    }
    switch (outcome) {
    case vlink::kTestDone:
        reportComplete();
        break;
    case vlink::kTestCancelled:
        ShowDownloadMessage(kDownloadCancelledMessage);
        reportError(kDownloadFailed);
        break;
    default:
        ShowDownloadMessage(kSingleTestFailedMessage);
        reportError(kDownloadFailed);
        break;
    }
}

void DownloadDriver::Download() {
    if (m_state != DriverState::AwaitingChoice) return;
    m_state = DriverState::Downloading;
    try {
        downloadChosenTests();
    } catch (const std::exception&) {
        ShowDownloadMessage(cableAdviceMessage());
        try {
            reportFailure();
        } catch (const std::exception& e) {
            unexpectedError(e);
            return;
        }
    }
    end();
}

void DownloadDriver::downloadChosenTests() {
    m_view.downloadStarted();
    for (int t = 1; t <= m_storedTests; ++t) {
        if (!m_chooser.testChosen(t)) continue;
        const int outcome = DownloadTest(t);
        if (outcome == vlink::kTestCancelled) {
            reportError(kDownloadCancelled);
            ShowDownloadMessage(kDownloadCancelledMessage);
            return;
        }
        if (outcome != vlink::kTestDone) {
            ShowDownloadMessage(testFailedMessage(t));
            reportError(kDownloadFailed);
            return;
        }
    }
    reportComplete();
}

int DownloadDriver::DownloadTest(int t) {
    m_sets.SetCurrentSetFile(setFileName(m_fileRoot, t));
    SettingsLinesSource source(m_lines);
    SettingsWriter writer(m_sets, source, m_directory.slots, m_options.clock);
    const TriggerAndStop ts = writer.WriteTestSettings(t, m_measurementBase + t);
    correctReducedMemoryLength();
    m_sets.WriteSettingNumber("TestNr", t);
    m_sets.WriteSettingNumber("NrTests", m_storedTests);
    m_sets.WriteSettingNumber("ASTOP", ts.astop);
    writer.WriteInitialSamples(t);
    m_progress.SetTestNr(t, m_storedTests);
    // Marked before its data are read: the caller learns which tests this run touched.
    logTestStored(m_sets, t);
    return m_transfer.DownloadSamples(rawFileName(m_fileRoot, t), ts.astop, t, m_directory.slots);
}

// "NumPtsDownloaded" is the slot of the real recorder's memory; a recorder with less memory
// (an emulated one) gives shorter data files, and the set file must tell their true length.
void DownloadDriver::correctReducedMemoryLength() {
    if (m_options.memoryWords == vlink::kFullMemoryWords) return;
    const std::uint64_t words = m_options.memoryWords / static_cast<std::uint64_t>(m_directory.slots);
    m_sets.WriteSettingNumber("NumPtsDownloaded", words);
}

void DownloadDriver::Cancel() { m_transfer.cancel(); }

bool DownloadDriver::WindowClosing() {
    switch (m_state) {
    case DriverState::Locating:
    case DriverState::Downloading:
        Cancel();
        return false;
    case DriverState::AwaitingChoice:
        try {
            reportError(kDownloadCancelled);
        } catch (const std::exception&) {
            // The log cannot be written: nothing is left to tell; the window closes anyway.
        }
        m_state = DriverState::Ended;
        return true;
    case DriverState::NotStarted:
    case DriverState::Ended:
        return true;
    }
    return true;
}

void DownloadDriver::reportError(long code) {
    m_result = RunResult::Failed;
    ReportError(m_sets, code);
}

void DownloadDriver::reportFailure() {
    m_result = RunResult::Failed;
    ReportFailure(m_sets);
}

void DownloadDriver::reportComplete() {
    m_result = RunResult::Complete;
    ReportComplete(m_sets);
}

// An error outside the download of a test: the log or a set file cannot be written. The run
// cannot report through its files any more; the user is told why.
void DownloadDriver::unexpectedError(const std::exception& e) {
    m_result = RunResult::Failed;
    ShowDownloadMessage(e.what());
    end();
}

void DownloadDriver::end() {
    if (m_state == DriverState::Ended) return;
    m_state = DriverState::Ended;
    m_view.closeWindow();
}

}  // namespace download

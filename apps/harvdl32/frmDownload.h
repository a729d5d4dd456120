#pragma once
// The download program's window: the file-name root, the test boxes 1 to 16, the Download
// and Cancel buttons, the progress and the port mode. A thin layer over download::DownloadDriver,
// which runs on this window's thread: the window lets its events run at the driver's progress
// points (at least every 100 ms during a transfer), where Cancel takes effect. Closing the
// window during a run presses Cancel instead; the run then ends by itself.
//
// The window emits ended() once the run is over (the program then ends).

#include "download/DownloadDriver.h"
#include "download/DownloadView.h"
#include "download/TestChooser.h"

#include <QElapsedTimer>
#include <QWidget>

#include <array>
#include <memory>
#include <string>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace harvdl32 {

class frmDownload final : public QWidget, public download::DownloadView, public download::TestChooser {
    Q_OBJECT

public:
    static constexpr int kBoxes = 16;
    // At most this long between two event runs during a transfer.
    static constexpr int kEventIntervalMs = 100;

    frmDownload(std::string fileRoot, common::Prompt& prompt, download::DriverOptions options,
                QWidget* parent = nullptr);
    ~frmDownload() override;

    // Starts the run (the window's load) as soon as the event loop runs.
    void load();
    download::DownloadDriver& driver() { return *m_driver; }
    bool runEnded() const { return m_ended; }

    // DownloadView
    void showFileName(const std::string& text) override;
    void showWindow() override;
    void downloadStarted() override;
    void showProgressText(const std::string& text) override;
    void showPortTypeText(const std::string& text) override;
    void letEventsRun() override;
    void transferTick() override;
    void closeWindow() override;
    // TestChooser
    void SetNrTests(int vlNrStoredTests) override;
    bool testChosen(int t) const override;

Q_SIGNALS:
    void ended();

protected:
    void closeEvent(QCloseEvent* event) override;

private Q_SLOTS:
    void Form_Load();
    void cmdStart_Click();
    void cmdCancel_Click();

private:
    void finish();

    QLineEdit* txtFileName;
    QGroupBox* Frame1;
    std::array<QCheckBox*, kBoxes> chkGetTest{};
    QLabel* lblInstructions;
    QPushButton* cmdStart;
    QPushButton* cmdCancel;
    QLabel* lblPctDone;
    QLabel* lblTry;

    QElapsedTimer m_sinceEvents;
    std::unique_ptr<download::DownloadDriver> m_driver;
    bool m_ended = false;
};

}  // namespace harvdl32

// The download window against the emulated recorder, without a screen: it runs the driver on
// its own thread of events and ends by itself.

#include "common/Ini.h"
#include "common/ScriptedPrompt.h"
#include "download/DownloadFileNames.h"
#include "harvdl32/frmDownload.h"
#include "link/Port.h"
#include "recsim/DefaultImage.h"
#include "recsim/Emulator.h"
#include "support/QtApplicationEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

class DownloadWindow : public ::testing::Test {
protected:
    void make(int tests) {
        recsim::ImageOptions o;
        o.tests = tests;
        o.slots = 4;
        o.memoryWords = 4 * 6144;
        download::DriverOptions options;
        options.port = std::make_unique<vantrel::link::Port>(std::make_unique<recsim::Emulator>(recsim::makeImage(o)));
        options.settingsFile = m_dir / "vantrel.ini";
        options.memoryWords = o.memoryWords;
        m_window = std::make_unique<harvdl32::frmDownload>(m_root, m_prompt, std::move(options));
        QObject::connect(m_window.get(), &harvdl32::frmDownload::ended, &m_loop, &QEventLoop::quit);
    }
    // Runs events until the window ends the run (or a generous limit passes).
    bool runUntilEnded() {
        if (m_window->runEnded()) return true;
        QTimer::singleShot(20000, &m_loop, &QEventLoop::quit);
        m_loop.exec();
        return m_window->runEnded();
    }
    template <typename T>
    T* child(const char* name) const {
        return m_window->findChild<T*>(QString::fromLatin1(name));
    }
    std::optional<std::string> logKey(const std::string& key) const {
        return common::ini::readValue(download::logFileName(m_root), "Status", key);
    }

    testsupport::TempDir m_dir;
    testsupport::ScopedVantrelHome m_home{m_dir.path()};
    std::string m_root = (m_dir / "shot_").string();
    common::ScriptedPrompt m_prompt;
    QEventLoop m_loop;
    std::unique_ptr<harvdl32::frmDownload> m_window;
};

TEST_F(DownloadWindow, OneTestIsFetchedAndTheWindowEndsByItself) {
    make(1);
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("Corvane Download"));
    m_window->load();
    ASSERT_TRUE(runUntilEnded());
    EXPECT_FALSE(m_window->isVisible());
    EXPECT_EQ(child<QLineEdit>("txtFileName")->text().toStdString(), " " + m_root + " ");
    EXPECT_EQ(child<QLabel>("lblPctDone")->text(), QStringLiteral(" Test 1 of 1   63 % "));
    EXPECT_EQ(child<QLabel>("lblTry")->text(), QStringLiteral(" Using ECP"));
    EXPECT_TRUE(child<QCheckBox>("chkGetTest1")->isHidden());
    EXPECT_EQ(logKey("Complete"), "T");
    EXPECT_FALSE(logKey("Error"));
    EXPECT_TRUE(std::filesystem::exists(download::rawFileName(m_root, 1)));
    EXPECT_TRUE(m_prompt.shown().empty());
}

TEST_F(DownloadWindow, SeveralTestsWaitForTheTickedOnes) {
    make(3);
    m_window->load();
    QCoreApplication::processEvents();
    ASSERT_FALSE(m_window->runEnded());
    for (int i = 1; i <= 16; ++i) {
        const auto* box = child<QCheckBox>(("chkGetTest" + std::to_string(i)).c_str());
        EXPECT_EQ(!box->isHidden(), i <= 3) << i;
        EXPECT_EQ(box->isChecked(), i <= 3) << i;
    }
    EXPECT_EQ(child<QLabel>("lblInstructions")->text(),
              QStringLiteral("Click on test numbers to choose  which tests will be retrieved."));
    child<QCheckBox>("chkGetTest2")->setChecked(false);
    child<QPushButton>("cmdStart")->click();
    ASSERT_TRUE(runUntilEnded());
    EXPECT_FALSE(child<QPushButton>("cmdCancel")->isHidden());
    EXPECT_TRUE(std::filesystem::exists(download::setFileName(m_root, 1)));
    EXPECT_FALSE(std::filesystem::exists(download::setFileName(m_root, 2)));
    EXPECT_TRUE(std::filesystem::exists(download::setFileName(m_root, 3)));
    EXPECT_EQ(logKey("Complete"), "T");
}

TEST_F(DownloadWindow, ClosedWhileTestsAreOfferedTheRunEndsAsCancelled) {
    make(2);
    m_window->load();
    QCoreApplication::processEvents();
    ASSERT_FALSE(m_window->runEnded());
    m_window->close();
    ASSERT_TRUE(runUntilEnded());
    EXPECT_EQ(logKey("Complete"), "T");
    EXPECT_EQ(logKey("Error"), "T");
    EXPECT_FALSE(std::filesystem::exists(download::setFileName(m_root, 1)));
}

}  // namespace

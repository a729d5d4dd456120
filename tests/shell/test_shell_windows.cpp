// The main window, the start box and the open-test window without a screen.

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "ShellFixture.h"
#include <QCheckBox>

#include "corvane/frmCopySet.h"
#include "corvane/frmIntroBx.h"
#include "corvane/frmMDImain.h"
#include "corvane/frmOpenSet.h"
#include "support/QtApplicationEnvironment.h"

namespace {

namespace fs = std::filesystem;

class MainWindow : public ::testing::Test {
protected:
    MainWindow() {
        fs::create_directories(m_data);
        for (const char* ext : {".crv", ".raw"})
            fs::copy_file(shelltest::sampleRoot().string() + ext,
                          m_data / (std::string("CV2026Dec001_01") + ext));
        m_window.show();
        m_window.Start();
    }
    void key(QWidget* target, char c) {
        const QString text(QChar::fromLatin1(c));
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
        QApplication::sendEvent(target, &press);
    }
    // Runs pending events, closed windows included.
    static void settle() {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QStringList childTitles() const {
        QStringList titles;
        for (QMdiSubWindow* w : m_window.mdiArea()->subWindowList()) titles << w->windowTitle();
        titles.sort();
        return titles;
    }
    void openSample() {
        corvane::frmOpenSet* open = m_window.openDialog();
        open->setDirectory(QString::fromStdString(m_data.string()));
        auto* files = open->findChild<QListWidget*>("filOpen");
        ASSERT_EQ(files->count(), 1);
        open->findChild<QLineEdit*>("txtName")->setText(files->item(0)->text());
        open->findChild<QPushButton*>("cmdOpen")->click();
    }

    testsupport::TempDir m_dir;
    testsupport::ScopedVantrelHome m_home{m_dir.path()};
    fs::path m_data = m_dir / "tests";
    common::ScriptedPrompt m_prompt;
    corvane::frmMDImain m_window{m_prompt, "/opt/corvane/"};
};

TEST_F(MainWindow, StartBoxKeys) {
    EXPECT_EQ(m_window.windowTitle(), "Corvane");
    corvane::frmIntroBx* box = m_window.startBox();
    ASSERT_TRUE(box->isVisible());
    EXPECT_EQ(box->windowTitle(), " Main Menu");

    key(box, 'q');
    EXPECT_TRUE(box->isVisible());
    EXPECT_TRUE(m_prompt.shown().empty());

    key(box, 'r');
    EXPECT_EQ(m_prompt.messages(), (std::vector<std::string>{shell::kRetrieveNotAvailable}));
    EXPECT_TRUE(box->isVisible());

    key(box, 'A');
    EXPECT_FALSE(box->isVisible());
    EXPECT_TRUE(m_window.openDialog()->isVisible());
    EXPECT_EQ(m_window.openDialog()->windowTitle(), " Choose Corvane file");

    m_window.mainShell().ExitGraphs();
    ASSERT_TRUE(box->isVisible());
    key(box, 'X');
    settle();
    EXPECT_FALSE(m_window.isVisible());
    EXPECT_TRUE(m_window.mainShell().bEnded());
}

TEST_F(MainWindow, OpeningTheSampleThenClosingReturnsToTheStartBox) {
    key(m_window.startBox(), 'a');
    openSample();
    settle();
    EXPECT_FALSE(m_window.openDialog()->isVisible());
    EXPECT_EQ(m_window.graphs().lCount(), 1);
    EXPECT_EQ(childTitles(), (QStringList{"Channel 1", "Channel 2"}));
    EXPECT_EQ(m_prompt.messages(), (std::vector<std::string>{"All graphs drawn."}));
    EXPECT_FALSE(m_window.findChild<QWidget*>("picMessage")->isVisible());

    // The first close only leaves the graphs.
    EXPECT_FALSE(m_window.close());
    settle();
    EXPECT_TRUE(m_window.isVisible());
    EXPECT_TRUE(m_window.startBox()->isVisible());
    EXPECT_FALSE(m_window.graphs().IsAnyDatasetOpen());
    EXPECT_TRUE(childTitles().isEmpty());

    EXPECT_TRUE(m_window.close());
    EXPECT_FALSE(m_window.isVisible());
}

TEST_F(MainWindow, TypingIntoTheOpenNameBoxTakesOnlyLettersAndDigits) {
    key(m_window.startBox(), 'a');
    corvane::frmOpenSet* open = m_window.openDialog();
    open->setDirectory(QString::fromStdString(m_data.string()));
    auto* name = open->findChild<QLineEdit*>("txtName");
    for (char c : std::string("CV2026 Dec.001_01")) key(name, c);
    EXPECT_EQ(name->text(), "CV2026Dec00101");

    // A clicked file's name keeps its extension, and the typed root of an existing file opens.
    auto* files = open->findChild<QListWidget*>("filOpen");
    Q_EMIT files->itemClicked(files->item(0));
    EXPECT_EQ(name->text(), "CV2026Dec001_01.crv");
    EXPECT_NE(open->findChild<QWidget*>("txtComment")->property("plainText").toString().indexOf("Bench 3"), -1);
}

TEST_F(MainWindow, SavingACopyClosesTheTestSetsAndCompressesOnTheWay) {
    key(m_window.startBox(), 'a');
    openSample();
    const fs::path source = m_data / "CV2026Dec001_01.crv";
    m_window.SaveFile(QString::fromStdString(source.string()));
    EXPECT_FALSE(m_window.graphs().IsAnyDatasetOpen());

    corvane::frmCopySet* copy = m_window.copyDialog();
    ASSERT_TRUE(copy->isVisible());
    EXPECT_EQ(copy->windowTitle(), " Save Data Set As ...");
    auto* name = copy->findChild<QLineEdit*>("txtName");
    EXPECT_EQ(name->text(), "CV2026Dec001_01");
    EXPECT_EQ(copy->findChild<QLabel*>("lblCompression")->text(), "Uncompressed");
    const fs::path target = m_dir / "copies";
    fs::create_directories(target);
    copy->setDirectory(QString::fromStdString(target.string()));
    EXPECT_TRUE(copy->findChild<QLabel*>("lblFreeSpace")->text().endsWith(" MB free"));

    name->setText("Packed");
    copy->findChild<QCheckBox*>("chkCompress")->setChecked(true);
    m_prompt.clear();
    copy->findChild<QPushButton*>("cmdSave")->click();
    EXPECT_FALSE(copy->isVisible());
    EXPECT_TRUE(fs::exists(target / "Packed.crv"));
    EXPECT_TRUE(fs::exists(target / "Packed.cmp"));
    EXPECT_FALSE(fs::exists(target / "Packed.raw"));
}

TEST_F(MainWindow, BottomBarAndStopButton) {
    auto* bar = m_window.findChild<QWidget*>("picMessage");
    auto* label = m_window.findChild<QLabel*>("lblMessage");
    auto* stop = m_window.findChild<QPushButton*>("cmdStop");
    EXPECT_FALSE(bar->isVisible());

    m_window.mdiParent().SetGraphTotal(7);
    m_window.mdiParent().ShowGraphProgress(3, 2);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_FALSE(stop->isVisible());
    EXPECT_EQ(label->text(), "Graph 3 of 7 (2 deleted )");

    m_window.bottomBar().ShowMovedPtsStopButton();
    EXPECT_TRUE(stop->isVisible());
    EXPECT_EQ(label->text(), "");
    stop->click();
    EXPECT_TRUE(m_window.bottomBar().bStopRequested());
    m_window.bottomBar().HideMovedPtsStopButton();
    EXPECT_FALSE(bar->isVisible());
}

}  // namespace

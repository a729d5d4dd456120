// The bottom bar, the start box, the main window's closing rules and the manuals.

#include <fstream>
#include <string>
#include <vector>

#include "ShellFixture.h"
#include "analysis/shell/BottomBar.h"
#include "analysis/shell/MainShell.h"
#include "analysis/shell/ManualFiles.h"
#include "analysis/shell/StartBox.h"

namespace shelltest {
namespace {

TEST(BottomBar, GraphProgressAndMovedPointsTexts) {
    struct Case {
        std::int32_t total, i, deleted;
        const char* text;
    };
    const std::vector<Case> cases = {
        {7, 3, 0, "Graph 3 of 7"},
        {7, 3, 2, "Graph 3 of 7 (2 deleted )"},
        {1, 1, 0, "Graph 1 of 1"},
    };
    for (const Case& c : cases) {
        shell::BottomBar bar;
        shell::msgMDIparent parent(bar);
        parent.SetGraphTotal(c.total);
        parent.ShowGraphProgress(c.i, c.deleted);
        EXPECT_EQ(bar.text(), c.text);
        EXPECT_TRUE(bar.visible());
        parent.CloseStatus();
        EXPECT_FALSE(bar.visible());
    }

    shell::BottomBar bar;
    bar.SetNrPtsMoved(120);
    EXPECT_EQ(bar.text(), "120 points moved of 0");
    bar.SetNrPts2move(600);
    bar.SetNrPtsMoved(120);
    EXPECT_EQ(bar.text(), "120 points moved of 600");
}

TEST(BottomBar, StopButtonRunsStartUnstoppedAndProgressFollowsTheBar) {
    shell::BottomBar bar;
    int pumped = 0;
    shell::BottomBarProgress progress(bar, [&] { ++pumped; });

    bar.ShowMovedPtsStopButton();
    EXPECT_TRUE(bar.visible());
    EXPECT_TRUE(bar.stopButtonVisible());
    EXPECT_EQ(bar.text(), "");
    EXPECT_FALSE(progress.step());
    bar.RequestStop();
    EXPECT_TRUE(progress.step());
    EXPECT_EQ(pumped, 2);
    bar.HideMovedPtsStopButton();
    EXPECT_FALSE(bar.visible());
    EXPECT_FALSE(bar.stopButtonVisible());
    bar.ShowMovedPtsStopButton();  // the next run is not stopped by the last one's press
    EXPECT_FALSE(progress.step());

    progress.setText("Graph 1 of 2");
    EXPECT_TRUE(bar.visible());
    EXPECT_EQ(bar.text(), "Graph 1 of 2");
    progress.setText("");
    EXPECT_FALSE(bar.visible());
}

TEST(StartBox, KeysAndToolbarKeys) {
    struct KeyCase {
        char key;
        std::optional<shell::StartChoice> choice;
    };
    const std::vector<KeyCase> keys = {
        {'A', shell::StartChoice::Analyze}, {'a', shell::StartChoice::Analyze},
        {'R', shell::StartChoice::Retrieve}, {'r', shell::StartChoice::Retrieve},
        {'X', shell::StartChoice::Exit},    {'x', shell::StartChoice::Exit},
        {'E', std::nullopt},                {' ', std::nullopt},
        {'\r', std::nullopt},
    };
    for (const KeyCase& c : keys) EXPECT_EQ(shell::startChoiceForKey(c.key), c.choice) << c.key;

    EXPECT_EQ(shell::startChoiceForToolbarKey("Analyze"), shell::StartChoice::Analyze);
    EXPECT_EQ(shell::startChoiceForToolbarKey("Retrieve"), shell::StartChoice::Retrieve);
    EXPECT_EQ(shell::startChoiceForToolbarKey("analyze"), shell::StartChoice::Exit);
    EXPECT_EQ(shell::startChoiceForToolbarKey(""), shell::StartChoice::Exit);

    const shell::BoxPosition p = shell::CenterFrm(1001, 801, 300, 200);
    EXPECT_EQ(p.left, 350);
    EXPECT_EQ(p.top, 300);
}

class FakeShellView final : public shell::ShellView {
public:
    void showStartBox() override { events.push_back("start box"); }
    void hideStartBox() override { events.push_back("hide start box"); }
    void showOpenDialog() override { events.push_back("open dialog"); }
    void endProgram() override { events.push_back("end"); }
    std::vector<std::string> events;
};

class MainShellTest : public ShellFixture {
protected:
    FakeShellView m_view;
    shell::MainShell m_shell{m_graphs, m_prompt, m_view};
};

TEST_F(MainShellTest, ClosingWithTestSetsOpenReturnsToTheStartBoxThenEnds) {
    m_shell.Start("/opt/corvane/");
    m_shell.Choose(shell::StartChoice::Analyze);
    EXPECT_EQ(m_view.events, (std::vector<std::string>{"start box", "hide start box", "open dialog"}));
    ASSERT_TRUE(m_graphs.OpenTestSet(addTest("A").string(), true));
    ASSERT_TRUE(m_graphs.OpenTestSet(addTest("B").string(), true));

    m_view.events.clear();
    EXPECT_FALSE(m_shell.QueryClose());
    EXPECT_FALSE(m_graphs.IsAnyDatasetOpen());
    EXPECT_TRUE(m_shell.bStartBoxShown());
    EXPECT_EQ(m_view.events, (std::vector<std::string>{"start box"}));
    EXPECT_TRUE(m_shell.QueryClose());
    EXPECT_TRUE(m_shell.bEnded());
    EXPECT_TRUE(m_prompt.shown().empty());
}

TEST_F(MainShellTest, StartBoxChoices) {
    m_shell.Start("/opt/corvane/");
    m_shell.Choose(shell::StartChoice::Retrieve);
    EXPECT_EQ(m_prompt.messages(), (std::vector<std::string>{shell::kRetrieveNotAvailable}));
    EXPECT_TRUE(m_shell.bStartBoxShown());
    EXPECT_FALSE(m_shell.bEnded());

    ASSERT_TRUE(m_graphs.OpenTestSet(addTest("A").string(), true));
    m_shell.Choose(shell::StartChoice::Exit);
    EXPECT_TRUE(m_shell.bEnded());
    EXPECT_FALSE(m_graphs.IsAnyDatasetOpen());
    EXPECT_EQ(m_view.events.back(), "end");
}

TEST_F(MainShellTest, APeriodInTheProgramFolderOnlyWarns) {
    m_shell.Start("/opt/corvane.3/");
    ASSERT_EQ(m_prompt.shown().size(), 1u);
    EXPECT_EQ(m_prompt.shown()[0].title, common::kMessageTitle);
    EXPECT_NE(m_prompt.shown()[0].text.find("There is a period (.) in the installation directory path.[nl]"),
              std::string::npos);
    EXPECT_TRUE(m_shell.bStartBoxShown());
}

TEST(Manuals, NamesWithAndWithoutBlanks) {
    testsupport::TempDir dir;
    struct Case {
        std::vector<std::string> present;  // files in the folder beforehand
        std::string asked;
        std::string opened;  // "" when it cannot be found
        std::vector<std::string> after;
    };
    const std::vector<Case> cases = {
        {{"CV_Manual.pdf"}, "CV_Manual.pdf", "CV_Manual.pdf", {"CV_Manual.pdf"}},
        {{}, "CV_Manual.pdf", "", {}},
        {{"Q Manual 1.pdf"}, "Q Manual 1.pdf", "Q_Manual_1.pdf", {"Q_Manual_1.pdf"}},
        {{"Q Manual 1.pdf", "Q_Manual_1.pdf"}, "Q Manual 1.pdf", "Q_Manual_1.pdf",
         {"Q Manual 1.pdf", "Q_Manual_1.pdf"}},
        {{}, "", "", {}},
    };
    for (const Case& c : cases) {
        const fs::path folder = dir / ("case" + std::to_string(&c - cases.data()));
        fs::create_directories(folder);
        for (const std::string& name : c.present) testsupport::writeFile(folder / name, "pdf");
        const auto result = shell::resolveManual(folder, c.asked);
        if (c.opened.empty()) {
            ASSERT_TRUE(std::holds_alternative<shell::ManualMissing>(result)) << c.asked;
            EXPECT_EQ(std::get<shell::ManualMissing>(result).message.rfind("Error - cannot find file ", 0), 0u);
        } else {
            ASSERT_TRUE(std::holds_alternative<shell::ManualFile>(result)) << c.asked;
            EXPECT_EQ(std::get<shell::ManualFile>(result).file, folder / c.opened);
        }
        std::vector<std::string> after;
        for (const auto& entry : fs::directory_iterator(folder)) after.push_back(entry.path().filename().string());
        std::sort(after.begin(), after.end());
        EXPECT_EQ(after, c.after) << c.asked;
    }
}

}  // namespace
}  // namespace shelltest

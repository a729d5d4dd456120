// The registry of open test sets: numbering, failed opens, closing, and the current graph's
// message guard.

#include <memory>
#include <vector>

#include "ShellFixture.h"
#include "analysis/graphs/GraphView.h"

namespace shelltest {
namespace {

TEST_F(ShellFixture, TestSetsAreNumberedInOrderAndAFailedOpenLeavesNoTrace) {
    const fs::path a = addTest("A");
    const fs::path missingData = addTest("B", "crv", false);
    const fs::path c = addTest("C");

    ASSERT_TRUE(m_graphs.OpenTestSet(a.string(), true));
    EXPECT_EQ(m_graphs.lCount(), 1);
    // A set file whose data file is gone fails: slot 2 stays empty and is reused.
    EXPECT_FALSE(m_graphs.OpenTestSet(missingData.string(), true));
    EXPECT_EQ(m_graphs.lCount(), 1);
    EXPECT_EQ(m_graphs.dataset(2), nullptr);
    EXPECT_FALSE(m_graphs.bInUse(2));
    ASSERT_TRUE(m_graphs.OpenTestSet(c.string(), true));
    EXPECT_EQ(m_graphs.lCount(), 2);
    ASSERT_NE(m_graphs.dataset(2), nullptr);
    EXPECT_EQ(m_graphs.dataset(2)->lDataSetNr(), 2);
    EXPECT_EQ(m_graphs.dataset(2)->setFile().sSetFileName(), c.string());
    // Opening makes graph 1 of the new test set current.
    EXPECT_EQ(m_graphs.lCurrentDataSet(), 2);
    EXPECT_EQ(m_graphs.lCurrentGraph(), 1);

    m_graphs.CloseAllDatasets();
    EXPECT_FALSE(m_graphs.IsAnyDatasetOpen());
    EXPECT_EQ(m_graphs.dataset(1), nullptr);
    ASSERT_TRUE(m_graphs.OpenTestSet(a.string(), true));
    EXPECT_EQ(m_graphs.dataset(1)->lDataSetNr(), 1);
}

TEST(Registry, ClosingWithNothingOpenOnlyHidesTheToolbarAndAShownFormulaWindow) {
    common::ScriptedPrompt prompt;
    common::SilentProgress progress;
    int toolbarHidden = 0;
    std::vector<bool> formulaCalls;
    shell::GraphsHooks hooks;
    hooks.hideToolbar = [&] { ++toolbarHidden; };
    hooks.showFormulaWindow = [&](bool show) { formulaCalls.push_back(show); };
    shell::msgGraphs graphs(prompt, progress, hooks);

    EXPECT_FALSE(graphs.IsAnyDatasetOpen());
    graphs.CloseAllDatasets();
    EXPECT_EQ(toolbarHidden, 1);
    EXPECT_TRUE(formulaCalls.empty());  // already hidden: no change asked for
    graphs.ShowFormulaBar(true);
    graphs.ShowFormulaBar(true);
    graphs.CloseAllDatasets();
    EXPECT_EQ(formulaCalls, (std::vector<bool>{true, false}));
    EXPECT_TRUE(prompt.shown().empty());
}

// A window that, while it handles a message, sends another one to the current graph.
class ReenteringView final : public graphs::GraphView {
public:
    ReenteringView(shell::msgGraphs& graphs, std::vector<std::int32_t>& received)
        : m_graphs(graphs), m_received(received) {}
    void InitGraph(graphs::clsGraph&, std::int32_t, std::int32_t) override {}
    void SetCaption(const std::string&) override {}
    void SetCurrentFileInfo(const std::string&) override {}
    void SetData(const std::vector<double>&, const std::vector<double>&, std::int32_t, double,
                 double, double, double) override {}
    void ReSetData(const std::vector<double>&, const std::vector<double>&, std::int32_t,
                   bool) override {}
    void ProcessMsg(std::int32_t code) override {
        m_received.push_back(code);
        if (code == 2) m_graphs.SendMsgToCurrentGraph(3);
    }
    void ExitClose() override {}

private:
    shell::msgGraphs& m_graphs;
    std::vector<std::int32_t>& m_received;
};

TEST_F(ShellFixture, AMessageArrivingWhileAnotherIsDeliveredIsDropped) {
    std::vector<std::int32_t> received;
    m_graphs.setViewFactory([&](graphs::clsGraph&) -> std::unique_ptr<graphs::GraphView> {
        return std::make_unique<ReenteringView>(m_graphs, received);
    });
    ASSERT_TRUE(m_graphs.OpenTestSet(addTest("A").string(), true));
    received.clear();

    m_graphs.SendMsgToCurrentGraph(2);
    EXPECT_EQ(received, (std::vector<std::int32_t>{2}));
    EXPECT_FALSE(m_graphs.bBusy());
    m_graphs.SendMsgToCurrentGraph(1);
    EXPECT_EQ(received, (std::vector<std::int32_t>{2, 1}));
}

TEST_F(ShellFixture, AScopeEventGraphShowsItsSavedFormulaAfterReopening) {
    const fs::path set = addTest("A");
    ASSERT_TRUE(m_graphs.OpenTestSet(set.string(), true));
    files::clsDataset* test = m_graphs.dataset(1);
    // Channel 2 of the sample is the pressure gauge; its event graph gets a formula.
    const std::int32_t event = test->AddNewEventGraph(2, 2.0, 4.0, "gauge", "1*V+0",
                                                      "Voltage", "V");
    ASSERT_GT(event, 0);
    const std::int32_t index = 2500;
    const double volts = *test->graphValue(2, index);
    test->NewFormulaReplot(event, "2*V+0.5", "Pressure", "kPa");
    EXPECT_DOUBLE_EQ(*test->graphValue(event, index), 2 * volts + 0.5);

    m_graphs.CloseAllDatasets();
    ASSERT_TRUE(m_graphs.OpenTestSet(set.string(), true));
    test = m_graphs.dataset(1);
    EXPECT_EQ(test->sGetGraphIniStr(event, "Y formula"), "2*V+0.5");
    EXPECT_DOUBLE_EQ(*test->graphValue(event, index), 2 * volts + 0.5);
    EXPECT_DOUBLE_EQ(*test->graphValue(2, index), volts);
}

}  // namespace
}  // namespace shelltest

// Event graphs of scope channels through the formula-table hook built by the formula code.

#include <gtest/gtest.h>

#include "analysis/files/clsDataset.h"
#include "analysis/graphs/clsGraph.h"
#include "analysis/measure/FormulaApply.h"
#include "analysis/measure/ScopeFormulas.h"
#include "common/ScriptedPrompt.h"
#include "files/DatasetFixture.h"
#include "support/TempDir.h"

namespace {

using testsets::SetFileText;
using testsets::TestSet;

class FormulaDataset : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    testsupport::TempDir home;
    testsupport::ScopedVantrelHome scopedHome{home.path()};
};

TEST_F(FormulaDataset, EventGraphShowsItsFormulaValues) {
    testsupport::writeFile(home.path() / "sConsVal.ini", "[List]\ngain=4\n");
    SetFileText set = testsets::twoChannelSet(100);
    set.set("Event1", "EventChannelNr", "2");
    set.set("Event1", "StartTimeInMilliSec", "0");
    set.set("Event1", "EndTimeMilliSec", "0.05");
    set.set("Event1", "EventTitle", "gauge");
    set.set("Event1", "Y formula", "gain*V+0.5");
    set.set("settings", "NrEventGraphs", "1");
    const TestSet test(dir.path(), "Test01", set, testsets::rampWords(100));

    common::ScriptedPrompt prompt;
    testsets::RecordingProgress progress;
    files::DatasetHooks hooks;
    hooks.formulaTable = measure::makeFormulaTableHook();
    files::clsDataset dataset(prompt, progress, graphs::clsGraph::factory(), hooks);
    ASSERT_TRUE(dataset.bSetupDataAndGraphs(test.setFile.string(), 1, true));

    for (std::int32_t i : {1, 11, 40}) {
        const double volts = *dataset.graphValue(2, i);
        EXPECT_DOUBLE_EQ(*dataset.graphValue(3, i), 4 * volts + 0.5) << i;
    }

    dataset.NewFormulaReplot(3, measure::AddOffset("mV", 0.00012), "Pressure", "kPa");
    EXPECT_EQ(dataset.sGetGraphIniStr(3, "Y formula"), "((mV)-(1.2*10^-04))");
    const double volts = *dataset.graphValue(2, 11);
    EXPECT_NEAR(*dataset.graphValue(3, 11), volts * 1000 - 0.00012, 1e-9);

    dataset.NewFormulaReplot(3, "V*nothing", "Pressure", "kPa");
    EXPECT_DOUBLE_EQ(*dataset.graphValue(3, 11), measure::kFormulaErrorValue);
}

TEST_F(FormulaDataset, ApplyCommands) {
    SetFileText set = testsets::twoChannelSet(100);
    set.set("Event1", "EventChannelNr", "2");
    set.set("Event1", "StartTimeInMilliSec", "0");
    set.set("Event1", "EndTimeMilliSec", "0.05");
    set.set("Event1", "EventTitle", "gauge");
    set.set("settings", "NrEventGraphs", "1");
    const TestSet test(dir.path(), "Test01", set, testsets::rampWords(100));
    common::ScriptedPrompt prompt;
    testsets::RecordingProgress progress;
    files::DatasetHooks hooks;
    hooks.formulaTable = measure::makeFormulaTableHook();
    files::clsDataset dataset(prompt, progress, graphs::clsGraph::factory(), hooks);
    ASSERT_TRUE(dataset.bSetupDataAndGraphs(test.setFile.string(), 1, true));

    // The units tab changes only the axis texts, even with a broken formula.
    EXPECT_TRUE(measure::cmdApply(dataset, 3, "V+(", "Force", "N", 1, prompt));
    EXPECT_EQ(dataset.sGetGraphIniStr(3, "Y quantity"), "Force");
    EXPECT_EQ(dataset.sGetGraphIniStrDefault(3, "Y formula", "1*V+0"), "1*V+0");

    EXPECT_FALSE(measure::cmdApply(dataset, 3, "V+(", "Force", "N", 0, prompt));
    EXPECT_EQ(prompt.messages().back(), "The formula has unbalanced brackets.");
    EXPECT_TRUE(measure::cmdApply(dataset, 3, "2*V", "Force", "N", 0, prompt));
    EXPECT_DOUBLE_EQ(*dataset.graphValue(3, 5), 2 * *dataset.graphValue(2, 5));

    prompt.clear();
    EXPECT_EQ(measure::cmdApplyToNewGraph(dataset, 2, 0.0, 0.05, "V/0", "q", "u", prompt), 0);
    EXPECT_EQ(prompt.messages(), (std::vector<std::string>{
                                     "The formula causes division by zero.", "Formula error."}));
    prompt.clear();
    prompt.answerInput(std::string());
    EXPECT_EQ(measure::cmdApplyToNewGraph(dataset, 2, 0.0, 0.05, "3*V", "q", "u", prompt), 0);
    EXPECT_EQ(prompt.messages().back(), "Graph not saved.");
    prompt.answerInput(std::string("tripled"));
    const std::int32_t g = measure::cmdApplyToNewGraph(dataset, 2, 0.0, 0.05, "3*V", "q", "u", prompt);
    ASSERT_GT(g, 0);
    EXPECT_EQ(dataset.sGetGraphIniStr(g, "Y formula"), "3*V");
    EXPECT_DOUBLE_EQ(*dataset.graphValue(g, 5), 3 * *dataset.graphValue(2, 5));
    EXPECT_EQ(measure::newGraphDefaultTitle(12.345), "12.3 ms");
}

}  // namespace

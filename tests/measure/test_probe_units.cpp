#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/measure/ProbeUnits.h"
#include "support/TempDir.h"

namespace {

class ProbeUnits : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    files::clasSetFileEC setFile;

    void use(const std::string& ini) {
        testsupport::writeFile(dir / "Test01.crv", ini);
        setFile.Setup((dir / "Test01.crv").string());
    }
};

struct AxisCase {
    const char* name;
    std::string ini;
    int channel;
    std::string title;
    std::string units;
};

TEST_F(ProbeUnits, AxisTitleAndUnitFollowTheRecorderModel) {
    const std::vector<AxisCase> cases = {
        {"two-channel VOD in feet",
         "[settings]\nDataCollector=Corvane\nLength unit for unit resistance=ft\n"
         "[Channel1]\nSelectCode=1\n",
         1, "Distance (ft)", "ft"},
        {"two-channel scope with feet chosen",
         "[settings]\nDataCollector=Corvane\nLength unit for unit resistance=ft\n"
         "[Channel2]\nSelectCode=4\n",
         2, "Voltage (V)", "V"},
        {"two-channel channel without a select code", "[settings]\nDataCollector=Corvane\n", 1,
         "Voltage (V)", "V"},
        {"hand-held: every channel", "[settings]\nDataCollector=Quiddor\nLength unit for unit resistance=m\n",
         3, "Distance (m)", "m"},
        {"smaller recorder's VOD channel",
         "[settings]\nDataCollector=Pellion\nLength unit for unit resistance=ft\n"
         "[Channel1]\nPellionVOD=True\nSelectCode=4\n",
         1, "Distance (ft)", "ft"},
        {"smaller recorder's scope channel, select code 1",
         "[settings]\nDataCollector=Pellion\n[Channel2]\nPellionVOD=False\nSelectCode=1\n", 2,
         "Voltage (V)", "V"},
        {"another model", "[settings]\nDataCollector=Other\n[Channel1]\nSelectCode=1\n", 1,
         "Voltage (V)", "V"},
        {"no model at all", "[Channel1]\nSelectCode=1\n", 1, "Voltage (V)", "V"},
        {"no length unit yet", "[settings]\nDataCollector=Corvane\n[Channel1]\nSelectCode=1\n", 1,
         "Distance (m)", "m"},
    };
    for (const AxisCase& c : cases) {
        SCOPED_TRACE(c.name);
        use(c.ini);
        EXPECT_EQ(measure::sQuantityUnitStr(setFile, c.channel), c.title);
        EXPECT_EQ(measure::sChannelUnits(setFile, c.channel), c.units);
    }
}

TEST_F(ProbeUnits, VODUnitIsTheLengthUnitPerSecond) {
    use("[settings]\nLength unit for unit resistance=ft\n");
    std::string unit;
    EXPECT_TRUE(measure::GetDistanceUnitVOD(setFile, unit));
    EXPECT_EQ(unit, "ft");
    EXPECT_EQ(measure::sVODunits(setFile), "ft/s");
    use("[settings]\n");
    EXPECT_TRUE(measure::GetDistanceUnitVOD(setFile, unit));
    EXPECT_EQ(measure::sVODunits(setFile), "m/s");
}

TEST_F(ProbeUnits, FormulaQuantityAndUnitsOfAGraph) {
    use("[settings]\nLength unit for unit resistance=ft\n"
        "[Event1]\nY formula=2*V+1\nY quantity=Pressure\nY units=MPa\n[Event2]\n");
    struct Case {
        const char* name;
        measure::GraphIdentity graph;
        measure::FormulaQuantityUnits expected;
    };
    const std::vector<Case> cases = {
        {"VOD channel graph", {true, false, "Channel1"}, {"V", "Distance", "ft"}},
        {"VOD event graph: distances, whatever its keys", {true, true, "Event1"}, {"V", "Distance", "ft"}},
        {"scope event graph", {false, true, "Event1"}, {"2*V+1", "Pressure", "MPa"}},
        {"event graph without its keys", {false, true, "Event2"}, {"1*V+0", "Voltage", "V"}},
        {"scope channel graph", {false, false, "Channel2"}, {"V", "Voltage", "V"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto got = measure::GetFormulaQuantityUnits(setFile, c.graph);
        EXPECT_EQ(got.formula, c.expected.formula);
        EXPECT_EQ(got.quantity, c.expected.quantity);
        EXPECT_EQ(got.units, c.expected.units);
    }
}

}  // namespace

#include <gtest/gtest.h>

#include <cmath>

#include "analysis/measure/FormulaLists.h"
#include "analysis/measure/ScopeFormulas.h"
#include "common/Ini.h"
#include "common/ScriptedPrompt.h"
#include "support/TempDir.h"

namespace fe = measure::formula_error;
using common::ScriptedPrompt;

namespace {

const char* kLossTail =
    "[nl][nl]   Accuracy in the final result has been reduced possibly due to[nl]"
    "the addition of a very small to a very large number.[nl][nl]"
    "                                 Accept formula?";

class ListFiles : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    testsupport::ScopedVantrelHome home{dir.path()};
    std::filesystem::path file(const char* name) const { return dir.path() / name; }
};

struct CheckCase {
    std::string formula;
    std::optional<bool> answer;  // Yes/No to a loss question
    bool valid;
    ScriptedPrompt::Kind kind;
    std::string text;  // empty: nothing shown
};

TEST_F(ListFiles, CheckFormulaTellsEachCode) {
    testsupport::writeFile(file("sConsVal.ini"), "[List]\ng=9.81\nbad=abc\n");
    const std::string tooLarge =
        "[nl][nl]     Evaluating the formula creates a final or[nl]"
        "intermediate value too large for this program.";
    const auto M = ScriptedPrompt::Kind::Message;
    const auto Q = ScriptedPrompt::Kind::YesNo;
    const std::vector<CheckCase> cases = {
        {"  1*V+0 ", {}, true, M, ""},
        {"g*(V-2.0475)+mV", {}, true, M, ""},
        {"V*bad", {}, false, M, "The formula has an unknown variable."},
        {"V*h", {}, false, M, "The formula has an unknown variable."},
        {"(V", {}, false, M, "The formula has unbalanced brackets."},
        {"1/(V-2.0475)", {}, false, M, "The formula causes division by zero."},
        {"V^1000", {}, false, M, "Overflow error:" + tooLarge},
        {"V*10^20+1", true, true, Q, std::string("Total loss of significance:") + kLossTail},
        {"V*10^20+1", false, false, Q, std::string("Total loss of significance:") + kLossTail},
        {"V*10^10+0.001", true, true, Q, std::string("Partial loss of significance:") + kLossTail},
        {"V*10^10+0.001", false, false, Q,
         std::string("Partial loss of significance:") + kLossTail},
        {"V^-1000", {}, false, M, "Underflow error." + tooLarge},
        {"V+*2", {}, false, M, "The formula has a syntax error."},
        {"", {}, false, M, "The formula has a syntax error."},
    };
    for (const CheckCase& c : cases) {
        ScriptedPrompt prompt;
        if (c.answer) prompt.answerYesNo(*c.answer);
        EXPECT_EQ(measure::CheckFormula(c.formula, prompt), c.valid) << c.formula;
        if (c.text.empty()) {
            EXPECT_TRUE(prompt.shown().empty()) << c.formula;
            continue;
        }
        ASSERT_EQ(prompt.shown().size(), 1u) << c.formula;
        EXPECT_EQ(prompt.shown()[0].kind, c.kind) << c.formula;
        EXPECT_EQ(prompt.shown()[0].text, c.text) << c.formula;
        EXPECT_EQ(prompt.shown()[0].title, c.kind == Q ? "  Warning" : "  Message") << c.formula;
    }
}

TEST(ApplyFormulaToTable, IdentityCopiesWithoutEvaluating) {
    // Values the evaluator could not carry through: an identity table keeps them as they are.
    const std::vector<double> input = {INFINITY, -1.0, 1e308, 0.0};
    const measure::FormulaTable t = measure::ApplyFormulaToTable(" 1 * V + 0", input, {});
    ASSERT_EQ(t.values.size(), input.size());
    EXPECT_EQ(t.count, 4);
    EXPECT_TRUE(t.ok);
    EXPECT_EQ(t.values[0], INFINITY);
    EXPECT_EQ(t.values[2], 1e308);
}

TEST(ApplyFormulaToTable, EvaluatesEveryEntryAndMarksFailures) {
    const std::vector<double> input = {1.5, 0.0, -2.0, 1e300};
    const measure::FormulaTable t = measure::ApplyFormulaToTable("2*V*V/V", input, {});
    EXPECT_TRUE(t.ok);
    EXPECT_EQ(t.count, 4);
    EXPECT_EQ(t.values, (std::vector<double>{3.0, -9999.19, -4.0, -9999.19}));

    const measure::FormulaTable s = measure::ApplyFormulaToTable("mV/1000", {2.0475, -1.0}, {});
    EXPECT_DOUBLE_EQ(s.values[0], 2.0475);
    EXPECT_DOUBLE_EQ(s.values[1], -1.0);

    // A warning keeps the computed value.
    const measure::FormulaTable w = measure::ApplyFormulaToTable("V+10^20", {1.0}, {});
    EXPECT_EQ(w.values[0], 1e20);
}

TEST(ApplyFormulaToTable, FormulaThatDoesNotCompileFillsErrorValueAndIsNotOk) {
    const measure::FormulaTable t = measure::ApplyFormulaToTable("V*x", {1.0, 2.0}, {});
    EXPECT_FALSE(t.ok);
    EXPECT_EQ(t.values, (std::vector<double>{-9999.19, -9999.19}));
    const measure::FormulaTable e = measure::ApplyFormulaToTable("V", {}, {});
    EXPECT_TRUE(e.values.empty());
    EXPECT_EQ(e.count, 0);
}

TEST(ApplyFormulaToTable, HookBuildsTheEventGraphTable) {
    const auto hook = measure::makeFormulaTableHook({});
    const auto table = hook({1.0, 2.0, 3.0}, "V*V");
    ASSERT_TRUE(table);
    EXPECT_EQ(*table, (std::vector<double>{1.0, 4.0, 9.0}));
}

TEST(AddOffset, WritesTheOffsetWithoutExponentLetters) {
    const struct {
        double offset;
        std::string text;
    } cases[] = {
        {0.00012, "1.2*10^-04"}, {1.5e-3, "0.0015"},  {0.0, "0"},
        {-2.5, "-2.5"},          {1e20, "1*10^+20"}, {-3.25e-10, "-3.25*10^-10"},
        {123456.75, "123456.75"}, {1e-300, "1*10^-300"},
    };
    for (const auto& c : cases) EXPECT_EQ(measure::offsetText(c.offset), c.text) << c.offset;
    EXPECT_EQ(measure::AddOffset("  2*V ", 0.00012), "((2*V)-(1.2*10^-04))");

    // The offset formula evaluates to formula minus offset for every kind of text.
    for (const auto& c : cases) {
        measure::FormulaEvaluator ev;
        ASSERT_EQ(ev.setFormula(measure::AddOffset("2*V", c.offset)), 0) << c.offset;
        const double expected = 2.0 * 3.0 - c.offset;
        EXPECT_NEAR(ev.evaluate(3.0).value, expected, std::fabs(expected) * 1e-15) << c.offset;
    }
    measure::FormulaEvaluator ev;
    ev.setFormula(measure::AddOffset("V", NAN));
    EXPECT_NE(ev.evaluate(1.0).error, 0);
}

TEST_F(ListFiles, SaveListAndUseFormulas) {
    ScriptedPrompt prompt;
    EXPECT_TRUE(measure::FormulaList().empty());
    EXPECT_EQ(measure::cmdSaveFormula("2*V", "Pressure", "MPa", prompt), 1);
    EXPECT_EQ(common::ini::readValue(file("sForm.ini"), "List", "Max Formula Number"), "1");
    EXPECT_EQ(measure::cmdSaveFormula("mV", "Millivolts", "mV", prompt), 2);
    EXPECT_EQ(prompt.messages(), (std::vector<std::string>{"Formula Saved.", "Formula Saved."}));

    const auto list = measure::FormulaList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(measure::formulaListItem(list[0]), " Pressure : 'Y=2*V' MPa");
    EXPECT_EQ(list[1].number, 2);

    prompt.clear();
    EXPECT_FALSE(measure::cmdSet2ComboFormula(std::nullopt, prompt));
    EXPECT_FALSE(measure::cmdSet2ComboFormula(7, prompt));
    const auto used = measure::cmdSet2ComboFormula(2, prompt);
    ASSERT_TRUE(used);
    EXPECT_EQ(used->formula, "mV");
    EXPECT_EQ(prompt.messages(),
              (std::vector<std::string>{"Please select a formula.", "Error : Formula invalid."}));
}

TEST_F(ListFiles, DamagedListsLeaveEntriesOut) {
    const struct {
        std::string form, qunt, unit;
        std::vector<std::int32_t> numbers;
    } cases[] = {
        // entry 2 has no unit, entry 3 an empty formula
        {"[List]\nMax Formula Number=4\n1=V\n3=\n4=2*V\n", "[List]\n1=a\n2=b\n3=c\n4=d\n",
         "[List]\n1=u\n3=w\n4=x\n", {1, 4}},
        {"[List]\nMax Formula Number=abc\n1=V\n", "[List]\n1=a\n", "[List]\n1=u\n", {}},
        {"[List]\nMax Formula Number=70000\n1=V\n", "[List]\n1=a\n", "[List]\n1=u\n", {}},
        {"\x01\xff garbage [[\n=\n", "", "", {}},
        {"[List]\nMax Formula Number=2\n1=V\n2=V\n", "", "", {}},  // other files missing
    };
    for (const auto& c : cases) {
        testsupport::writeFile(file("sForm.ini"), c.form);
        testsupport::writeFile(file("sQunt.ini"), c.qunt);
        if (c.unit.empty()) std::filesystem::remove(file("sUnit.ini"));
        else testsupport::writeFile(file("sUnit.ini"), c.unit);
        std::vector<std::int32_t> numbers;
        for (const auto& e : measure::FormulaList()) numbers.push_back(e.number);
        EXPECT_EQ(numbers, c.numbers) << c.form;
    }
}

TEST_F(ListFiles, SavingWithADamagedCounterKeepsTheEntries) {
    const struct {
        std::string counterLine;
        std::int32_t expected;
    } cases[] = {{"Max Formula Number=abc\n", 4}, {"", 4}, {"Max Formula Number=3\n", 4}};
    for (const auto& c : cases) {
        testsupport::writeFile(file("sForm.ini"), "[List]\n" + c.counterLine + "1=V\n3=2*V\n");
        ScriptedPrompt prompt;
        EXPECT_EQ(measure::cmdSaveFormula("3*V", "q", "u", prompt), c.expected) << c.counterLine;
        EXPECT_EQ(common::ini::readValue(file("sForm.ini"), "List", "1"), "V");
        EXPECT_EQ(common::ini::readValue(file("sForm.ini"), "List", "3"), "2*V");
    }
    testsupport::writeFile(file("sForm.ini"), "[List]\nMax Formula Number=32767\n");
    ScriptedPrompt prompt;
    EXPECT_FALSE(measure::cmdSaveFormula("3*V", "q", "u", prompt));
    EXPECT_EQ(prompt.messages().size(), 1u);
}

TEST_F(ListFiles, AddConstantChecksInOrder) {
    const struct {
        std::string name, value, message;
    } cases[] = {
        {"2g", "x", "Constant name cannot start with a number."},
        {"", "1", "Constant name invalid - please choose another."},
        {"V", "1", "Constant name invalid - please choose another."},
        {"mV", "1", "Constant name invalid - please choose another."},
        {"pi", "1", "Constant name invalid - please choose another."},
        {"Pi", "1", "Constant name invalid - please choose another."},
        {"a b", "1", "Constant name invalid - please choose another."},
        {"g", "9.8.1", "Constant value invalid - please re-enter."},
        {"g", "", "Constant value invalid - please re-enter."},
        {"g", "9,81", ""},
        {"G", "1", "Constant name in use - please choose another name."},
        {"k2", "-1.5E-03", ""},
    };
    for (const auto& c : cases) {
        ScriptedPrompt prompt;
        EXPECT_EQ(measure::cmdAddConstantToList(c.name, c.value, prompt), c.message.empty())
            << c.name;
        EXPECT_EQ(prompt.messages(),
                  c.message.empty() ? std::vector<std::string>{}
                                    : std::vector<std::string>{c.message})
            << c.name;
    }
    EXPECT_EQ(measure::ConstantList(), (std::vector<std::string>{"g", "k2"}));
    EXPECT_EQ(common::ini::readValue(file("sConsNam.ini"), "List", "Max Constant Number"), "2");
    EXPECT_DOUBLE_EQ(*measure::constantValue("g"), 9.81);

    // The saved constant is what formulas see.
    ScriptedPrompt prompt;
    EXPECT_TRUE(measure::CheckFormula("k2*V+g", prompt));
    const auto t = measure::ApplyFormulaToTable("k2*V+g", {1000.0});
    EXPECT_DOUBLE_EQ(t.values[0], -1.5 + 9.81);
}

TEST_F(ListFiles, MultiplyAndCopyNeedASavedConstant) {
    testsupport::writeFile(file("sConsVal.ini"), "[List]\ng=9.81\n");
    ScriptedPrompt prompt;
    EXPECT_FALSE(measure::cmdMultiplyFormulaByConstant("h", "V", prompt));
    EXPECT_FALSE(measure::cmdCopyConstant("h", prompt));
    const std::string notSaved = "Current constant must be checked and saved before it can be used.";
    EXPECT_EQ(prompt.messages(), (std::vector<std::string>{notSaved, notSaved}));

    prompt.clear();
    prompt.answerOkCancel(false);
    prompt.answerOkCancel(true);
    EXPECT_FALSE(measure::cmdMultiplyFormulaByConstant("g", " 2*V ", prompt));
    EXPECT_EQ(measure::cmdMultiplyFormulaByConstant("g", " 2*V ", prompt), " g*(2*V)");
    ASSERT_EQ(prompt.shown().size(), 2u);
    EXPECT_EQ(prompt.shown()[0].text, "       Multiply formula by g ?");
    EXPECT_EQ(prompt.shown()[0].title, "  Message");

    prompt.clear();
    EXPECT_EQ(measure::cmdCopyConstant("g", prompt), " g ");
    EXPECT_EQ(prompt.messages(),
              (std::vector<std::string>{"Move the cursor to the desired location in the "
                                        "formula.[nl][nl]                 Ctrl-V inserts the "
                                        "constant."}));
}

TEST(ConstantKeys, NameAndValueBoxesFilterKeys) {
    for (char k : std::string("aZ09\b")) EXPECT_TRUE(measure::constantNameKeyAllowed(k)) << k;
    for (char k : std::string(" _-.+")) EXPECT_FALSE(measure::constantNameKeyAllowed(k)) << k;
    for (char k : std::string("-+.eE09\b")) EXPECT_TRUE(measure::constantValueKeyAllowed(k)) << k;
    for (char k : std::string("a,x ")) EXPECT_FALSE(measure::constantValueKeyAllowed(k)) << k;
}

}  // namespace

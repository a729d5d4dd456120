#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

#include "analysis/measure/FormulaEvaluator.h"

namespace fe = measure::formula_error;

namespace {

measure::ConstantLookup fixedConstants() {
    static const std::map<std::string, double> table = {
        {"g", 9.81}, {"Vs", 2.0}, {"pI", 3.0}, {"big", 1e20}, {"k2", 0.5}};
    return [](const std::string& name) -> std::optional<double> {
        const auto it = table.find(name);
        if (it == table.end()) return std::nullopt;
        return it->second;
    };
}

struct Case {
    std::string formula;
    double v;
    int error;
    double value;  // checked when error is 0, 13 or 14
};

TEST(FormulaEvaluator, ValuesAndCodes) {
    const std::vector<Case> cases = {
        {"2*V", 1.5, fe::kNone, 3.0},
        {"mV/1000", 2.0475, fe::kNone, 2.0475},
        {"mv+v", 1.0, fe::kNone, 1001.0},
        {"1*V+0", 4.0, fe::kNone, 4.0},
        {" 1 * V + 0 ", 4.0, fe::kNone, 4.0},
        {"pi", 0.0, fe::kNone, 3.14159265358979},
        {"Pi*PI/pi", 0.0, fe::kNone, 3.14159265358979},
        {"pI", 0.0, fe::kNone, 3.0},  // not a spelling of pi: looked up as a constant
        {"g*V", 2.0, fe::kNone, 19.62},
        {"1.5*10^-03", 0.0, fe::kNone, 1.5e-3},
        {"((V)-(1.2*10^-04))", 1.0, fe::kNone, 1.0 - 1.2e-4},
        {"-2^2", 0.0, fe::kNone, -4.0},
        {"2^3^2", 0.0, fe::kNone, 512.0},
        {"2+3*4", 0.0, fe::kNone, 14.0},
        {"(2+3)*4", 0.0, fe::kNone, 20.0},
        {"10-4-3", 0.0, fe::kNone, 3.0},
        {"8/4/2", 0.0, fe::kNone, 1.0},
        {"-V+ +V", 3.0, fe::kNone, 0.0},
        {"V*-2", 3.0, fe::kNone, -6.0},
        {"(-8)^2", 0.0, fe::kNone, 64.0},
        {"0.5", 9.0, fe::kNone, 0.5},
        {".5+V", 1.0, fe::kNone, 1.5},
        // 7: unknown names
        {"x*V", 1.0, fe::kUnknownVariable, 0},
        {"V+Pii", 1.0, fe::kUnknownVariable, 0},
        // 8: brackets
        {"(V+1", 1.0, fe::kUnbalancedBrackets, 0},
        {"V+1)", 1.0, fe::kUnbalancedBrackets, 0},
        {")V(", 1.0, fe::kUnbalancedBrackets, 0},
        // 9: division by zero
        {"1/V", 0.0, fe::kDivisionByZero, 0},
        {"V/(V-2)", 2.0, fe::kDivisionByZero, 0},
        {"0^-1", 0.0, fe::kDivisionByZero, 0},
        // 12: non-finite intermediate or final result
        {"10^400", 0.0, fe::kOverflow, 0},
        {"V*10^300*10^300", 1.0, fe::kOverflow, 0},
        {"(10^200*10^200)/10^300", 1.0, fe::kOverflow, 0},
        // 13: more than half of the smaller operand's bits lost
        {"10^10+0.1", 0.0, fe::kPartialLoss, 1e10 + 0.1},
        {"V+0.001", 1e10, fe::kPartialLoss, 1e10 + 0.001},
        // 14: the smaller operand lost completely
        {"big+1", 0.0, fe::kTotalLoss, 1e20},
        {"1-10^20", 0.0, fe::kTotalLoss, -1e20},
        // 15: product, quotient or power of non-zero operands below the normal range
        {"10^-200*10^-200", 0.0, fe::kUnderflow, 0},
        {"V/10^308/10^10", 1.0, fe::kUnderflow, 0},
        {"10^-400", 0.0, fe::kUnderflow, 0},
        // other
        {"(-8)^(1/3)", 0.0, fe::kInvalidArgument, 0},
        {"", 0.0, fe::kSyntax, 0},
        {"   ", 0.0, fe::kSyntax, 0},
        {"2V", 1.0, fe::kSyntax, 0},
        {"V**2", 1.0, fe::kSyntax, 0},
        {"V+", 1.0, fe::kSyntax, 0},
        {"sin(V)", 1.0, fe::kSyntax, 0},
        {"V=2", 1.0, fe::kSyntax, 0},
        {"V<2", 1.0, fe::kSyntax, 0},
        {"1?2:3", 1.0, fe::kSyntax, 0},
        {"1,2", 1.0, fe::kSyntax, 0},
        {"()", 1.0, fe::kSyntax, 0},
        {"V(2)", 1.0, fe::kSyntax, 0},
        {"V\n+1", 1.0, fe::kNone, 2.0},
        {"V$", 1.0, fe::kSyntax, 0},
        {"_pi", 1.0, fe::kUnknownVariable, 0},
    };
    for (const Case& c : cases) {
        measure::FormulaEvaluator ev(fixedConstants());
        ev.setFormula(c.formula);
        const auto r = ev.evaluate(c.v);
        EXPECT_EQ(r.error, c.error) << "'" << c.formula << "' V=" << c.v;
        if (c.error == fe::kNone || c.error == fe::kPartialLoss || c.error == fe::kTotalLoss) {
            EXPECT_NEAR(r.value, c.value, std::fabs(c.value) * 1e-14) << c.formula;
        }
    }
}

TEST(FormulaEvaluator, NormalisedTextDropsBlanks) {
    measure::FormulaEvaluator ev;
    ev.setFormula("  1 * V\t+ 0 ");
    EXPECT_EQ(ev.normalisedText(), "1*V+0");
}

TEST(FormulaEvaluator, ExactSumsAndNormalRoundingAreNoLoss) {
    measure::FormulaEvaluator ev;
    for (const char* f : {"10^10+1", "1+0.1", "1000+0.001", "V-V", "0+10^20"}) {
        ASSERT_EQ(ev.setFormula(f), 0) << f;
        EXPECT_EQ(ev.evaluate(1.0).error, 0) << f;
    }
}

TEST(FormulaEvaluator, ErrorOutranksWarningAndStateDoesNotLeak) {
    measure::FormulaEvaluator ev;
    ASSERT_EQ(ev.setFormula("(10^20+1)/V"), 0);
    EXPECT_EQ(ev.evaluate(0.0).error, fe::kDivisionByZero);
    EXPECT_EQ(ev.evaluate(2.0).error, fe::kTotalLoss);
    ASSERT_EQ(ev.setFormula("1/V"), 0);
    EXPECT_EQ(ev.evaluate(0.0).error, fe::kDivisionByZero);
    const auto r = ev.evaluate(4.0);
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.value, 0.25);
}

TEST(FormulaEvaluator, NonFiniteInputIsOverflow) {
    measure::FormulaEvaluator ev;
    ASSERT_EQ(ev.setFormula("V"), 0);
    EXPECT_EQ(ev.evaluate(INFINITY).error, fe::kOverflow);
    EXPECT_EQ(ev.evaluate(NAN).error, fe::kOverflow);
}

TEST(FormulaEvaluator, ConstantsNamedLikeVariablesDoNotReplaceThem) {
    const measure::ConstantLookup shadowing = [](const std::string&) -> std::optional<double> {
        return 100.0;
    };
    measure::FormulaEvaluator ev(shadowing);
    ASSERT_EQ(ev.setFormula("V+mV+pi+PI+Pi+v+mv"), 0);
    const auto r = ev.evaluate(1.0);
    EXPECT_NEAR(r.value, 1 + 1000 + 3 * 3.14159265358979 + 1 + 1000, 1e-9);
    ASSERT_EQ(ev.setFormula("MV"), 0);  // not a spelling of mV: a constant
    EXPECT_EQ(ev.evaluate(1.0).value, 100.0);
}

TEST(FormulaEvaluator, HostileInput) {
    measure::FormulaEvaluator ev;
    std::string nested(2000, '(');
    nested += "V";
    nested += std::string(2000, ')');
    EXPECT_EQ(ev.setFormula(nested), fe::kSyntax);
    EXPECT_EQ(ev.evaluate(1.0).error, fe::kSyntax);

    std::string deepButAllowed(measure::kMaxBracketDepth, '(');
    deepButAllowed += "V" + std::string(measure::kMaxBracketDepth, ')');
    EXPECT_EQ(ev.setFormula(deepButAllowed), 0);
    EXPECT_EQ(ev.evaluate(2.0).value, 2.0);

    std::string longSum = "V";
    while (longSum.size() < 10000) longSum += "+V";
    ASSERT_EQ(ev.setFormula(longSum), 0);
    EXPECT_EQ(ev.evaluate(1.0).value, static_cast<double>((longSum.size() + 1) / 2));

    std::string tooLong(30000, '1');
    EXPECT_NE(ev.setFormula(tooLong), 0);

    std::string longName(300, 'a');
    EXPECT_NE(ev.setFormula(longName), 0);
}

}  // namespace

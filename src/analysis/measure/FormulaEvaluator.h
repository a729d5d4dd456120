#pragma once
// The evaluator of scope formulas: numbers, "+", "-", "*", "/", "^" (right-associative,
// binding tighter than a sign: -2^2 is -4), signs, brackets and variables. "V"/"v" is the
// voltage, "mV"/"mv" the voltage times 1000, "pi"/"Pi"/"PI" pi; any other name is looked up
// through the constant lookup, once when the formula is set.
//
// Error codes of an evaluation (formula_error below):
//   7  a variable that is neither built in nor a known constant;
//   8  brackets that do not pair up;
//   9  a division by zero, or zero raised to a negative power;
//   12 a result of an operation that is not finite (too large, or not a number);
//   13 partial loss of significance: an addition or subtraction of two non-zero operands
//      whose exact rounding error exceeds 2^-26 of the smaller operand, i.e. more than half
//      of the smaller operand's 53 significant bits were lost;
//   14 total loss of significance: an addition or subtraction of two non-zero operands whose
//      result equals the larger operand, i.e. the smaller one was lost completely;
//   15 underflow: a product, quotient or power of non-zero operands whose magnitude falls
//      below the smallest normal double (it became zero or subnormal);
//   2  a syntax error (also formulas nested more than kMaxBracketDepth deep);
//   5  a negative number raised to a non-integer power.
// 13 and 14 are warnings: the value is still computed. An error (9, 12, 15, 5) outranks a
// warning, and the first error of an evaluation is the one reported.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace measure {

namespace formula_error {
inline constexpr int kNone = 0;
inline constexpr int kSyntax = 2;
inline constexpr int kInvalidArgument = 5;
inline constexpr int kUnknownVariable = 7;
inline constexpr int kUnbalancedBrackets = 8;
inline constexpr int kDivisionByZero = 9;
inline constexpr int kOverflow = 12;
inline constexpr int kPartialLoss = 13;
inline constexpr int kTotalLoss = 14;
inline constexpr int kUnderflow = 15;
}  // namespace formula_error

inline constexpr int kMaxBracketDepth = 100;
inline constexpr double kPi = 3.14159265358979;

// The value of a named constant, or nothing when the name is not a constant.
using ConstantLookup = std::function<std::optional<double>(const std::string& name)>;

// Constants of "sConsVal.ini" [List] in common::userDataDirectory(); a value that is not a
// number counts as no constant.
ConstantLookup listFileConstants();

class FormulaEvaluator {
public:
    explicit FormulaEvaluator(ConstantLookup constants = {});
    ~FormulaEvaluator();
    FormulaEvaluator(const FormulaEvaluator&) = delete;
    FormulaEvaluator& operator=(const FormulaEvaluator&) = delete;

    // Compiles the formula; returns 0 or the code that makes every evaluation fail
    // (2, 7 or 8). Variables are resolved here.
    int setFormula(std::string_view formula);
    // The formula without blanks (compared with "1*V+0" to find the identity).
    const std::string& normalisedText() const { return m_normalised; }

    struct Result {
        double value = 0.0;
        int error = formula_error::kNone;
    };
    Result evaluate(double v);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    std::string m_normalised;
    int m_compileError = formula_error::kSyntax;
};

}  // namespace measure

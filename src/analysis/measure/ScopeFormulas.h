#pragma once
// Checking and applying scope formulas, and the offset command's formula.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis/measure/FormulaEvaluator.h"

namespace common {
class Prompt;
class Progress;
}  // namespace common

namespace measure {

inline constexpr const char* kIdentityFormula = "1*V+0";
// Stored in a table entry whose evaluation failed.
inline constexpr double kFormulaErrorValue = -9999.19;
// The voltage a formula is checked with: 4095 / 2000.
inline constexpr double kCheckVoltage = 2.0475;
inline constexpr const char* kCalculatingFormulaText =
    "Calculating new formula values ... replotting data ...";

// The message (or question) CheckFormula shows for an error code.
std::string formulaCheckText(int code);

// Evaluates the trimmed formula once at V = 2.0475 and tells the user what is wrong with it.
// Loss of significance (13, 14) asks "  Warning" Yes/No and is valid only on Yes.
bool CheckFormula(const std::string& formula, common::Prompt& prompt,
                  const ConstantLookup& constants = listFileConstants());

struct FormulaTable {
    std::vector<double> values;  // same size as the input table
    std::int32_t count = 0;
    // False when the formula does not compile; every entry is then kFormulaErrorValue.
    bool ok = false;
};

// The formula evaluated for every entry of the input table. The identity "1*V+0" (blanks
// ignored) copies the table. An entry whose evaluation fails (any code other than 0, 13
// or 14) holds kFormulaErrorValue; with 13 or 14 the computed value is kept.
FormulaTable ApplyFormulaToTable(const std::string& formula, const std::vector<double>& input,
                                 const ConstantLookup& constants = listFileConstants(),
                                 common::Progress* progress = nullptr);

// The text of a number as Basic's Str shows it, with every "E"/"e" replaced by "*10^":
// the shortest digits that read back as the same double; fixed notation for magnitudes from
// 0.001 up to below 10^15, otherwise d.ddd E[+-]dd (0.00012 -> "1.2*10^-04").
std::string offsetText(double offset);
// "((" + trimmed formula + ")-(" + offsetText(offset) + "))"
std::string AddOffset(const std::string& formula, double offset);

// The dataset hook that turns a channel table into the table of a scope event graph.
std::function<std::shared_ptr<const std::vector<double>>(const std::vector<double>&,
                                                         const std::string&)>
makeFormulaTableHook(ConstantLookup constants = listFileConstants());

}  // namespace measure

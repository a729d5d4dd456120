#include "analysis/measure/ScopeFormulas.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "common/Progress.h"
#include "common/Prompt.h"

namespace measure {
namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::string lossQuestion(const std::string& head) {
    return head +
           "[nl][nl]   Accuracy in the final result has been reduced possibly due to[nl]"
           "the addition of a very small to a very large number.[nl][nl]"
           "                                 Accept formula?";
}

}  // namespace

std::string formulaCheckText(int code) {
    switch (code) {
        case formula_error::kNone: return {};
        case formula_error::kUnknownVariable: return "The formula has an unknown variable.";
        case formula_error::kUnbalancedBrackets: return "The formula has unbalanced brackets.";
        case formula_error::kDivisionByZero: return "The formula causes division by zero.";
        case formula_error::kOverflow:
            return "Overflow error:[nl][nl]     Evaluating the formula creates a final or[nl]"
                   "intermediate value too large for this program.";
        case formula_error::kPartialLoss: return lossQuestion("Partial loss of significance:");
        case formula_error::kTotalLoss: return lossQuestion("Total loss of significance:");
        case formula_error::kUnderflow:
            return "Underflow error.[nl][nl]     Evaluating the formula creates a final or[nl]"
                   "intermediate value too large for this program.";
        default: return "The formula has a syntax error.";
    }
}

bool CheckFormula(const std::string& formula, common::Prompt& prompt,
                  const ConstantLookup& constants) {
    FormulaEvaluator evaluator(constants);
    evaluator.setFormula(trimmed(formula));
    const int code = evaluator.evaluate(kCheckVoltage).error;
    if (code == formula_error::kNone) return true;
    if (code == formula_error::kPartialLoss || code == formula_error::kTotalLoss)
        return prompt.askYesNo(formulaCheckText(code), common::kWarningTitle);
    prompt.message(formulaCheckText(code), common::kMessageTitle);
    return false;
}

FormulaTable ApplyFormulaToTable(const std::string& formula, const std::vector<double>& input,
                                 const ConstantLookup& constants, common::Progress* progress) {
    FormulaTable table;
    table.values.resize(input.size());
    table.count = static_cast<std::int32_t>(input.size());
    FormulaEvaluator evaluator(constants);
    const int compileError = evaluator.setFormula(trimmed(formula));
    if (evaluator.normalisedText() == kIdentityFormula) {
        table.values = input;
    } else {
        for (std::size_t k = 0; k < input.size(); ++k) {
            const FormulaEvaluator::Result r = evaluator.evaluate(input[k]);
            const bool usable = r.error == formula_error::kNone ||
                                r.error == formula_error::kPartialLoss ||
                                r.error == formula_error::kTotalLoss;
            table.values[k] = usable ? r.value : kFormulaErrorValue;
        }
    }
    table.ok = compileError == formula_error::kNone;
    if (progress) progress->setText(kCalculatingFormulaText);
    return table;
}

std::string offsetText(double offset) {
    char buf[64];
    std::string text;
    const double magnitude = std::fabs(offset);
    if (!std::isfinite(offset)) {
        // Kept visible: the formula check then refuses the offset instead of ignoring it.
        text = std::isnan(offset) ? "0/0" : (offset > 0 ? "1E+308*10" : "-1E+308*10");
    } else if (magnitude == 0.0 || (magnitude >= 1e-3 && magnitude < 1e15)) {
        const auto r = std::to_chars(buf, buf + sizeof buf, offset, std::chars_format::fixed);
        text.assign(buf, r.ptr);
    } else {
        const auto r = std::to_chars(buf, buf + sizeof buf, offset, std::chars_format::scientific);
        const std::string sci(buf, r.ptr);  // d.ddde-05
        const auto e = sci.find('e');
        const std::string mantissa = sci.substr(0, e);
        int exponent = std::atoi(sci.c_str() + e + 1);
        char sign = exponent < 0 ? '-' : '+';
        exponent = std::abs(exponent);
        text = mantissa + "E" + sign + (exponent < 10 ? "0" : "") + std::to_string(exponent);
    }
    for (std::size_t p = text.find_first_of("Ee"); p != std::string::npos;
         p = text.find_first_of("Ee", p + 4))
        text = text.substr(0, p) + "*10^" + text.substr(p + 1);
    return text;
}

std::string AddOffset(const std::string& formula, double offset) {
    return "((" + trimmed(formula) + ")-(" + offsetText(offset) + "))";
}

std::function<std::shared_ptr<const std::vector<double>>(const std::vector<double>&,
                                                         const std::string&)>
makeFormulaTableHook(ConstantLookup constants) {
    return [constants = std::move(constants)](const std::vector<double>& channel,
                                              const std::string& formula)
               -> std::shared_ptr<const std::vector<double>> {
        FormulaTable table = ApplyFormulaToTable(formula, channel, constants);
        return std::make_shared<const std::vector<double>>(std::move(table.values));
    };
}

}  // namespace measure

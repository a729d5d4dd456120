#include "analysis/measure/FormulaEvaluator.h"

#include <muParserBase.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <deque>
#include <limits>
#include <map>

#include "common/AppPaths.h"
#include "common/Ini.h"
#include "common/IniFunctions.h"

namespace measure {
namespace {

// The operator callbacks of muparser carry no user data, so the code of the evaluation in
// progress lives per thread.
thread_local int t_error = formula_error::kNone;

bool isWarning(int code) {
    return code == formula_error::kPartialLoss || code == formula_error::kTotalLoss;
}

void report(int code) {
    if (t_error == formula_error::kNone) {
        t_error = code;
    } else if (isWarning(t_error)) {
        if (!isWarning(code) || code == formula_error::kTotalLoss) t_error = code;
    }
}

bool tooSmall(double r) { return std::fabs(r) < std::numeric_limits<double>::min(); }

double checkedResult(double r) {
    if (!std::isfinite(r)) report(formula_error::kOverflow);
    return r;
}

double addChecked(double a, double b) {
    const double s = a + b;
    if (!std::isfinite(s)) return checkedResult(s);
    if (a != 0.0 && b != 0.0) {
        const double large = std::fabs(a) >= std::fabs(b) ? a : b;
        const double small = std::fabs(a) >= std::fabs(b) ? b : a;
        if (s == large) {
            report(formula_error::kTotalLoss);
        } else {
            // Knuth's two-sum: the exact rounding error of s.
            const double bv = s - a;
            const double av = s - bv;
            const double err = (a - av) + (b - bv);
            if (std::fabs(err) > std::fabs(small) * 0x1p-26) report(formula_error::kPartialLoss);
        }
    }
    return s;
}

double opAdd(double a, double b) { return addChecked(a, b); }
double opSub(double a, double b) { return addChecked(a, -b); }

double opMul(double a, double b) {
    const double r = a * b;
    if (!std::isfinite(r)) return checkedResult(r);
    if (a != 0.0 && b != 0.0 && tooSmall(r)) report(formula_error::kUnderflow);
    return r;
}

double opDiv(double a, double b) {
    if (b == 0.0) {
        report(formula_error::kDivisionByZero);
        return 0.0;
    }
    const double r = a / b;
    if (!std::isfinite(r)) return checkedResult(r);
    if (a != 0.0 && tooSmall(r)) report(formula_error::kUnderflow);
    return r;
}

double opPow(double a, double b) {
    if (a == 0.0 && b < 0.0) {
        report(formula_error::kDivisionByZero);
        return 0.0;
    }
    if (a < 0.0 && std::isfinite(b) && std::trunc(b) != b) {
        report(formula_error::kInvalidArgument);
        return 0.0;
    }
    const double r = std::pow(a, b);
    if (!std::isfinite(r)) return checkedResult(r);
    if (a != 0.0 && tooSmall(r)) report(formula_error::kUnderflow);
    return r;
}

double opNeg(double a) { return -a; }
double opPlus(double a) { return a; }

// Digits with an optional fraction and exponent, read without regard to the locale.
int readNumber(const mu::char_type* expr, int* pos, mu::value_type* value) {
    const char* p = expr;
    const char* start = p;
    bool digits = false;
    while (std::isdigit(static_cast<unsigned char>(*p))) ++p, digits = true;
    if (*p == '.') {
        ++p;
        while (std::isdigit(static_cast<unsigned char>(*p))) ++p, digits = true;
    }
    if (!digits) return 0;
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        if (*q == '+' || *q == '-') ++q;
        if (std::isdigit(static_cast<unsigned char>(*q))) {
            while (std::isdigit(static_cast<unsigned char>(*q))) ++q;
            p = q;
        }
    }
    double v = 0.0;
    const auto res = std::from_chars(start, p, v);
    if (res.ec != std::errc() || res.ptr != p) return 0;
    *pos += static_cast<int>(p - start);
    *value = v;
    return 1;
}

class FormulaParser : public mu::ParserBase {
public:
    FormulaParser() {
        AddValIdent(readNumber);
        InitCharSets();
        InitFun();
        InitConst();
        InitOprt();
    }

protected:
    void InitCharSets() override {
        DefineNameChars("0123456789_abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
        DefineOprtChars("+-*/^");
        DefineInfixOprtChars("+-");
    }
    void InitFun() override {}
    void InitConst() override {}
    void InitOprt() override {
        EnableBuiltInOprt(false);
        DefineOprt("+", opAdd, mu::prADD_SUB, mu::oaLEFT, false);
        DefineOprt("-", opSub, mu::prADD_SUB, mu::oaLEFT, false);
        DefineOprt("*", opMul, mu::prMUL_DIV, mu::oaLEFT, false);
        DefineOprt("/", opDiv, mu::prMUL_DIV, mu::oaLEFT, false);
        DefineOprt("^", opPow, mu::prPOW, mu::oaRIGHT, false);
        DefineInfixOprt("-", opNeg, mu::prINFIX, false);
        DefineInfixOprt("+", opPlus, mu::prINFIX, false);
    }
};

// Brackets are known to pair up before muparser sees the text, so whatever it refuses
// (a bracket after a name included) is a syntax error.
int codeOf(const mu::ParserError&) { return formula_error::kSyntax; }

bool allowedCharacter(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return std::isalnum(u) || c == '_' || c == '.' || c == '+' || c == '-' || c == '*' ||
           c == '/' || c == '^' || c == '(' || c == ')';
}

// 8 for brackets that do not pair up; 2 for nesting beyond the limit or a character outside
// the grammar (muparser's own ",", "?:", "=", comparisons and strings stay out); else 0.
// Checked before muparser sees the text so that no depth reaches it that it was not built for.
int precheckCode(std::string_view text) {
    int depth = 0;
    int deepest = 0;
    bool foreign = false;
    for (char c : text) {
        if (c == '(') deepest = std::max(deepest, ++depth);
        else if (c == ')' && --depth < 0) return formula_error::kUnbalancedBrackets;
        else if (!allowedCharacter(c)) foreign = true;
    }
    if (depth != 0) return formula_error::kUnbalancedBrackets;
    return deepest > kMaxBracketDepth || foreign ? formula_error::kSyntax : formula_error::kNone;
}

}  // namespace

ConstantLookup listFileConstants() {
    return [](const std::string& name) -> std::optional<double> {
        const auto text =
            common::ini::readValue(common::userDataDirectory() / "sConsVal.ini", "List", name);
        if (!text) return std::nullopt;
        return common::parseRealText(*text);
    };
}

struct FormulaEvaluator::Impl {
    FormulaParser parser;
    ConstantLookup constants;
    double v = 0.0;
    double mv = 0.0;
    double pi = kPi;
    std::deque<double> constantValues;
    bool usesMv = false;
};

FormulaEvaluator::FormulaEvaluator(ConstantLookup constants) : m_impl(std::make_unique<Impl>()) {
    m_impl->constants = std::move(constants);
}

FormulaEvaluator::~FormulaEvaluator() = default;

int FormulaEvaluator::setFormula(std::string_view formula) {
    m_normalised.clear();
    for (char c : formula)
        if (!std::isspace(static_cast<unsigned char>(c))) m_normalised += c;
    m_compileError = formula_error::kSyntax;
    if (m_normalised.empty()) return m_compileError;
    if (const int code = precheckCode(m_normalised); code != formula_error::kNone)
        return m_compileError = code;

    Impl& d = *m_impl;
    d.parser.ClearVar();
    d.constantValues.clear();
    d.usesMv = false;
    try {
        d.parser.SetExpr(m_normalised);
        const mu::varmap_type used = d.parser.GetUsedVar();
        for (const auto& entry : used) {
            const std::string& name = entry.first;
            if (name == "V" || name == "v") {
                d.parser.DefineVar(name, &d.v);
            } else if (name == "mV" || name == "mv") {
                d.parser.DefineVar(name, &d.mv);
                d.usesMv = true;
            } else if (name == "pi" || name == "Pi" || name == "PI") {
                d.parser.DefineVar(name, &d.pi);
            } else {
                const std::optional<double> value =
                    d.constants ? d.constants(name) : std::optional<double>();
                if (!value) return m_compileError = formula_error::kUnknownVariable;
                d.constantValues.push_back(*value);
                d.parser.DefineVar(name, &d.constantValues.back());
            }
        }
        d.parser.SetExpr(m_normalised);
        t_error = formula_error::kNone;
        d.v = 0.0;
        d.mv = 0.0;
        (void)d.parser.Eval();  // parses into byte code; errors of this value do not matter
    } catch (const mu::ParserError& e) {
        return m_compileError = codeOf(e);
    }
    return m_compileError = formula_error::kNone;
}

FormulaEvaluator::Result FormulaEvaluator::evaluate(double v) {
    if (m_compileError != formula_error::kNone) return {0.0, m_compileError};
    Impl& d = *m_impl;
    d.v = v;
    if (d.usesMv) d.mv = v * 1000.0;
    t_error = formula_error::kNone;
    Result result;
    try {
        result.value = d.parser.Eval();
    } catch (const mu::ParserError& e) {
        return {0.0, codeOf(e)};
    }
    if (!std::isfinite(result.value)) report(formula_error::kOverflow);
    result.error = t_error;
    return result;
}

}  // namespace measure

#include "analysis/measure/FormulaLists.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <exception>

#include "common/AppPaths.h"
#include "common/Ini.h"
#include "common/IniFunctions.h"
#include "common/Prompt.h"

namespace measure {
namespace {

std::optional<std::string> readEntry(const char* file, const std::string& key) {
    try {
        auto value = common::ini::readValue(formulaListFile(file), kListSection, key);
        if (!value || value->empty()) return std::nullopt;
        return value;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::optional<std::int16_t> shortNumber(const std::string& text) {
    const std::string t = trimmed(text);
    std::int16_t n = 0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), n);
    if (r.ec != std::errc() || r.ptr != t.data() + t.size()) return std::nullopt;
    return n;
}

// A counter that is missing or not a number while numbered entries exist would restart at 1
// and overwrite them; it is set to the highest entry number first. Without entries the
// counter rule holds as it is (missing -> 1).
void repairCounter(const char* file, const char* key) {
    const auto path = formulaListFile(file);
    const auto text = common::ini::readValue(path, kListSection, key);
    if (text && shortNumber(*text)) return;
    std::int32_t highest = 0;
    for (const std::string& k : common::ini::keysOf(path, kListSection))
        if (const auto n = shortNumber(k)) highest = std::max<std::int32_t>(highest, *n);
    if (highest > 0) common::ini::writeValue(path, kListSection, key, std::to_string(highest));
}

// Increments a list counter: missing -> 1, otherwise + 1; nothing when it cannot be done.
std::optional<std::int32_t> incrementCounter(const char* file, const char* key,
                                             common::Prompt& prompt) {
    try {
        repairCounter(file, key);
        return common::incrementIniCounterWithin(formulaListFile(file), kListSection, key, -32768,
                                                 32767);
    } catch (const std::exception& e) {
        prompt.message(e.what(), common::kMessageTitle);
        return std::nullopt;
    }
}

bool constantSaved(const std::string& name, common::Prompt& prompt) {
    if (constantValue(name)) return true;
    prompt.message("Current constant must be checked and saved before it can be used.",
                   common::kMessageTitle);
    return false;
}

}  // namespace

std::filesystem::path formulaListFile(const char* name) { return common::userDataDirectory() / name; }

std::int32_t listCount(const char* file, const char* key) {
    const auto text = readEntry(file, key);
    if (!text) return 0;
    return shortNumber(*text).value_or(0);
}

std::optional<SavedFormula> readSavedFormula(std::int32_t n) {
    const std::string key = std::to_string(n);
    auto formula = readEntry(kFormulaFile, key);
    auto quantity = readEntry(kQuantityFile, key);
    auto unit = readEntry(kUnitFile, key);
    if (!formula || !quantity || !unit) return std::nullopt;
    return SavedFormula{n, std::move(*formula), std::move(*quantity), std::move(*unit)};
}

std::vector<SavedFormula> FormulaList() {
    std::vector<SavedFormula> list;
    const std::int32_t count = listCount(kFormulaFile, kMaxFormulaKey);
    for (std::int32_t n = 1; n <= count; ++n)
        if (auto entry = readSavedFormula(n)) list.push_back(std::move(*entry));
    return list;
}

std::string formulaListItem(const SavedFormula& entry) {
    return " " + entry.quantity + " : 'Y=" + entry.formula + "' " + entry.unit;
}

std::vector<std::string> ConstantList() {
    std::vector<std::string> names;
    const std::int32_t count = listCount(kConstantNameFile, kMaxConstantKey);
    for (std::int32_t n = 1; n <= count; ++n) {
        auto name = readEntry(kConstantNameFile, std::to_string(n));
        if (name && readEntry(kConstantValueFile, *name)) names.push_back(std::move(*name));
    }
    return names;
}

std::optional<double> constantValue(const std::string& name) {
    if (name.empty()) return std::nullopt;
    const auto text = readEntry(kConstantValueFile, name);
    if (!text) return std::nullopt;
    return common::parseRealText(*text);
}

std::optional<std::int32_t> cmdSaveFormula(const std::string& formula, const std::string& quantity,
                                           const std::string& unit, common::Prompt& prompt) {
    const auto n = incrementCounter(kFormulaFile, kMaxFormulaKey, prompt);
    if (!n) return std::nullopt;
    const std::string key = std::to_string(*n);
    try {
        common::ini::writeValue(formulaListFile(kFormulaFile), kListSection, key, formula);
        common::ini::writeValue(formulaListFile(kQuantityFile), kListSection, key, quantity);
        common::ini::writeValue(formulaListFile(kUnitFile), kListSection, key, unit);
    } catch (const std::exception& e) {
        prompt.message(e.what(), common::kMessageTitle);
        return std::nullopt;
    }
    prompt.message("Formula Saved.", common::kMessageTitle);
    return n;
}

std::optional<SavedFormula> cmdSet2ComboFormula(std::optional<std::int32_t> selected,
                                                common::Prompt& prompt) {
    if (!selected) {
        prompt.message("Please select a formula.", common::kMessageTitle);
        return std::nullopt;
    }
    auto entry = readSavedFormula(*selected);
    if (!entry) prompt.message("Error : Formula invalid.", common::kMessageTitle);
    return entry;
}

bool cmdAddConstantToList(const std::string& name, const std::string& valueText,
                          common::Prompt& prompt) {
    if (!name.empty() && std::isdigit(static_cast<unsigned char>(name.front()))) {
        prompt.message("Constant name cannot start with a number.", common::kMessageTitle);
        return false;
    }
    const std::string low = lowered(name);
    // Every spelling of a built-in variable is refused: the evaluator would never look such
    // a constant up. Characters outside the name box's set would not make a variable name.
    const bool foreign = std::any_of(name.begin(), name.end(), [](char c) {
        return !std::isalnum(static_cast<unsigned char>(c));
    });
    if (name.empty() || low == "v" || low == "mv" || low == "pi" || foreign) {
        prompt.message("Constant name invalid - please choose another.", common::kMessageTitle);
        return false;
    }
    const auto value = common::parseRealText(valueText);
    if (!value) {
        prompt.message("Constant value invalid - please re-enter.", common::kMessageTitle);
        return false;
    }
    bool inUse = false;
    try {
        inUse = common::ini::readValue(formulaListFile(kConstantValueFile), kListSection, name)
                    .has_value();
    } catch (const std::exception&) {
    }
    if (inUse) {
        prompt.message("Constant name in use - please choose another name.", common::kMessageTitle);
        return false;
    }
    const auto n = incrementCounter(kConstantNameFile, kMaxConstantKey, prompt);
    if (!n) return false;
    try {
        common::ini::writeValue(formulaListFile(kConstantNameFile), kListSection,
                                std::to_string(*n), name);
        common::ini::writeValue(formulaListFile(kConstantValueFile), kListSection, name,
                                trimmed(valueText));
    } catch (const std::exception& e) {
        prompt.message(e.what(), common::kMessageTitle);
        return false;
    }
    return true;
}

std::optional<std::string> cmdMultiplyFormulaByConstant(const std::string& name,
                                                        const std::string& formula,
                                                        common::Prompt& prompt) {
    if (!constantSaved(name, prompt)) return std::nullopt;
    if (!prompt.askOkCancel("       Multiply formula by " + name + " ?", common::kMessageTitle))
        return std::nullopt;
    return " " + name + "*(" + trimmed(formula) + ")";
}

std::optional<std::string> cmdCopyConstant(const std::string& name, common::Prompt& prompt) {
    if (!constantSaved(name, prompt)) return std::nullopt;
    prompt.message("Move the cursor to the desired location in the formula.[nl][nl]"
                   "                 Ctrl-V inserts the constant.",
                   common::kMessageTitle);
    return " " + name + " ";
}

bool constantNameKeyAllowed(char key) {
    return key == '\b' || std::isalnum(static_cast<unsigned char>(key));
}

bool constantValueKeyAllowed(char key) {
    return key == '\b' || key == '-' || key == '+' || key == '.' || key == 'e' || key == 'E' ||
           std::isdigit(static_cast<unsigned char>(key));
}

}  // namespace measure

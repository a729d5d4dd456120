#pragma once
// The formula and constant list files in common::userDataDirectory(), each with the single
// section "List": "sForm.ini" ("Max Formula Number", formula n), "sQunt.ini" (quantity n),
// "sUnit.ini" (unit n), "sConsNam.ini" ("Max Constant Number", name n) and "sConsVal.ini"
// (name = value). Entries that cannot be read are left out; nothing here throws for a
// damaged or missing file.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace common {
class Prompt;
}

namespace measure {

inline constexpr const char* kFormulaFile = "sForm.ini";
inline constexpr const char* kQuantityFile = "sQunt.ini";
inline constexpr const char* kUnitFile = "sUnit.ini";
inline constexpr const char* kConstantNameFile = "sConsNam.ini";
inline constexpr const char* kConstantValueFile = "sConsVal.ini";
inline constexpr const char* kListSection = "List";
inline constexpr const char* kMaxFormulaKey = "Max Formula Number";
inline constexpr const char* kMaxConstantKey = "Max Constant Number";

std::filesystem::path formulaListFile(const char* name);

struct SavedFormula {
    std::int32_t number = 0;
    std::string formula;
    std::string quantity;
    std::string unit;
};

// The counter of a list: missing, or not a 16-bit integer, counts as no entries.
std::int32_t listCount(const char* file, const char* key);

// Entry n, or nothing when one of its three values is missing or empty.
std::optional<SavedFormula> readSavedFormula(std::int32_t n);
// The readable entries 1 .. "Max Formula Number".
std::vector<SavedFormula> FormulaList();
// " " + quantity + " : 'Y=" + formula + "' " + unit
std::string formulaListItem(const SavedFormula& entry);
// The names 1 .. "Max Constant Number" whose values can be read.
std::vector<std::string> ConstantList();
// The value of a constant in "sConsVal.ini", when it is there and a number.
std::optional<double> constantValue(const std::string& name);

// cmdSaveFormula: increments "Max Formula Number" (missing -> 1), writes the three values
// under the new number, shows "Formula Saved." and returns the number; nothing when the
// counter cannot be incremented (the message names the problem).
std::optional<std::int32_t> cmdSaveFormula(const std::string& formula, const std::string& quantity,
                                           const std::string& unit, common::Prompt& prompt);

// cmdSet2ComboFormula: the chosen entry (item data n), or nothing after telling the user.
std::optional<SavedFormula> cmdSet2ComboFormula(std::optional<std::int32_t> selected,
                                                common::Prompt& prompt);

// cmdAddConstantToList: true when the constant was added (its checks and messages in order).
bool cmdAddConstantToList(const std::string& name, const std::string& valueText,
                          common::Prompt& prompt);

// cmdMultiplyFormulaByConstant: the new formula " " + name + "*(" + trimmed formula + ")",
// or nothing when the constant is not saved or the user cancels.
std::optional<std::string> cmdMultiplyFormulaByConstant(const std::string& name,
                                                        const std::string& formula,
                                                        common::Prompt& prompt);

// cmdCopyConstant: the clipboard text " " + name + " ", or nothing when not saved.
std::optional<std::string> cmdCopyConstant(const std::string& name, common::Prompt& prompt);

// Key filters of the constant name and value boxes.
bool constantNameKeyAllowed(char key);
bool constantValueKeyAllowed(char key);

}  // namespace measure

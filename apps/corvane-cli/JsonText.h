#pragma once
// Pieces of JSON text, written by hand: one flat object of strings, numbers, Booleans, null.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cli {

// A JSON string literal with quotes. Control characters, '"' and '\' are escaped; valid
// UTF-8 passes through; any other byte (set files often hold Latin-1 text) is read as
// Latin-1 and written as \u00XX, so the result is always valid UTF-8 JSON.
std::string jsonString(std::string_view text);

// A finite number in its shortest exact form, or null.
std::string jsonNumber(std::optional<double> value);
std::string jsonInteger(std::optional<std::int64_t> value);
std::string jsonBool(std::optional<bool> value);

// Collects "key": value members and closes the object.
class JsonObject {
public:
    void add(std::string_view key, std::string valueText);
    std::string text() const;  // "{\n  ...\n}\n"

private:
    std::string m_members;
};

}  // namespace cli

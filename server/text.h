#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Small text helpers shared by the service, the moderation commands and the demo generator.
namespace tarnvale::server {

using Field = std::pair<std::string, std::string>;
using Fields = std::vector<Field>;

// Decodes an application/x-www-form-urlencoded body: pairs joined by "&", name and value
// split at the first "=", "+" is a space and %XX a byte. A "%" not followed by two hex
// digits stays as it is. Empty pairs are skipped; a pair without "=" has an empty value.
Fields decodeForm(std::string_view body);

// The value of the first field with this name, or nullptr.
const std::string *findField(const Fields &fields, std::string_view name);

// All pieces of the text cut at every separator; empty pieces are kept.
std::vector<std::string> split(std::string_view text, char separator);
std::string join(const std::vector<std::string> &pieces, char separator);

// Lower case as the client writes an upload address: every letter, also outside ASCII
// (UTF-8 in and out; bytes that are not valid UTF-8 pass unchanged).
std::string toLower(std::string_view text);
bool equalsIgnoreCase(std::string_view a, std::string_view b);
// Without leading and trailing spaces and tabs.
std::string trim(std::string_view text);

// For terminal output: control bytes and backslash shown as escapes, the rest unchanged.
std::string printable(std::string_view text);
std::string htmlEscape(std::string_view text);

// Current UTC time as 2024-05-01T12:00:00.123Z.
std::string utcNow();

} // namespace tarnvale::server

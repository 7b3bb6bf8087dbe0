#pragma once
// Small text helpers of the format core. Text is UTF-8; lengths that the
// format rules compare are Shift-JIS byte lengths, so that results equal those
// of the same text in Shift-JIS.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Utf8.h"

namespace kelvra {

inline constexpr std::string_view kCrLf = "\r\n";

// The core's short name for Utf8CharLength.
constexpr std::size_t CharLength(unsigned char lead) { return Utf8CharLength(lead); }

// Shift-JIS byte length: ASCII and half-width katakana 1, every other character 2.
std::size_t SjisLength(std::string_view text);

// Start of the character that ends at `end` (exclusive), for a UTF-8 text.
std::size_t PreviousCharStart(std::string_view text, std::size_t end);

// Upper-cases ASCII letters and the full-width Latin, Greek and Cyrillic letters
// that have a same-width upper-case form; everything else stays.
void UpperCaseInPlace(std::string &text);

// Every CR LF, lone CR and lone LF becomes CR LF.
std::string NormaliseLineBreaks(std::string_view text);

// The text split at CR LF (a text of n line breaks gives n+1 lines) and back.
std::vector<std::string> SplitLines(std::string_view text);
std::string JoinLines(const std::vector<std::string> &lines);

bool StartsWith(std::string_view text, std::string_view prefix);
bool EndsWith(std::string_view text, std::string_view suffix);

// Line and column (both 1-based, column in characters) of a byte offset.
struct LineColumn { std::size_t line = 1, column = 1; };
LineColumn LineColumnOf(std::string_view text, std::size_t offset);

} // namespace kelvra

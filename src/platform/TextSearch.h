#pragma once
// Finding text for the search dialog: UTF-8 text, UTF-8 byte offsets,
// case-sensitive, on whole characters, from a position to the end only.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra {

inline constexpr std::size_t kNotFound = std::string_view::npos;

// First occurrence of `needle` at or after byte `from`, starting on a
// character boundary; kNotFound when there is none or `needle` is empty.
std::size_t FindWhole(std::string_view text, std::string_view needle, std::size_t from);

// Every occurrence from `from` on, left to right, each search resuming right
// after the previous occurrence (so occurrences never overlap).
std::vector<std::size_t> FindAllWhole(std::string_view text, std::string_view needle, std::size_t from);

} // namespace kelvra

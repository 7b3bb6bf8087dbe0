#pragma once
// A profile file ("[Section]" lines and "Key=Value" lines) read and written one
// value at a time, the way Windows' private-profile functions treat it: section
// and key names match without regard to ASCII case, values are trimmed of blanks
// and of one pair of enclosing quotes and cut at 2047 bytes, a write creates the
// file, the section or the key as needed and keeps everything else in its order.
//
// The file is Shift-JIS (code page 932) with CR LF line ends. When a value holds
// a character that code page 932 cannot give back unchanged, the whole file is
// written as UTF-8 with a byte-order mark instead, so nothing is lost; it goes
// back to code page 932 as soon as everything fits again. Reading accepts both,
// and also UTF-8 without a byte-order mark when the bytes are valid UTF-8 and
// hold non-ASCII text.
//
// Nothing is cached: every call reads the file afresh, and every change is
// written to a temporary file in the same folder that then replaces the file.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kelvra {

class IniFile {
public:
    // Longest value a read gives back, in bytes of the file's encoding.
    static constexpr std::size_t kMaxValueBytes = 2047;

    enum class Encoding { Cp932, Utf8 };

    explicit IniFile(std::filesystem::path path) : path_(std::move(path)) {}

    const std::filesystem::path &Path() const { return path_; }

    // The value (UTF-8), or nothing when the file, the section or the key is missing.
    std::optional<std::string> Read(std::string_view section, std::string_view key) const;
    // The value, or `defaultValue` when it is missing.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;

    // Sets one value. The value reads back exactly as given: values with outer
    // blanks or enclosing quotes are written inside double quotes. Returns false,
    // leaving the file as it was, when the file cannot be written or when a name
    // or the value cannot stand on one line of the file.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);

    // Removes every line of the key in the section. A missing file, section or key
    // is not a failure, and nothing is created for it.
    bool DeleteKey(std::string_view section, std::string_view key);

    // How the file is stored now (Cp932 for a missing file).
    Encoding StoredEncoding() const;

private:
    std::filesystem::path path_;
};

} // namespace kelvra

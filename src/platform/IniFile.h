#pragma once
// Profile files ("[Section]" lines and "Key=Value" lines) the way Windows'
// private-profile functions treat them: section and key names match without
// regard to ASCII case, values are trimmed of blanks and of one pair of
// enclosing quotes and cut at 2047 bytes, a write creates the file, the section
// or the key as needed and keeps everything else in its order.
//
// The file is Shift-JIS (code page 932) with CR LF line ends. When a value holds
// a character that code page 932 cannot give back unchanged, the whole file is
// written as UTF-8 with a byte-order mark instead, so nothing is lost; it goes
// back to code page 932 as soon as everything fits again. Reading accepts both,
// and also UTF-8 without a byte-order mark when the bytes are valid UTF-8 and
// hold non-ASCII text. Lines the program does not change keep their bytes as
// long as the file keeps its encoding.
//
// IniDocument holds one file in memory: it is read once, changed any number of
// times and written once (the Windows functions read and write the whole file
// at every call).

#include "platform/Status.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra {

enum class IniEncoding { Cp932, Utf8 };

class IniDocument {
public:
    // Longest value a read gives back, in bytes of the file's encoding.
    static constexpr std::size_t kMaxValueBytes = 2047;

    // Reads the file once. A missing file gives an empty document that can be
    // written; a folder or an unreadable file gives one that cannot.
    static IniDocument Load(const std::filesystem::path &path);
    static IniDocument Parse(std::string_view bytes);

    bool Exists() const { return state_ == State::Read; }
    bool Writable() const { return state_ != State::Unreadable; }
    IniEncoding Encoding() const { return encoding_; }

    // The value (UTF-8), or nothing when the section or the key is missing.
    std::optional<std::string> Read(std::string_view section, std::string_view key) const;
    // The line (from 1) that holds the key, as the file was read; nothing when
    // the section or the key is missing.
    std::optional<std::size_t> LineOf(std::string_view section, std::string_view key) const;
    // The value, or `defaultValue` when it is missing.
    std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const;

    // Sets one value. The value reads back exactly as given: values with outer
    // blanks or enclosing quotes are written inside double quotes. Returns false,
    // changing nothing, when a name or the value cannot stand on one line.
    bool Write(std::string_view section, std::string_view key, std::string_view value);
    // Removes every line of the key in the section; true when one was removed.
    bool Delete(std::string_view section, std::string_view key);

    // The file's bytes as they are now: the encoding the content needs, each
    // untouched line as it was read while the encoding stays.
    std::string Bytes() const;
    // Writes Bytes() to the file in one safe write.
    Status Save(const std::filesystem::path &path) const;

    struct Line;

private:
    enum class State { Missing, Read, Unreadable };
    // Indexes of the section lines, built on the first read after a change.
    const std::vector<std::size_t> &SectionLines() const;
    // The index in lines_ of the key's line.
    std::optional<std::size_t> FindKey(std::string_view section, std::string_view key) const;
    State state_ = State::Missing;
    IniEncoding encoding_ = IniEncoding::Cp932;
    std::vector<Line> lines_;
    mutable std::vector<std::size_t> sectionLines_;
    mutable bool sectionLinesValid_ = false;
};

struct IniDocument::Line {
    std::string text; // decoded, without the line end
    std::string raw;  // the bytes as read (with the line end); empty for a new or changed line
    enum class Kind { Section, Key, Other } kind = Kind::Other;
    std::string name; // section or key name, blanks trimmed
};

} // namespace kelvra

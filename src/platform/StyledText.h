#pragma once
// The document as the editor shows it: UTF-8 text whose lines end with CR LF,
// and the character attributes of every byte, kept as runs over a small table
// of distinct formats. RTF reads into it and writes from it; the format run's
// bold spans are applied to it.

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra {

struct Rgb {
    std::uint8_t red = 0, green = 0, blue = 0;
    auto operator<=>(const Rgb &) const = default;
};

struct CharFormat {
    std::string fontName = "ＭＳ ゴシック";
    double pointSize = 10;
    Rgb colour;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    auto operator<=>(const CharFormat &) const = default;
};

struct StyledRun {
    std::size_t start = 0;  // UTF-8 byte offset
    std::size_t length = 0; // bytes
    const CharFormat *format = nullptr;
};

class StyledText {
public:
    StyledText() : StyledText(CharFormat{}) {}
    explicit StyledText(CharFormat defaultFormat);

    // Attributes of new text when none are given.
    const CharFormat &DefaultFormat() const { return default_; }
    void SetDefaultFormat(const CharFormat &format) { default_ = format; }

    const std::string &Text() const { return text_; }
    std::size_t Size() const { return text_.size(); }
    bool Empty() const { return text_.empty(); }

    // Replaces everything by `text` in the default format.
    void SetText(std::string text);
    void Clear() { SetText({}); }
    void Append(std::string_view text) { Append(text, DefaultFormat()); }
    void Append(std::string_view text, const CharFormat &format);

    // Range operations take a UTF-8 byte offset and length; the range is cut
    // to the text and widened to whole characters.
    void SetFormat(std::size_t start, std::size_t length, const CharFormat &format);
    void ModifyFormat(std::size_t start, std::size_t length, const std::function<void(CharFormat &)> &change);
    void SetBold(std::size_t start, std::size_t length, bool bold = true);
    void SetColour(std::size_t start, std::size_t length, Rgb colour);

    // Format of the character at byte `pos` (the default format past the end).
    const CharFormat &FormatAt(std::size_t pos) const;

    // Maximal runs of equal format, in text order; none for an empty text.
    std::vector<StyledRun> Runs() const;
    void ForEachRun(const std::function<void(const StyledRun &)> &visit) const;

private:
    std::uint32_t Intern(const CharFormat &format);
    std::pair<std::size_t, std::size_t> Widen(std::size_t start, std::size_t length) const;
    std::uint32_t IndexAt(std::size_t pos) const;
    void SplitAt(std::size_t pos);
    void MergeAround(std::size_t from, std::size_t to);

    std::string text_;
    CharFormat default_;
    std::vector<CharFormat> formats_;            // distinct formats in use or once used
    std::map<CharFormat, std::uint32_t> lookup_; // format -> index in formats_
    std::map<std::size_t, std::uint32_t> runs_;  // run start -> format index
};

} // namespace kelvra

#pragma once
// Plain-text documents on disk: code page 932, UTF-8 or UTF-16 bytes, with the line
// ends of the file, turned into the editor's UTF-8 text with CR LF line ends
// and back, with word of every byte that would not come back as it was.

#include "platform/Files.h"
#include "platform/Utf8.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra {

enum class TextEncoding { Cp932, Utf8, Utf16Le, Utf16Be };

// How a document's file is written: what it was read as, so that a save
// gives the same kind of file back.
struct PlainTextFormat {
    TextEncoding encoding = TextEncoding::Cp932;
    bool byteOrderMark = false;      // UTF-8; UTF-16 always has one
    LineEnd lineEnd = LineEnd::CrLf; // the file's first line end
    bool mixedLineEnds = false;      // the file had more than one kind
    // Characters that code page 932 holds twice and that the file wrote with
    // another code than the usual one: {usual code, the file's code}, sorted.
    std::vector<std::pair<std::uint16_t, std::uint16_t>> keptCodes;
    // Usual codes of characters that the file wrote with more than one code:
    // only one of them can be written back. Sorted.
    std::vector<std::uint16_t> mixedCodes;
    bool operator==(const PlainTextFormat &) const = default;
};

// Why bytes are not taken as text without asking.
enum class TextProblem {
    None,
    NotText,        // NUL bytes, or UTF-16 without a byte-order mark
    MixedEncodings, // valid UTF-8 characters mixed with bytes that are not UTF-8
    Undecodable,    // bytes that are neither code page 932 nor UTF-8
};

struct DecodedText {
    std::string text; // UTF-8, CR LF line ends
    PlainTextFormat format;
    TextProblem problem = TextProblem::None;
    // Byte offsets in the file of bytes that did not decode (and of NUL bytes);
    // each became U+FFFD.
    std::vector<std::size_t> badOffsets;
    // Line ends that differ from the first one: a save writes them all as the
    // first. Their number and the file offset of the first.
    std::size_t otherLineEnds = 0;
    std::size_t firstOtherLineEnd = 0;
};

struct EncodedText {
    std::string bytes;
    // UTF-8 byte offsets in the text of characters that the encoding cannot
    // hold or would give back as other characters.
    std::vector<std::size_t> lossyOffsets;
    // Offsets in `bytes` of characters written with another code than the one
    // the file had at that place (the file used two codes for the character).
    std::vector<std::size_t> recodedOffsets;
};

// UTF-16 when the bytes start with its byte-order mark; UTF-8 when they
// start with its byte-order mark or are valid UTF-8 holding non-ASCII text,
// or when they are mostly UTF-8 (then the rest is reported as mixed); code
// page 932 otherwise.
DecodedText DecodePlainText(std::string_view bytes);
EncodedText EncodePlainText(std::string_view text, const PlainTextFormat &format);

// Line and column (1-based; lines counted by every kind of line end, columns
// in characters of the file's encoding, a byte-order mark not counted) of a
// byte offset in a file's bytes.
struct FilePosition {
    std::size_t line = 1, column = 1;
};
FilePosition PositionInFile(std::string_view bytes, TextEncoding encoding, std::size_t offset);

// "LINE:COLUMN: why" for a decoded file that must not be formatted or saved
// without asking; empty when there is no problem.
std::string DescribeTextProblem(std::string_view bytes, const DecodedText &decoded);

} // namespace kelvra

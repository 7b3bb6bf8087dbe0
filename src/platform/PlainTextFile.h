#pragma once
// Plain-text documents on disk: code page 932 or UTF-8 bytes, with the line
// ends of the file, turned into the editor's UTF-8 text with CR LF line ends
// and back; and the reading and safe replacing of files.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra {

enum class TextEncoding { Cp932, Utf8 };
enum class LineEnd { CrLf, Lf, Cr };

// How a document's file is written: what it was read as, so that a save
// gives the same kind of file back.
struct PlainTextFormat {
    TextEncoding encoding = TextEncoding::Cp932;
    bool byteOrderMark = false;       // UTF-8 only
    LineEnd lineEnd = LineEnd::CrLf;  // the file's first line end
    bool mixedLineEnds = false;       // the file had more than one kind
    bool operator==(const PlainTextFormat &) const = default;
};

struct DecodedText {
    std::string text;  // UTF-8, CR LF line ends
    PlainTextFormat format;
    // Byte offsets in the file of bytes that did not decode; each became U+FFFD.
    std::vector<std::size_t> badOffsets;
};

struct EncodedText {
    std::string bytes;
    // UTF-8 byte offsets in the text of characters that the encoding cannot
    // hold or would give back as other characters.
    std::vector<std::size_t> lossyOffsets;
};

// UTF-8 when the bytes start with its byte-order mark or are valid UTF-8
// holding non-ASCII text; code page 932 otherwise.
DecodedText DecodePlainText(std::string_view bytes);
EncodedText EncodePlainText(std::string_view text, const PlainTextFormat &format);

// Every line end (CR LF, LF or a lone CR) becomes CR LF; `found` receives the
// kind of the first one and whether others differ from it.
std::string ToCrLf(std::string_view text, PlainTextFormat *found = nullptr);
// CR LF becomes `lineEnd`; lone CR and LF stay as they are.
std::string FromCrLf(std::string_view text, LineEnd lineEnd);

struct FileStatus {
    bool ok = true;
    std::string message;  // why it failed, for the user
    explicit operator bool() const { return ok; }
};

FileStatus ReadFileBytes(const std::filesystem::path &path, std::string &bytes);
// Writes a temporary file beside the target, flushes it to disk and renames it
// over the target, so a failed write leaves the old file as it was. A symbolic
// link is followed; the old file's permissions are kept. A file the user may
// not write is not replaced.
FileStatus WriteFileSafely(const std::filesystem::path &path, std::string_view bytes);

} // namespace kelvra

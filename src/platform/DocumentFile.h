#pragma once
// Which way a document file is read or written (plain or rich text, by the
// launch mode and the file's extension), and the reading and writing of a
// whole document in memory.

#include "platform/PlainTextFile.h"
#include "platform/StyledText.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra {

enum class DocumentKind { PlainText, RichText };

// How the program was started: normally, in rich-text mode ("-X1") or as the
// read-only viewer ("-X2"). The numbers are those of the switches.
enum class LaunchMode { Normal = 0, RichText = 1, Viewer = 2 };

// The extension, from the last "." of the file name on, is ".rtf" in any case.
bool HasRtfExtension(const std::filesystem::path &path);
// Normal: always plain text. Rich text: rich text for ".rtf", else plain text.
// Viewer: always rich text; a file that is not RTF reads as plain.
DocumentKind LoadKind(LaunchMode launchMode, const std::filesystem::path &path);
DocumentKind SaveKind(LaunchMode launchMode, const std::filesystem::path &path);

struct LoadedDocument {
    StyledText content;
    bool rich = false;                       // read as RTF
    PlainTextFormat plainFormat;             // how to write it back as plain text
    std::vector<std::size_t> badOffsets;     // file offsets of bytes that did not decode
    TextProblem problem = TextProblem::None; // why the bytes are not plain text (plain reading only)
};

// Rich text only when asked for and the bytes are RTF; plain text otherwise,
// in `defaults`.
LoadedDocument ReadDocument(std::string_view bytes, DocumentKind kind, const CharFormat &defaults = {});

// Plain text in `plainFormat` (with the characters that would not come back),
// or RTF.
EncodedText WriteDocument(const StyledText &content, DocumentKind kind, const PlainTextFormat &plainFormat);

} // namespace kelvra

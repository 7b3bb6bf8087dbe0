#include "platform/DocumentFile.h"

#include "platform/Files.h"
#include "platform/RtfReader.h"
#include "platform/RtfWriter.h"

#include <cctype>

namespace kelvra {

bool HasRtfExtension(const std::filesystem::path &path) {
    std::string name = PathToUtf8(path.filename());
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    std::string ext = name.substr(dot);
    for (char &c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".rtf";
}

DocumentKind LoadKind(LaunchMode launchMode, const std::filesystem::path &path) {
    if (launchMode == LaunchMode::Viewer) return DocumentKind::RichText;
    return SaveKind(launchMode, path);
}

DocumentKind SaveKind(LaunchMode launchMode, const std::filesystem::path &path) {
    if (launchMode == LaunchMode::Normal) return DocumentKind::PlainText;
    return HasRtfExtension(path) ? DocumentKind::RichText : DocumentKind::PlainText;
}

LoadedDocument ReadDocument(std::string_view bytes, DocumentKind kind, const CharFormat &defaults) {
    LoadedDocument doc;
    if (kind == DocumentKind::RichText && LooksLikeRtf(bytes)) {
        doc.content = ReadRtf(bytes, defaults);
        doc.rich = true;
        return doc;
    }
    DecodedText decoded = DecodePlainText(bytes);
    doc.content = StyledText(defaults);
    doc.content.SetText(std::move(decoded.text));
    doc.plainFormat = decoded.format;
    doc.badOffsets = std::move(decoded.badOffsets);
    doc.problem = decoded.problem;
    return doc;
}

EncodedText WriteDocument(const StyledText &content, DocumentKind kind, const PlainTextFormat &plainFormat) {
    if (kind == DocumentKind::RichText) {
        EncodedText rtf;
        rtf.bytes = WriteRtf(content);
        return rtf;
    }
    return EncodePlainText(content.Text(), plainFormat);
}

} // namespace kelvra

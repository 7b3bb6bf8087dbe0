#include "document/Document.h"

#include "platform/Files.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace kelvra {
namespace {

std::filesystem::path PathOf(const std::string &path) { return PathFromUtf8(path); }

// After a save that unified line ends or codes: one kind of line end, and the
// codes the written bytes use.
PlainTextFormat FormatOnceWritten(PlainTextFormat format, const std::string &bytes) {
    format.mixedLineEnds = false;
    if (format.encoding == TextEncoding::Cp932) {
        PlainTextFormat written = DecodePlainText(bytes).format;
        format.keptCodes = std::move(written.keptCodes);
        format.mixedCodes = std::move(written.mixedCodes);
    }
    return format;
}

} // namespace

void FileHistory::Add(const std::string &path) {
    if (entries_[0] == path) return;
    std::move_backward(entries_.begin(), entries_.end() - 1, entries_.end());
    entries_[0] = path;
}

Document::Document() = default;

void Document::MakeUntitled(std::string untitledName) {
    untitledName_ = std::move(untitledName);
    path_ = untitledName_;
    plainFormat_ = PlainTextFormat{};
}

DocumentKind Document::KindToLoad(const std::string &path) const { return LoadKind(launchMode_, PathOf(path)); }
DocumentKind Document::KindToSave(const std::string &path) const { return SaveKind(launchMode_, PathOf(path)); }

LoadedDocument Document::Read(const std::string &path, bool rich, const CharFormat &defaults,
                              DocumentQuestions &questions) {
    std::string bytes;
    if (auto read = ReadFileBytes(PathOf(path), bytes); !read) throw std::runtime_error(read.message);
    LoadedDocument doc = ReadDocument(bytes, rich ? DocumentKind::RichText : DocumentKind::PlainText, defaults);
    const bool ask = !doc.badOffsets.empty() || doc.problem == TextProblem::NotText;
    if (ask && !questions.OpenWithReplacements(path, doc.badOffsets.size(), doc.problem)) throw CommandDeclined{};
    plainFormat_ = doc.plainFormat;
    return doc;
}

std::string Document::Encode(const StyledText &content, DocumentKind kind, DocumentQuestions &questions) {
    EncodedText encoded = WriteDocument(content, kind, plainFormat_);
    if (kind != DocumentKind::PlainText) return encoded.bytes;
    if (!encoded.lossyOffsets.empty()) encoded = AskAboutLostCharacters(content, encoded, questions);
    bool asked = false;
    if (!encoded.recodedOffsets.empty()) {
        if (!questions.SaveRecodedCharacters(encoded.recodedOffsets.size(),
                                             Cp932CharactersAt(encoded.bytes, encoded.recodedOffsets)))
            throw CommandDeclined{};
        asked = true;
    }
    if (plainFormat_.mixedLineEnds) {
        if (!questions.SaveUnifiedLineEnds(plainFormat_.lineEnd)) throw CommandDeclined{};
        asked = true;
    }
    if (asked) plainFormat_ = FormatOnceWritten(plainFormat_, encoded.bytes);
    return encoded.bytes;
}

// Code page 932 cannot hold some characters: offer UTF-8 rather than lose them.
EncodedText Document::AskAboutLostCharacters(const StyledText &content, EncodedText encoded,
                                             DocumentQuestions &questions) {
    switch (
        questions.SaveNotInShiftJis(encoded.lossyOffsets.size(), CharactersAt(content.Text(), encoded.lossyOffsets))) {
    case DocumentQuestions::NotInShiftJis::SaveAsUtf8: {
        PlainTextFormat utf8 = plainFormat_;
        utf8.encoding = TextEncoding::Utf8;
        utf8.byteOrderMark = true;
        plainFormat_ = utf8;
        return WriteDocument(content, DocumentKind::PlainText, utf8);
    }
    case DocumentQuestions::NotInShiftJis::ReplaceThem: return encoded;
    case DocumentQuestions::NotInShiftJis::Cancel: break;
    }
    throw CommandDeclined{};
}

void Document::Write(const std::string &path, const StyledText &content, DocumentQuestions &questions) {
    // The format the answers chose counts only once the file holds it.
    const PlainTextFormat before = plainFormat_;
    try {
        const std::string bytes = Encode(content, KindToSave(path), questions);
        SafeWriteOptions options;
        if (std::size_t others = OtherHardLinks(PathOf(path)); others > 0) {
            if (!questions.BreakHardLinks(path, others)) throw CommandDeclined{};
            options.breakHardLinks = true;
        }
        if (auto written = WriteFileSafely(PathOf(path), bytes, options); !written)
            throw std::runtime_error(written.message);
    } catch (...) {
        plainFormat_ = before;
        throw;
    }
}

std::string Cp932CharactersAt(const std::string &bytes, const std::vector<std::size_t> &offsets) {
    std::string text;
    std::vector<std::size_t> textOffsets;
    for (std::size_t offset : offsets) {
        if (offset + 2 > bytes.size()) continue;
        textOffsets.push_back(text.size());
        text += DecodeCp932(std::string_view(bytes).substr(offset, 2)).text;
    }
    return CharactersAt(text, textOffsets);
}

std::string CharactersAt(const std::string &text, const std::vector<std::size_t> &offsets) {
    std::vector<std::string> shown;
    for (std::size_t offset : offsets) {
        if (offset >= text.size()) continue;
        std::string ch = text.substr(offset, Utf8CharLength(static_cast<unsigned char>(text[offset])));
        if (std::find(shown.begin(), shown.end(), ch) == shown.end()) shown.push_back(std::move(ch));
        if (shown.size() == 10) break;
    }
    std::string out;
    for (const std::string &ch : shown) out += (out.empty() ? "" : " ") + ch;
    return out;
}

} // namespace kelvra

#include "document/Document.h"

#include "platform/Files.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace kelvra {
namespace {

std::filesystem::path PathOf(const std::string &path) { return std::filesystem::path(path); }

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
    if (!doc.badOffsets.empty() && !questions.OpenWithReplacements(path, doc.badOffsets.size())) throw CommandDeclined{};
    plainFormat_ = doc.plainFormat;
    return doc;
}

std::string Document::Encode(const StyledText &content, DocumentKind kind, DocumentQuestions &questions) {
    EncodedText encoded = WriteDocument(content, kind, plainFormat_);
    if (kind != DocumentKind::PlainText || encoded.lossyOffsets.empty()) return encoded.bytes;
    // Code page 932 cannot hold some characters: offer UTF-8 rather than lose them.
    switch (questions.SaveNotInShiftJis(encoded.lossyOffsets.size(), CharactersAt(content.Text(), encoded.lossyOffsets))) {
    case DocumentQuestions::NotInShiftJis::SaveAsUtf8: {
        PlainTextFormat utf8 = plainFormat_;
        utf8.encoding = TextEncoding::Utf8;
        utf8.byteOrderMark = true;
        encoded = WriteDocument(content, kind, utf8);
        plainFormat_ = utf8;
        return encoded.bytes;
    }
    case DocumentQuestions::NotInShiftJis::ReplaceThem: return encoded.bytes;
    case DocumentQuestions::NotInShiftJis::Cancel: break;
    }
    throw CommandDeclined{};
}

void Document::Write(const std::string &path, const StyledText &content, DocumentQuestions &questions) {
    const std::string bytes = Encode(content, KindToSave(path), questions);
    if (auto written = WriteFileSafely(PathOf(path), bytes); !written) throw std::runtime_error(written.message);
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

#include "ui/DocumentBuilder.h"

#include "ui/EditorPosition.h"

#include <algorithm>

namespace kelvra {
namespace {

constexpr std::size_t kSlice = 256 * 1024; // bytes between two looks at `stop`

} // namespace

DocumentBuilder::DocumentBuilder(const EditorFontState &font, std::function<bool()> stop,
                                 std::function<void(double)> progress)
    : content_(CharFormatOf(font)), font_(font), stop_(std::move(stop)), progress_(std::move(progress)) {}

void DocumentBuilder::Report() {
    if (progress_ && toInsert_ > 0) progress_(static_cast<double>(inserted_) / static_cast<double>(toInsert_));
}

void DocumentBuilder::Insert(std::string_view text, const QTextCharFormat &format) {
    while (!text.empty() && !stopped_) {
        std::size_t n = std::min(text.size(), kSlice);
        // Never cut a character or a CR LF in two.
        while (n < text.size() && ((static_cast<unsigned char>(text[n]) & 0xC0) == 0x80 || text[n] == '\n')) ++n;
        Report(); // the share done before this slice: the bar is full only once the text is whole
        const QString piece = ToEditorText(text.substr(0, n));
        content_.Append(piece, format);
        length_ += static_cast<int>(piece.size());
        text.remove_prefix(n);
        inserted_ += n;
        if (stop_ && stop_()) stopped_ = true;
    }
}

void DocumentBuilder::AddFormatted(const std::string &text, const std::vector<TextSpan> &bold) {
    const int base = length_;
    EditorPositionWalker walker(text);
    toInsert_ += text.size();
    std::size_t done = 0;
    for (const TextSpan &span : bold) {
        if (span.start < done || span.start + span.length > text.size()) continue;
        const int start = walker.PositionOf(span.start);
        bold_.push_back({base + start, walker.PositionOf(span.start + span.length) - start});
        done = span.start + span.length;
    }
    Insert(text, CharFormatOf(font_));
}

void DocumentBuilder::AddStyled(const StyledText &content) {
    toInsert_ += content.Text().size();
    content.ForEachRun([&](const StyledRun &run) {
        Insert(std::string_view(content.Text()).substr(run.start, run.length), CharFormatOfStyle(*run.format));
    });
}

BuiltDocument DocumentBuilder::Finish() {
    if (stopped_ || (stop_ && stop_())) return {};
    content_.SetBold(bold_);
    return {std::move(content_)};
}

} // namespace kelvra

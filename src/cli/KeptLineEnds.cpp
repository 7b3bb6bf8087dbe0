#include "cli/KeptLineEnds.h"

#include "formatter/ProtectedText.h"

namespace kelvra::cli {
namespace {

constexpr std::string_view Written(LineEnd kind) {
    return kind == LineEnd::CrLf ? "\r\n" : kind == LineEnd::Lf ? "\n" : "\r";
}

} // namespace

KeptLineEnds::KeptLineEnds(std::string_view text, std::string_view bytes, KeptReadings readings) : readings_(readings) {
    // CR and LF never occur inside a character of code page 932 or UTF-8.
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = LineEndLengthAt(bytes, i);
        if (n == 0) {
            ++i;
            continue;
        }
        ends_.push_back({i, LineEndKind(bytes.substr(i, n)), kNone});
        i += n;
    }
    const std::vector<ProtectedPiece> pieces = ProtectedPieces(text, readings_);
    for (const ProtectedPiece &p : pieces)
        segments_.push_back({std::string(text.substr(p.start, p.end - p.start)), {}});
    std::size_t end = 0, segment = 0;
    for (std::size_t i = 0; i + 1 < text.size() && end < ends_.size(); ++i) {
        if (text[i] != '\r' || text[i + 1] != '\n') continue;
        while (segment < pieces.size() && pieces[segment].end <= i) ++segment;
        if (segment < pieces.size() && pieces[segment].start <= i) {
            ends_[end].segment = segment;
            segments_[segment].kinds.push_back(ends_[end].kind);
        }
        ++end;
        ++i;
    }
}

LineEnd KeptLineEnds::CodeLineEnd(LineEnd fallback) const {
    for (const FileLineEnd &e : ends_)
        if (e.segment == kNone) return e.kind;
    return fallback;
}

std::string KeptLineEnds::Apply(std::string_view formatted, LineEnd fileLineEnd) {
    // The run keeps literals and comments in order; each that comes out as it
    // went in keeps its own line ends (a block comment whose line breaks became
    // blanks has none left to keep). Where they do not line up one for one,
    // none is taken for another.
    const std::vector<ProtectedPiece> found = ProtectedPieces(formatted, readings_);
    std::vector<bool> same(segments_.size(), false);
    for (std::size_t s = 0; found.size() == segments_.size() && s < found.size(); ++s)
        same[s] = formatted.substr(found[s].start, found[s].end - found[s].start) == segments_[s].text;

    std::string out;
    out.reserve(formatted.size());
    std::size_t piece = 0, kept = 0;
    for (std::size_t i = 0; i < formatted.size(); ++i) {
        if (formatted[i] != '\r' || i + 1 == formatted.size() || formatted[i + 1] != '\n') {
            out += formatted[i];
            continue;
        }
        for (; piece < found.size() && found[piece].end <= i; ++piece) kept = 0;
        const bool inSame = piece < found.size() && found[piece].start <= i && piece < same.size() && same[piece];
        const std::vector<LineEnd> &kinds = inSame ? segments_[piece].kinds : std::vector<LineEnd>{};
        out += Written(kept < kinds.size() ? kinds[kept++] : fileLineEnd);
        ++i;
    }

    changed_ = 0;
    for (const FileLineEnd &e : ends_) {
        if (e.kind == fileLineEnd || (e.segment != kNone && same[e.segment])) continue;
        if (changed_++ == 0) firstChangedOffset_ = e.offset;
    }
    return out;
}

} // namespace kelvra::cli

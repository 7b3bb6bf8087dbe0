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
        ends_.push_back({i, LineEndKind(bytes.substr(i, n)), false});
        i += n;
    }
    const std::vector<ProtectedPiece> segments = ProtectedPieces(text, readings_);
    std::size_t end = 0, segment = 0;
    for (std::size_t i = 0; i + 1 < text.size() && end < ends_.size(); ++i) {
        if (text[i] != '\r' || text[i + 1] != '\n') continue;
        while (segment < segments.size() && segments[segment].end <= i) ++segment;
        if (segment < segments.size() && segments[segment].start <= i) {
            ends_[end].inSegment = true;
            segmentKinds_.push_back(ends_[end].kind);
        }
        ++end;
        ++i;
    }
    for (const ProtectedPiece &s : segments) segments_.emplace_back(text.substr(s.start, s.end - s.start));
}

std::string KeptLineEnds::Apply(std::string_view formatted, LineEnd fileLineEnd) {
    const std::vector<ProtectedPiece> found = ProtectedPieces(formatted, readings_);
    bool keep = found.size() == segments_.size();
    for (std::size_t s = 0; keep && s < segments_.size(); ++s) {
        const ProtectedPiece &r = found[s];
        keep = formatted.substr(r.start, r.end - r.start) == segments_[s];
    }

    std::string out;
    out.reserve(formatted.size());
    std::size_t segment = 0, kept = 0;
    for (std::size_t i = 0; i < formatted.size(); ++i) {
        if (formatted[i] != '\r' || i + 1 == formatted.size() || formatted[i + 1] != '\n') {
            out += formatted[i];
            continue;
        }
        while (segment < found.size() && found[segment].end <= i) ++segment;
        const bool inSegment = segment < found.size() && found[segment].start <= i;
        out += Written(keep && inSegment && kept < segmentKinds_.size() ? segmentKinds_[kept++] : fileLineEnd);
        ++i;
    }

    changed_ = 0;
    for (const FileLineEnd &e : ends_) {
        if (e.kind == fileLineEnd || (keep && e.inSegment)) continue;
        if (changed_++ == 0) firstChangedOffset_ = e.offset;
    }
    return out;
}

} // namespace kelvra::cli

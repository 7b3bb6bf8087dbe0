#include "platform/LineEndCommands.h"

namespace kelvra {
namespace {

constexpr std::string_view kLineBreak = "\r\n";

// The text of the line that ends at `end` and starts at `start`.
std::string_view LineAt(std::string_view text, std::size_t start, std::size_t end) {
    return text.substr(start, end - start);
}

bool EndsWithSemicolon(std::string_view line) {
    std::size_t n = line.size();
    while (n > 0 && static_cast<unsigned char>(line[n - 1]) <= 32) --n;
    return n > 0 && line[n - 1] == ';';
}

} // namespace

std::vector<std::size_t> LineEnds(std::string_view text) {
    std::vector<std::size_t> ends;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t brk = text.find(kLineBreak, start);
        if (brk == std::string_view::npos) {
            ends.push_back(text.size());
            break;
        }
        ends.push_back(brk);
        start = brk + kLineBreak.size();
    }
    return ends;
}

std::vector<LineInsertion> SuffixInsertions(std::string_view text, std::string_view suffix) {
    std::vector<LineInsertion> out;
    for (std::size_t end : LineEnds(text)) out.push_back({end, std::string(suffix)});
    return out;
}

std::vector<LineInsertion> SeparatorInsertions(std::string_view text) {
    const std::vector<std::size_t> ends = LineEnds(text);
    std::vector<LineInsertion> out;
    std::size_t start = 0;
    for (std::size_t i = 0; i < ends.size(); ++i) {
        const std::string_view line = LineAt(text, start, ends[i]);
        const std::size_t nextStart = ends[i] + kLineBreak.size();
        // Past the last line the next line reads as empty.
        const std::string_view next = i + 1 < ends.size() ? LineAt(text, nextStart, ends[i + 1]) : std::string_view();
        if (EndsWithSemicolon(line) && next != kSeparatorLine)
            out.push_back({ends[i], std::string(kLineBreak) + std::string(kSeparatorLine)});
        start = nextStart;
    }
    return out;
}

std::string ApplyInsertions(std::string_view text, const std::vector<LineInsertion> &insertions) {
    std::size_t extra = 0;
    for (const LineInsertion &ins : insertions) extra += ins.text.size();
    std::string out;
    out.reserve(text.size() + extra);
    std::size_t done = 0;
    for (const LineInsertion &ins : insertions) {
        if (ins.offset < done || ins.offset > text.size()) continue;
        out.append(text.substr(done, ins.offset - done));
        out.append(ins.text);
        done = ins.offset;
    }
    out.append(text.substr(done));
    return out;
}

} // namespace kelvra

#include "platform/StyledText.h"

#include <algorithm>
#include <iterator>

namespace kelvra {
namespace {

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

} // namespace

StyledText::StyledText(CharFormat defaultFormat) : default_(std::move(defaultFormat)) {}

std::uint32_t StyledText::Intern(const CharFormat &format) {
    auto it = lookup_.find(format);
    if (it != lookup_.end()) return it->second;
    formats_.push_back(format);
    auto index = static_cast<std::uint32_t>(formats_.size() - 1);
    lookup_.emplace(format, index);
    return index;
}

void StyledText::SetText(std::string text) {
    text_ = std::move(text);
    runs_.clear();
    if (!text_.empty()) runs_.emplace(0, Intern(DefaultFormat()));
}

void StyledText::Append(std::string_view text, const CharFormat &format) {
    if (text.empty()) return;
    std::uint32_t index = Intern(format);
    std::size_t start = text_.size();
    text_.append(text);
    if (runs_.empty() || std::prev(runs_.end())->second != index) runs_.emplace_hint(runs_.end(), start, index);
}

std::pair<std::size_t, std::size_t> StyledText::Widen(std::size_t start, std::size_t length) const {
    std::size_t size = text_.size();
    std::size_t begin = std::min(start, size);
    std::size_t end = length > size - begin ? size : begin + length;
    while (begin > 0 && begin < size && IsContinuationByte(text_[begin])) --begin;
    while (end < size && IsContinuationByte(text_[end])) ++end;
    // A CR LF is one line end: a range never ends or starts between the two.
    if (begin > 0 && begin < size && text_[begin] == '\n' && text_[begin - 1] == '\r') --begin;
    if (end > 0 && end < size && text_[end] == '\n' && text_[end - 1] == '\r') ++end;
    return {begin, end};
}

std::uint32_t StyledText::IndexAt(std::size_t pos) const {
    auto it = runs_.upper_bound(pos);
    if (it == runs_.begin()) return 0;
    return std::prev(it)->second;
}

void StyledText::SplitAt(std::size_t pos) {
    if (pos >= text_.size() || runs_.count(pos)) return;
    runs_.emplace(pos, IndexAt(pos));
}

void StyledText::MergeAround(std::size_t from, std::size_t to) {
    auto it = runs_.lower_bound(from);
    if (it != runs_.begin()) --it;
    while (it != runs_.end() && it->first <= to) {
        auto next = std::next(it);
        if (next != runs_.end() && next->second == it->second) {
            runs_.erase(next);
            continue;
        }
        it = next;
    }
}

void StyledText::SetFormat(std::size_t start, std::size_t length, const CharFormat &format) {
    auto [begin, end] = Widen(start, length);
    if (begin >= end) return;
    std::uint32_t index = Intern(format);
    SplitAt(end);
    runs_.erase(runs_.lower_bound(begin), runs_.lower_bound(end));
    runs_.emplace(begin, index);
    MergeAround(begin, end);
}

void StyledText::ModifyFormat(std::size_t start, std::size_t length, const std::function<void(CharFormat &)> &change) {
    auto [begin, end] = Widen(start, length);
    if (begin >= end) return;
    SplitAt(begin);
    SplitAt(end);
    for (auto it = runs_.lower_bound(begin); it != runs_.end() && it->first < end; ++it) {
        CharFormat format = formats_[it->second];
        change(format);
        it->second = Intern(format);
    }
    MergeAround(begin, end);
}

void StyledText::SetBold(std::size_t start, std::size_t length, bool bold) {
    ModifyFormat(start, length, [bold](CharFormat &f) { f.bold = bold; });
}

void StyledText::SetColour(std::size_t start, std::size_t length, Rgb colour) {
    ModifyFormat(start, length, [colour](CharFormat &f) { f.colour = colour; });
}

const CharFormat &StyledText::FormatAt(std::size_t pos) const {
    if (pos >= text_.size()) return DefaultFormat();
    return formats_[IndexAt(pos)];
}

void StyledText::ForEachRun(const std::function<void(const StyledRun &)> &visit) const {
    for (auto it = runs_.begin(); it != runs_.end(); ++it) {
        auto next = std::next(it);
        std::size_t end = next == runs_.end() ? text_.size() : next->first;
        visit(StyledRun{it->first, end - it->first, &formats_[it->second]});
    }
}

std::vector<StyledRun> StyledText::Runs() const {
    std::vector<StyledRun> runs;
    runs.reserve(runs_.size());
    ForEachRun([&](const StyledRun &run) { runs.push_back(run); });
    return runs;
}

} // namespace kelvra

#include "platform/RtfTokenizer.h"

#include <limits>

namespace kelvra {
namespace {

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

constexpr std::size_t kMaxNameLength = 32;

} // namespace

RtfToken RtfTokenizer::Next() {
    RtfToken token;
    const std::size_t size = input_.size();
    while (pos_ < size) {
        char c = input_[pos_];
        if (c == '{') {
            ++pos_;
            token.kind = RtfTokenKind::GroupStart;
            return token;
        }
        if (c == '}') {
            ++pos_;
            token.kind = RtfTokenKind::GroupEnd;
            return token;
        }
        if (c == '\r' || c == '\n') {
            ++pos_;
            continue;
        }
        if (c != '\\') {
            std::size_t start = pos_;
            while (pos_ < size) {
                char t = input_[pos_];
                if (t == '{' || t == '}' || t == '\\' || t == '\r' || t == '\n') break;
                if (leads_ && (*leads_)[static_cast<unsigned char>(t)] && pos_ + 1 < size) {
                    char trail = input_[pos_ + 1];
                    if (trail != '\r' && trail != '\n') {
                        pos_ += 2;
                        continue;
                    }
                }
                ++pos_;
            }
            token.kind = RtfTokenKind::Text;
            token.text = input_.substr(start, pos_ - start);
            return token;
        }
        // A backslash.
        ++pos_;
        if (pos_ >= size) break;
        c = input_[pos_];
        if (IsLetter(c)) {
            std::size_t start = pos_;
            while (pos_ < size && IsLetter(input_[pos_])) ++pos_;
            token.kind = RtfTokenKind::ControlWord;
            token.name = input_.substr(start, std::min(pos_ - start, kMaxNameLength));
            bool negative = false;
            if (pos_ + 1 < size && input_[pos_] == '-' && IsDigit(input_[pos_ + 1])) {
                negative = true;
                ++pos_;
            }
            if (pos_ < size && IsDigit(input_[pos_])) {
                token.hasParameter = true;
                std::int64_t value = 0;
                constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
                while (pos_ < size && IsDigit(input_[pos_])) {
                    value = value * 10 + (input_[pos_] - '0');
                    if (value > kLimit) value = kLimit;
                    ++pos_;
                }
                token.parameter = static_cast<std::int32_t>(negative ? -value : value);
            }
            if (pos_ < size && input_[pos_] == ' ') ++pos_;
            if (token.name == "bin" && token.hasParameter) {
                std::size_t length = token.parameter > 0 ? static_cast<std::size_t>(token.parameter) : 0;
                if (length > size - pos_) length = size - pos_;
                token.kind = RtfTokenKind::Binary;
                token.text = input_.substr(pos_, length);
                pos_ += length;
            }
            return token;
        }
        if (c == '\'') {
            ++pos_;
            int high = pos_ < size ? HexValue(input_[pos_]) : -1;
            int low = pos_ + 1 < size ? HexValue(input_[pos_ + 1]) : -1;
            if (high < 0 || low < 0) continue; // invalid escape: dropped, the rest read on
            pos_ += 2;
            token.kind = RtfTokenKind::HexByte;
            token.byte = static_cast<unsigned char>(high * 16 + low);
            return token;
        }
        ++pos_;
        if (c == '\r' || c == '\n') {
            // A backslash before a line end is a paragraph mark.
            token.kind = RtfTokenKind::ControlWord;
            token.name = "par";
            return token;
        }
        token.kind = RtfTokenKind::ControlSymbol;
        token.symbol = c;
        return token;
    }
    token.kind = RtfTokenKind::End;
    return token;
}

} // namespace kelvra

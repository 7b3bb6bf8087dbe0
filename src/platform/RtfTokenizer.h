#pragma once
// Splits RTF bytes into groups, control words, control symbols, \'xx bytes
// and runs of plain text. It never fails: damaged input gives the tokens it
// can, numbers too large are clamped, and the end of input ends every token.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kelvra {

enum class RtfTokenKind {
    End,
    GroupStart,
    GroupEnd,
    ControlWord,   // \name or \nameN; `name`, `hasParameter`, `parameter`
    ControlSymbol, // \ followed by one non-letter; `symbol`
    HexByte,       // \'xx; `byte` (an invalid escape yields no token)
    Text,          // bytes outside control words, without CR and LF
    Binary,        // the data of \binN, skipped; `text` holds it
};

struct RtfToken {
    RtfTokenKind kind = RtfTokenKind::End;
    std::string_view name;
    bool hasParameter = false;
    std::int32_t parameter = 0;
    char symbol = 0;
    unsigned char byte = 0;
    std::string_view text;
};

class RtfTokenizer {
public:
    explicit RtfTokenizer(std::string_view input) : input_(input) {}

    RtfToken Next();
    std::size_t Position() const { return pos_; }
    bool AtEnd() const { return pos_ >= input_.size(); }

    // When set, plain text keeps a double-byte character (a lead byte from the
    // table and the byte after it) together even when its second byte is "\\",
    // "{" or "}", as writers of unescaped multi-byte text expect.
    void SetLeadBytes(const std::array<bool, 256> *leads) { leads_ = leads; }

private:
    std::string_view input_;
    std::size_t pos_ = 0;
    const std::array<bool, 256> *leads_ = nullptr;
};

} // namespace kelvra

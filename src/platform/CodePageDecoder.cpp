#include "platform/TextCodec.h"

#include "platform/CodePageTables.h"

#include <cstring>

namespace kelvra {
namespace {

// The table of a code page; 1252's for one without a table.
const CodePageTable *TableOf(int codePage) {
    const CodePageTable *fallback = nullptr;
    for (std::size_t i = 0; i < kCodePageTableCount; ++i) {
        if (kCodePageTables[i].codePage == codePage) return &kCodePageTables[i];
        if (kCodePageTables[i].codePage == 1252) fallback = &kCodePageTables[i];
    }
    return fallback;
}

// UTF-8 of a table entry; empty for none.
std::string Utf8Of(std::uint16_t entry) {
    std::string utf8;
    if (entry != kCodePageNone && entry != kCodePageLead) AppendUtf8(utf8, entry);
    return utf8;
}

// UTF-8 of the one character that the code page 932 code is; empty when the
// bytes are not exactly one character.
std::string Cp932Char(const std::string &code) {
    DecodeResult decoded = DecodeCp932(code);
    const bool one = decoded.badOffsets.empty() && !decoded.text.empty() &&
                     Utf8CharLength(static_cast<unsigned char>(decoded.text[0])) == decoded.text.size();
    return one ? std::move(decoded.text) : std::string();
}

} // namespace

CodePageDecoder::CodePageDecoder(int codePage)
    : codePage_(codePage), table_(codePage == 932 ? nullptr : TableOf(codePage)) {
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        lead_[b] = table_ ? table_->single[b] == kCodePageLead : IsCp932LeadByte(byte);
        if (!lead_[b]) single_[b] = CharOf(DecodeSingle(byte));
    }
}

CodePageDecoder::~CodePageDecoder() = default;

CodePageDecoder::Char CodePageDecoder::CharOf(std::string_view utf8) {
    Char ch;
    if (utf8.empty() || utf8.size() > sizeof ch.bytes) return ch;
    std::memcpy(ch.bytes, utf8.data(), utf8.size());
    ch.size = static_cast<unsigned char>(utf8.size());
    return ch;
}

std::string CodePageDecoder::DecodeSingle(unsigned char byte) const {
    if (!table_) return Cp932Char(std::string(1, static_cast<char>(byte)));
    return Utf8Of(table_->single[byte]);
}

std::string CodePageDecoder::DecodePair(unsigned char lead, unsigned char trail) const {
    if (!table_) return Cp932Char({static_cast<char>(lead), static_cast<char>(trail)});
    for (std::size_t r = 0; r < table_->rowCount; ++r) {
        const CodePageRow &row = table_->rows[r];
        if (row.lead != lead) continue;
        if (trail < row.firstTrail || trail >= row.firstTrail + row.count) return {};
        return Utf8Of(table_->chars[row.offset + (trail - row.firstTrail)]);
    }
    return {};
}

std::string_view CodePageDecoder::Decode(unsigned char byte) const { return single_[byte].View(); }

std::string_view CodePageDecoder::Decode(unsigned char lead, unsigned char trail) {
    if (!lead_[lead]) return {};
    std::unique_ptr<Row> &row = rows_[lead];
    if (!row) {
        row = std::make_unique<Row>();
        for (int t = 0; t < 256; ++t) (*row)[t] = CharOf(DecodePair(lead, static_cast<unsigned char>(t)));
    }
    return (*row)[trail].View();
}

} // namespace kelvra

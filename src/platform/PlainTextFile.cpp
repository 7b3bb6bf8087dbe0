#include "platform/PlainTextFile.h"

#include "platform/TextCodec.h"
#include "platform/Utf16.h"

#include <algorithm>
#include <map>

namespace kelvra {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

// Valid UTF-8 characters of three or four bytes, and bytes that are not part
// of a valid UTF-8 character. Shift-JIS text gives at most a few of the
// former against many of the latter; two-byte characters are not counted,
// because runs of half-width katakana form them by chance.
struct Utf8Evidence {
    bool nonAscii = false;
    std::size_t longCharacters = 0;
    std::size_t invalidBytes = 0;
};

Utf8Evidence WeighUtf8(std::string_view bytes) {
    Utf8Evidence e;
    for (std::size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        e.nonAscii = true;
        const std::size_t n = ValidUtf8LengthAt(bytes, i);
        if (n == 0)
            ++e.invalidBytes;
        else if (n >= 3)
            ++e.longCharacters;
        i += n == 0 ? 1 : n;
    }
    return e;
}

bool MostlyUtf8(const Utf8Evidence &e) {
    if (e.invalidBytes == 0) return e.nonAscii;
    return e.longCharacters > 0 && e.longCharacters * 2 >= e.invalidBytes;
}

// Every byte at `offsets` becomes U+FFFD; the rest is copied.
std::string ReplaceBytes(std::string_view body, const std::vector<std::size_t> &offsets) {
    std::string out;
    out.reserve(body.size() + offsets.size() * 2);
    std::size_t from = 0;
    for (std::size_t offset : offsets) {
        out.append(body.substr(from, offset - from));
        out += kReplacement;
        from = offset + 1;
    }
    out.append(body.substr(from));
    return out;
}

void NoteLineEnds(std::string_view bytes, DecodedText &result) {
    bool first = true;
    LineEndFinder lineEnds(bytes);
    for (std::size_t i = lineEnds.From(0); i != std::string_view::npos; i = lineEnds.From(i)) {
        const std::size_t n = LineEndLengthAt(bytes, i);
        LineEnd kind = LineEndKind(bytes.substr(i, n));
        if (first) {
            result.format.lineEnd = kind;
            first = false;
        } else if (kind != result.format.lineEnd) {
            if (result.otherLineEnds++ == 0) result.firstOtherLineEnd = i;
        }
        i += n;
    }
    result.format.mixedLineEnds = result.otherLineEnds > 0;
}

std::uint16_t CodeAt(std::string_view bytes, std::size_t i) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[i]) << 8 |
                                      static_cast<unsigned char>(bytes[i + 1]));
}

// Remembers, for each character that code page 932 holds more than once, the
// code the file used first for it, so that a save writes that code again.
void NoteDuplicateCodes(std::string_view bytes, PlainTextFormat &format) {
    std::map<std::uint16_t, std::uint16_t> firstCode; // usual code -> first code seen
    std::vector<std::uint16_t> usualOfAll;            // usual codes that have other codes
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t n = Cp932CharLength(bytes, i);
        if (n == 2) {
            std::uint16_t code = CodeAt(bytes, i);
            if (std::uint16_t usual = Cp932UsualCode(code)) firstCode.try_emplace(usual, code);
        }
        i += n;
    }
    if (firstCode.empty()) return;
    // Second pass: the usual codes count as well, and any code other than the
    // first one seen makes the character mixed.
    std::map<std::uint16_t, bool> mixed;
    std::map<std::uint16_t, std::uint16_t> first;
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t n = Cp932CharLength(bytes, i);
        if (n == 2) {
            std::uint16_t code = CodeAt(bytes, i);
            std::uint16_t usual = Cp932UsualCode(code);
            if (usual == 0 && firstCode.count(code)) usual = code;
            if (usual != 0) {
                auto [it, added] = first.try_emplace(usual, code);
                if (!added && it->second != code) mixed[usual] = true;
            }
        }
        i += n;
    }
    for (auto [usual, code] : first)
        if (code != usual) format.keptCodes.emplace_back(usual, code);
    for (auto [usual, isMixed] : mixed) format.mixedCodes.push_back(usual);
}

// Puts the file's own codes back in place of the usual ones and notes where a
// character the file wrote both ways gets one code for all.
void RestoreFileCodes(std::string &bytes, const PlainTextFormat &format, std::vector<std::size_t> &recoded) {
    if (format.keptCodes.empty() && format.mixedCodes.empty()) return;
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t n = Cp932CharLength(bytes, i);
        if (n == 2) {
            std::uint16_t code = CodeAt(bytes, i);
            auto kept = std::lower_bound(format.keptCodes.begin(), format.keptCodes.end(),
                                         std::pair<std::uint16_t, std::uint16_t>(code, 0));
            if (kept != format.keptCodes.end() && kept->first == code) {
                bytes[i] = static_cast<char>(kept->second >> 8);
                bytes[i + 1] = static_cast<char>(kept->second & 0xFF);
            }
            if (std::binary_search(format.mixedCodes.begin(), format.mixedCodes.end(), code)) recoded.push_back(i);
        }
        i += n;
    }
}

} // namespace

// Line ends are noted in the decoded text: in UTF-16 a CR or LF is two bytes.
DecodedText DecodeUtf16File(std::string_view bytes, ByteOrder order) {
    DecodedText result;
    Utf16Decoded decoded = DecodeUtf16(bytes.substr(kUtf16BomSize), order);
    NoteLineEnds(decoded.text, result);
    result.format.encoding = order == ByteOrder::LittleEndian ? TextEncoding::Utf16Le : TextEncoding::Utf16Be;
    result.format.byteOrderMark = true;
    for (std::size_t offset : decoded.badOffsets) result.badOffsets.push_back(offset + kUtf16BomSize);
    if (!result.badOffsets.empty()) result.problem = TextProblem::Undecodable;
    result.text = ToCrLf(decoded.text);
    return result;
}

DecodedText DecodePlainText(std::string_view bytes) {
    if (ByteOrder order; StartsWithUtf16Bom(bytes, order)) return DecodeUtf16File(bytes, order);
    DecodedText result;
    NoteLineEnds(bytes, result);
    const bool bom = bytes.starts_with(kUtf8Bom);
    const std::string_view body = bom ? bytes.substr(kUtf8Bom.size()) : bytes;
    const Utf8Evidence evidence = WeighUtf8(body);
    std::string decoded;
    if (bom || MostlyUtf8(evidence)) {
        result.format.encoding = TextEncoding::Utf8;
        result.format.byteOrderMark = bom;
        const std::vector<std::size_t> invalid =
            evidence.invalidBytes ? InvalidUtf8Offsets(body) : std::vector<std::size_t>();
        if (!bom && !invalid.empty()) result.problem = TextProblem::MixedEncodings;
        decoded = ReplaceBytes(body, invalid);
        for (std::size_t offset : invalid) result.badOffsets.push_back(offset + (bom ? kUtf8Bom.size() : 0));
    } else {
        DecodeResult d = DecodeCp932(bytes);
        decoded = std::move(d.text);
        result.badOffsets = std::move(d.badOffsets);
        NoteDuplicateCodes(bytes, result.format);
    }
    if (result.problem == TextProblem::None && !result.badOffsets.empty()) result.problem = TextProblem::Undecodable;
    if (bytes.find('\0') != std::string_view::npos) {
        // NUL bytes are never text: they are reported as undecodable so that
        // nothing is taken as text without a question.
        result.problem = TextProblem::NotText;
        std::vector<std::size_t> nuls;
        for (std::size_t i = decoded.find('\0'); i != std::string::npos; i = decoded.find('\0', i + 1))
            nuls.push_back(i);
        if (!nuls.empty()) {
            decoded = ReplaceBytes(decoded, nuls);
            // A NUL byte is one byte in either encoding, so its offsets in the
            // file are found by the same search.
            for (std::size_t i = bytes.find('\0'); i != std::string_view::npos; i = bytes.find('\0', i + 1))
                result.badOffsets.push_back(i);
            std::sort(result.badOffsets.begin(), result.badOffsets.end());
        }
    }
    result.text = ToCrLf(decoded);
    return result;
}

EncodedText EncodePlainText(std::string_view text, const PlainTextFormat &format) {
    EncodedText result;
    if (format.encoding == TextEncoding::Utf16Le || format.encoding == TextEncoding::Utf16Be) {
        const ByteOrder order =
            format.encoding == TextEncoding::Utf16Le ? ByteOrder::LittleEndian : ByteOrder::BigEndian;
        result.bytes = Utf16Bom(order);
        // The line ends first: in UTF-16 they are no longer single bytes.
        const std::string lines = format.lineEnd == LineEnd::CrLf ? std::string(text) : FromCrLf(text, format.lineEnd);
        std::vector<std::size_t> inLines; // the same bytes as below, counted in `lines`
        result.bytes += EncodeUtf16(lines, order, inLines);
        result.lossyOffsets = InvalidUtf8Offsets(text);
        return result;
    }
    if (format.encoding == TextEncoding::Utf8) {
        if (format.byteOrderMark) result.bytes.assign(kUtf8Bom);
        result.bytes.append(text);
        result.lossyOffsets = InvalidUtf8Offsets(text);
    } else {
        EncodeResult e = EncodeCp932(text);
        result.bytes = std::move(e.bytes);
        result.lossyOffsets = std::move(e.lossyOffsets);
    }
    // CR and LF never occur inside a multi-byte character of either encoding.
    if (format.lineEnd != LineEnd::CrLf) result.bytes = FromCrLf(result.bytes, format.lineEnd);
    if (format.encoding == TextEncoding::Cp932) RestoreFileCodes(result.bytes, format, result.recodedOffsets);
    return result;
}

FilePosition PositionInFile(std::string_view bytes, TextEncoding encoding, std::size_t offset) {
    if (encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16Be) {
        // Counted in the decoded text up to the offset, where each line end is one character again.
        const ByteOrder order = encoding == TextEncoding::Utf16Le ? ByteOrder::LittleEndian : ByteOrder::BigEndian;
        const std::size_t from = std::min(kUtf16BomSize, bytes.size());
        const std::string before = DecodeUtf16(bytes.substr(from, std::max(offset, from) - from), order).text;
        return PositionInFile(before, TextEncoding::Utf8, before.size());
    }
    FilePosition at;
    std::size_t i = encoding == TextEncoding::Utf8 && bytes.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0;
    offset = std::min(offset, bytes.size());
    while (i < offset) {
        if (std::size_t n = LineEndLengthAt(bytes, i)) {
            ++at.line;
            at.column = 1;
            i += n;
            continue;
        }
        std::size_t n = encoding == TextEncoding::Cp932 ? Cp932CharLength(bytes, i)
                                                        : Utf8CharLength(static_cast<unsigned char>(bytes[i]));
        // A sequence cut short by another line end or the end counts byte by byte.
        if (n > 1 &&
            (i + n > bytes.size() || bytes.substr(i + 1, n - 1).find_first_of("\r\n") != std::string_view::npos))
            n = 1;
        ++at.column;
        i += n;
    }
    return at;
}

std::string DescribeTextProblem(std::string_view bytes, const DecodedText &decoded) {
    if (decoded.problem == TextProblem::None) return {};
    const std::size_t first = decoded.badOffsets.empty() ? 0 : decoded.badOffsets.front();
    FilePosition at = PositionInFile(bytes, decoded.format.encoding, first);
    std::string where = std::to_string(at.line) + ":" + std::to_string(at.column) + ": ";
    const std::string count = std::to_string(decoded.badOffsets.size());
    switch (decoded.problem) {
    case TextProblem::NotText:
        return where + "not a text file (it holds NUL bytes or is UTF-16); the text is left as it is";
    case TextProblem::MixedEncodings:
        return where + "the file mixes UTF-8 with another encoding: " + count +
               " byte(s) are not UTF-8; the text is left as it is";
    case TextProblem::Undecodable:
        if (decoded.format.encoding == TextEncoding::Utf16Le || decoded.format.encoding == TextEncoding::Utf16Be)
            return where + count + " code unit(s) are no UTF-16 text; the text is left as it is";
        return where + count + " byte(s) are neither Shift-JIS nor UTF-8; the text is left as it is";
    case TextProblem::None: break;
    }
    return {};
}

} // namespace kelvra

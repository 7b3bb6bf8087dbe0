#include "platform/TextCodec.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <stdexcept>
#include <unordered_map>

namespace kelvra {
namespace {

const char kReplacement[] = "\xEF\xBF\xBD"; // U+FFFD

class Iconv {
public:
    Iconv(const char *to, const char *from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
    ~Iconv() { iconv_close(cd_); }
    Iconv(const Iconv &) = delete;
    Iconv &operator=(const Iconv &) = delete;

    // Converts as much as it can; returns the number of input bytes consumed and
    // sets `err` to 0 when everything converted, else to errno at the stop.
    std::size_t Convert(std::string_view in, std::string &out, int &err) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char *src = const_cast<char *>(in.data());
        std::size_t srcLeft = in.size();
        char buffer[8192];
        err = 0;
        while (srcLeft > 0) {
            char *dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            std::size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, static_cast<std::size_t>(dst - buffer));
            if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
                err = errno;
                break;
            }
        }
        return in.size() - srcLeft;
    }

private:
    iconv_t cd_;
};

std::string RoundTripCp932(std::string_view utf8, Iconv &enc, Iconv &dec, bool &ok) {
    std::string bytes, back;
    int err = 0;
    enc.Convert(utf8, bytes, err);
    ok = err == 0;
    if (!ok) return {};
    dec.Convert(bytes, back, err);
    ok = err == 0;
    return back;
}

} // namespace

std::uint16_t Cp932UsualCode(std::uint16_t code) {
    const unsigned lead = code >> 8;
    if (lead != 0x87 && lead != 0xED && lead != 0xEE && lead < 0xFA) return 0;
    // The duplicates all lie in rows 0x87, 0xED, 0xEE and 0xFA..0xFC; each of
    // their codes is decoded and encoded again once to find its usual code.
    static const std::unordered_map<std::uint16_t, std::uint16_t> usual = [] {
        std::unordered_map<std::uint16_t, std::uint16_t> table;
        Iconv enc("CP932", "UTF-8");
        Iconv dec("UTF-8", "CP932");
        for (unsigned row : {0x87u, 0xEDu, 0xEEu, 0xFAu, 0xFBu, 0xFCu}) {
            for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
                const char pair[2] = {static_cast<char>(row), static_cast<char>(trail)};
                std::string utf8, back;
                int err = 0;
                dec.Convert(std::string_view(pair, 2), utf8, err);
                if (err != 0 || utf8.empty()) continue;
                enc.Convert(utf8, back, err);
                if (err != 0 || back.size() != 2 || back == std::string_view(pair, 2)) continue;
                table[static_cast<std::uint16_t>(row << 8 | trail)] = static_cast<std::uint16_t>(
                    static_cast<unsigned char>(back[0]) << 8 | static_cast<unsigned char>(back[1]));
            }
        }
        return table;
    }();
    auto it = usual.find(code);
    return it == usual.end() ? 0 : it->second;
}

DecodeResult DecodeCp932(std::string_view bytes) {
    Iconv dec("UTF-8", "CP932");
    DecodeResult result;
    result.text.reserve(bytes.size() * 3 / 2);
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        int err = 0;
        pos += dec.Convert(bytes.substr(pos), result.text, err);
        if (err == 0) break;
        result.badOffsets.push_back(pos);
        result.text += kReplacement;
        ++pos;
    }
    return result;
}

EncodeResult EncodeCp932(std::string_view utf8) {
    Iconv enc("CP932", "UTF-8");
    Iconv dec("UTF-8", "CP932");
    EncodeResult result;
    bool ok = false;
    if (RoundTripCp932(utf8, enc, dec, ok) == utf8 && ok) {
        int err = 0;
        enc.Convert(utf8, result.bytes, err);
        return result;
    }
    // Something does not come back: convert character by character to find it.
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t n = std::min(Utf8CharLength(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
        std::string_view ch = utf8.substr(i, n);
        bool chOk = false;
        if (RoundTripCp932(ch, enc, dec, chOk) == ch && chOk) {
            int err = 0;
            enc.Convert(ch, result.bytes, err);
        } else {
            result.lossyOffsets.push_back(i);
            std::string written;
            int err = 0;
            enc.Convert(ch, written, err);
            result.bytes += err == 0 ? written : std::string("?");
        }
        i += n;
    }
    return result;
}

std::size_t ValidUtf8LengthAt(std::string_view s, std::size_t i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) return 1;
    const std::size_t n = Utf8CharLength(c);
    if (n == 1 || i + n > s.size()) return 0;
    unsigned cp = c & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        const unsigned char t = static_cast<unsigned char>(s[i + k]);
        if ((t & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (t & 0x3F);
    }
    const unsigned minimum[] = {0, 0, 0x80, 0x800, 0x10000};
    return cp >= minimum[n] && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF) ? n : 0;
}

std::vector<std::size_t> InvalidUtf8Offsets(std::string_view s) {
    std::vector<std::size_t> bad;
    for (std::size_t i = 0; i < s.size();) {
        if (std::size_t n = ValidUtf8LengthAt(s, i)) {
            i += n;
        } else {
            bad.push_back(i);
            ++i;
        }
    }
    return bad;
}

void AppendUtf8(std::string &out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

namespace {

iconv_t OpenCodePage(int codePage) {
    std::string names[3];
    if (codePage == 10000) {
        names[0] = "MACINTOSH";
    } else {
        names[0] = "CP" + std::to_string(codePage);
        names[1] = "WINDOWS-" + std::to_string(codePage);
    }
    names[2] = "CP1252";
    for (const std::string &name : names) {
        if (name.empty()) continue;
        iconv_t cd = iconv_open("UTF-8", name.c_str());
        if (cd != reinterpret_cast<iconv_t>(-1)) return cd;
    }
    throw std::runtime_error("iconv cannot decode CP1252");
}

} // namespace

CodePageDecoder::CodePageDecoder(int codePage) : codePage_(codePage), cd_(OpenCodePage(codePage)) {
    for (int b = 0; b < 256; ++b) {
        char byte = static_cast<char>(b);
        bool incomplete = false;
        single_[b] = Convert(&byte, 1, incomplete);
        lead_[b] = incomplete && b >= 0x80;
    }
}

CodePageDecoder::~CodePageDecoder() { iconv_close(static_cast<iconv_t>(cd_)); }

CodePageDecoder::Char CodePageDecoder::Convert(const char *in, std::size_t length, bool &incomplete) {
    iconv_t cd = static_cast<iconv_t>(cd_);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char src[2];
    std::memcpy(src, in, length);
    char *srcPtr = src;
    std::size_t srcLeft = length;
    char out[16];
    char *dst = out;
    std::size_t dstLeft = sizeof out;
    std::size_t r = iconv(cd, &srcPtr, &srcLeft, &dst, &dstLeft);
    incomplete = r == static_cast<std::size_t>(-1) && errno == EINVAL;
    Char ch;
    auto produced = static_cast<std::size_t>(dst - out);
    // Exactly one character must come out of the whole input.
    if (r == static_cast<std::size_t>(-1) || srcLeft != 0 || produced == 0 || produced > 4 ||
        Utf8CharLength(static_cast<unsigned char>(out[0])) != produced)
        return ch;
    std::memcpy(ch.bytes, out, produced);
    ch.size = static_cast<unsigned char>(produced);
    return ch;
}

std::string_view CodePageDecoder::Decode(unsigned char byte) const { return single_[byte].View(); }

std::string_view CodePageDecoder::Decode(unsigned char lead, unsigned char trail) {
    if (!lead_[lead]) return {};
    std::unique_ptr<Row> &row = rows_[lead];
    if (!row) {
        row = std::make_unique<Row>();
        for (int t = 0; t < 256; ++t) {
            char pair[2] = {static_cast<char>(lead), static_cast<char>(t)};
            bool incomplete = false;
            (*row)[t] = Convert(pair, 2, incomplete);
        }
    }
    return (*row)[trail].View();
}

bool IsValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = ValidUtf8LengthAt(bytes, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

bool HasNonAscii(std::string_view bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    return false;
}

} // namespace kelvra

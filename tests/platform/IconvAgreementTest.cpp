// The project's code page tables against glibc's iconv, which they were
// generated from: for code page 932 every one- and two-byte code and every BMP
// character both ways, for the code pages RTF files name every code decoded.
// Linux only (it needs glibc's iconv).

#include "platform/TextCodec.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <iconv.h>
#include <string>

using namespace kelvra;

namespace {

class Iconv {
public:
    Iconv(const char *to, const char *from) : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (Usable()) iconv_close(cd_);
    }
    Iconv(const Iconv &) = delete;
    Iconv &operator=(const Iconv &) = delete;
    bool Usable() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // The whole conversion of `in`; false when any of it does not convert.
    bool Convert(std::string_view in, std::string &out) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char *src = const_cast<char *>(in.data());
        std::size_t srcLeft = in.size();
        char buffer[64];
        char *dst = buffer;
        std::size_t dstLeft = sizeof buffer;
        std::size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
        // Out with anything held back (a base letter waiting for its accent).
        if (r != static_cast<std::size_t>(-1)) r = iconv(cd_, nullptr, nullptr, &dst, &dstLeft);
        out.assign(buffer, static_cast<std::size_t>(dst - buffer));
        return r != static_cast<std::size_t>(-1) && srcLeft == 0;
    }

private:
    iconv_t cd_;
};

class Cp932AgainstIconv : public ::testing::Test {
protected:
    void SetUp() override {
        if (!decoder_.Usable() || !encoder_.Usable()) GTEST_SKIP() << "this C library has no iconv CP932";
    }

    // What iconv reads from `bytes`: one U+FFFD per byte where it stops, then
    // on from the next byte, as a reader that resynchronises must do.
    std::string IconvDecode(std::string_view bytes) {
        std::string text;
        for (std::size_t i = 0; i < bytes.size();) {
            std::string out;
            // Two bytes when they make one character, else one.
            if (i + 1 < bytes.size() && decoder_.Convert(bytes.substr(i, 2), out) && IsOneChar(out)) {
                text += out;
                i += 2;
            } else if (decoder_.Convert(bytes.substr(i, 1), out)) {
                text += out;
                ++i;
            } else {
                text += "\xEF\xBF\xBD";
                ++i;
            }
        }
        return text;
    }

    static bool IsOneChar(const std::string &utf8) {
        return !utf8.empty() && Utf8CharLength(static_cast<unsigned char>(utf8[0])) == utf8.size();
    }

    Iconv decoder_{"UTF-8", "CP932"};
    Iconv encoder_{"CP932", "UTF-8"};
};

TEST_F(Cp932AgainstIconv, EveryOneAndTwoByteCodeDecodesAlike) {
    int differences = 0;
    for (unsigned first = 0; first < 256; ++first) {
        const char one[1] = {static_cast<char>(first)};
        if (DecodeCp932(std::string_view(one, 1)).text != IconvDecode(std::string_view(one, 1))) ++differences;
        for (unsigned second = 0; second < 256; ++second) {
            const char two[2] = {static_cast<char>(first), static_cast<char>(second)};
            const std::string_view bytes(two, 2);
            const DecodeResult ours = DecodeCp932(bytes);
            const std::string expected = IconvDecode(bytes);
            if (ours.text != expected) {
                ADD_FAILURE() << std::hex << first << ' ' << second;
                ++differences;
            }
            // Each U+FFFD in the text has its byte offset reported.
            std::size_t replacements = 0;
            for (std::size_t at = expected.find("\xEF\xBF\xBD"); at != std::string::npos;
                 at = expected.find("\xEF\xBF\xBD", at + 1))
                ++replacements;
            EXPECT_EQ(ours.badOffsets.size(), replacements) << std::hex << first << ' ' << second;
        }
    }
    EXPECT_EQ(differences, 0);
}

TEST_F(Cp932AgainstIconv, EveryBmpCharacterEncodesAlikeAndIsFlaggedWhenItWouldNotComeBack) {
    int differences = 0;
    for (char32_t cp = 0; cp < 0x10000; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        std::string utf8;
        AppendUtf8(utf8, cp);
        std::string bytes, back;
        const bool encodes = encoder_.Convert(utf8, bytes);
        const bool comesBack = encodes && decoder_.Convert(bytes, back) && back == utf8;
        const EncodeResult ours = EncodeCp932(utf8);
        if (ours.bytes != (encodes ? bytes : "?") || ours.lossyOffsets.empty() == !comesBack) {
            ADD_FAILURE() << "U+" << std::hex << static_cast<unsigned>(cp);
            ++differences;
        }
    }
    EXPECT_EQ(differences, 0);
}

TEST_F(Cp932AgainstIconv, DuplicateCodesLeadToTheCodeTheEncoderWrites) {
    for (unsigned code = 0x8140; code <= 0xFCFC; ++code) {
        const char pair[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
        std::string utf8, again;
        if (!decoder_.Convert(std::string_view(pair, 2), utf8) || !IsOneChar(utf8) || !encoder_.Convert(utf8, again))
            continue;
        const bool other = again != std::string_view(pair, 2);
        const unsigned usual =
            other ? static_cast<unsigned char>(again[0]) << 8 | static_cast<unsigned char>(again[1]) : 0;
        EXPECT_EQ(Cp932UsualCode(static_cast<std::uint16_t>(code)), usual) << std::hex << code;
    }
}

TEST(CodePagesAgainstIconv, EveryByteAndPairOfEveryRtfCodePageDecodesAlike) {
    for (int codePage :
         {437, 850, 874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, 1361, 10000}) {
        const std::string name = codePage == 10000 ? "MACINTOSH" : "CP" + std::to_string(codePage);
        Iconv iconv("UTF-8", name.c_str());
        if (!iconv.Usable()) {
            ADD_FAILURE() << "this C library has no " << name;
            continue;
        }
        CodePageDecoder decoder(codePage);
        int differences = 0;
        for (unsigned first = 0; first < 256; ++first) {
            const char one[1] = {static_cast<char>(first)};
            std::string expected;
            if (!iconv.Convert(std::string_view(one, 1), expected)) expected.clear();
            if (!decoder.IsLeadByte(first) && decoder.Decode(first) != expected) ++differences;
            if (!decoder.IsLeadByte(first)) continue;
            for (unsigned second = 0; second < 256; ++second) {
                const char two[2] = {static_cast<char>(first), static_cast<char>(second)};
                if (!iconv.Convert(std::string_view(two, 2), expected) ||
                    Utf8CharLength(expected[0]) != expected.size())
                    expected.clear();
                if (decoder.Decode(first, second) != expected) ++differences;
            }
        }
        EXPECT_EQ(differences, 0) << name;
    }
}

} // namespace

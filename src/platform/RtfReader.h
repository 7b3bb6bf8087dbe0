#pragma once
// Reads rich text as word processors and rich-text controls write it into the
// styled-text model: the text with font, size, colour, bold, italic,
// underline and strike-out. Paragraph and page layout, pictures, headers,
// footers and other destinations are dropped; body text never is. Damaged
// input is read as far as it goes.

#include "platform/StyledText.h"

#include <string_view>

namespace kelvra {

// True when the bytes start like an RTF file ("{\rtf").
bool LooksLikeRtf(std::string_view bytes);

// `defaults` gives the font name and colour where the file names none, and
// becomes the result's default format.
StyledText ReadRtf(std::string_view rtf, const CharFormat &defaults = {});

} // namespace kelvra

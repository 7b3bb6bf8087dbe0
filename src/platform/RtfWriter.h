#pragma once
// Writes the styled-text model as rich text of the kind a Windows rich-text
// control writes: code page 932, a font table (Japanese fonts with the
// Japanese charset), a colour table, and per run \f, \fs, \cf, \b, \i, \ul,
// \strike. Characters outside code page 932 are written as \uN.

#include "platform/StyledText.h"

#include <string>

namespace kelvra {

std::string WriteRtf(const StyledText &text);

} // namespace kelvra

#pragma once
// Every user choice that is not part of the document: the formatting options
// read by the format run, what is remembered and confirmed, and the editor's look.

#include <cstdint>
#include <string>

namespace kelvra {

enum class CommaPosition { After, Before };

// Which client and server will read the text. `Any` keeps the text's meaning
// under every one of them at once; a named dialect keeps only its own readings.
enum class SqlDialect { Any, Oracle, PostgreSql, MySql, SqlServer };

// A colour as the settings file stores it: 0x00BBGGRR, or a system-colour code
// (negative when read as signed) that the window layer resolves.
using StoredColour = std::int32_t;

constexpr StoredColour kSystemColourWindow = static_cast<StoredColour>(0x80000005);
constexpr StoredColour kSystemColourWindowText = static_cast<StoredColour>(0x80000008);

struct EditorFontSpec {
    std::string name = "ＭＳ ゴシック";
    int size = 10;
    StoredColour colour = kSystemColourWindowText;
};

struct EditorOptions {
    // Formatting.
    int Indent = 8; // 1..10
    CommaPosition Comma = CommaPosition::After;
    bool LfSp = false;                    // line breaks count as separators
    bool Bold = true;                     // emphasise reserved words
    bool SimpleMode = false;              // literals and comments are not protected
    bool KeepMeaning = true;              // protect dialect literals, line commands, breaks in block comments
    SqlDialect Dialect = SqlDialect::Any; // whose readings KeepMeaning keeps
    // Remembering and confirming.
    bool SaveCheck = true;
    bool SavePos = false;
    bool SaveSize = false;
    bool SavePath = true;
    // Appearance.
    StoredColour BackColor = kSystemColourWindow;
    EditorFontSpec EditorFont;
    bool FixedOnly = true;
};

// The indent width a run uses for a stored or chosen value: the value when it
// is 1 to 10, else 8.
constexpr int EffectiveIndent(int value) { return value >= 1 && value <= 10 ? value : 8; }

} // namespace kelvra

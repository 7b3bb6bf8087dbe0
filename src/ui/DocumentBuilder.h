#pragma once
// Editor texts made away from the window: the text with its formats and bold
// is put together as a TextContent (which touches no widget), on another
// thread if need be, and then handed to the editor in one step.

#include "formatter/FormatResult.h"
#include "platform/StyledText.h"
#include "ui/EditorSurface.h"
#include "ui/TextModel.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra {

// A finished text; nothing when its making was abandoned.
struct BuiltDocument {
    std::optional<TextContent> content;
};

class DocumentBuilder {
public:
    // `stop` is asked between slices of the work; true abandons it. `progress`
    // is told there the share of the work done (0 to 1).
    explicit DocumentBuilder(const EditorFontState &font, std::function<bool()> stop = {},
                             std::function<void(double)> progress = {});

    // `text` (UTF-8, CR LF) in the font, the spans in bold.
    void AddFormatted(const std::string &text, const std::vector<TextSpan> &bold);
    // Runs of rich text, each with its own format.
    void AddStyled(const StyledText &content);
    BuiltDocument Finish();

private:
    void Insert(std::string_view text, const QTextCharFormat &format);
    void Report();

    TextContent content_;
    int length_ = 0; // positions appended so far
    std::vector<EditorRange> bold_;
    EditorFontState font_;
    std::function<bool()> stop_;
    std::function<void(double)> progress_;
    bool stopped_ = false;
    std::size_t inserted_ = 0, toInsert_ = 0;
};

} // namespace kelvra

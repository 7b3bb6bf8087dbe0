#include "platform/RtfReader.h"

#include "platform/RtfTokenizer.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace kelvra {
namespace {

enum class Destination : std::uint8_t { Body, Skip, FontTable, ColourTable };

// Character state of one group; copied on "{" and restored on "}".
struct GroupState {
    int font = -1;
    int halfPoints = 24;
    int colour = 0; // index into the colour table; 0 is "automatic"
    bool bold = false, italic = false, underline = false, strikeOut = false;
    int unicodeSkip = 1; // \ucN
    Destination destination = Destination::Body;
};

struct FontEntry {
    std::string name;
    int codePage = 0; // 0: the document's code page
};

struct ColourEntry {
    Rgb rgb;
    bool automatic = true;
};

// Groups whose content is not part of the document's text.
const std::unordered_set<std::string_view> &SkippedDestinations() {
    static const std::unordered_set<std::string_view> names = {"stylesheet",
                                                               "info",
                                                               "pict",
                                                               "header",
                                                               "headerl",
                                                               "headerr",
                                                               "headerf",
                                                               "footer",
                                                               "footerl",
                                                               "footerr",
                                                               "footerf",
                                                               "footnote",
                                                               "fldinst",
                                                               "object",
                                                               "objdata",
                                                               "themedata",
                                                               "datastore",
                                                               "listtable",
                                                               "listoverridetable",
                                                               "revtbl",
                                                               "rsidtbl",
                                                               "filetbl",
                                                               "xmlnstbl",
                                                               "latentstyles",
                                                               "colorschememapping",
                                                               "generator",
                                                               "nonshppict",
                                                               "shpinst",
                                                               "template",
                                                               "txe",
                                                               "xe",
                                                               "tc",
                                                               "private",
                                                               "pgdsctbl",
                                                               "bkmkstart",
                                                               "bkmkend",
                                                               "atnid",
                                                               "atnauthor",
                                                               "annotation",
                                                               "mmathPr",
                                                               "userprops",
                                                               "docvar",
                                                               "fchars",
                                                               "lchars",
                                                               "pn",
                                                               "wgrffmtfilter"};
    return names;
}

int CodePageOfCharset(int charset) {
    switch (charset) {
    case 0: return 1252;
    case 2: return 1252;
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return 0;
    }
}

// Code pages with a decoder; any other number decodes as 1252, so that a file
// naming thousands of code pages cannot make thousands of decoders.
int KnownCodePage(int codePage) {
    switch (codePage) {
    case 437:
    case 850:
    case 874:
    case 932:
    case 936:
    case 949:
    case 950:
    case 1250:
    case 1251:
    case 1252:
    case 1253:
    case 1254:
    case 1255:
    case 1256:
    case 1257:
    case 1258:
    case 1361:
    case 10000: return codePage;
    default: return 1252;
    }
}

constexpr std::size_t kMaxDepth = 4096;

class Reader {
public:
    Reader(std::string_view rtf, const CharFormat &defaults) : tokenizer_(rtf), defaults_(defaults), result_(defaults) {
        stack_.reserve(64);
    }

    StyledText Run() {
        state_ = GroupState{};
        state_.font = defaultFont_;
        UpdateDecoder();
        for (;;) {
            RtfToken token = tokenizer_.Next();
            if (token.kind == RtfTokenKind::End) break;
            Handle(token);
        }
        FlushLead();
        FlushLoneSurrogate();
        FinishFontEntry();
        if (lastWasParagraph_ && pending_.size() >= 2) pending_.resize(pending_.size() - 2);
        FlushText();
        return std::move(result_);
    }

private:
    void Handle(const RtfToken &token) {
        bool first = firstInGroup_;
        firstInGroup_ = false;
        switch (token.kind) {
        case RtfTokenKind::GroupStart: return PushGroup();
        case RtfTokenKind::GroupEnd: return PopGroup();
        default: break;
        }
        if (state_.destination == Destination::Skip) return;
        if (skip_ > 0) {
            // Fallback characters after \uN: a control word, a \'xx or one text byte each.
            if (token.kind == RtfTokenKind::Text && token.text.size() > skip_) {
                RtfToken rest = token;
                rest.text = token.text.substr(skip_);
                skip_ = 0;
                Handle(rest);
                return;
            }
            skip_ -= token.kind == RtfTokenKind::Text ? token.text.size() : 1;
            return;
        }
        switch (token.kind) {
        case RtfTokenKind::ControlWord: return ControlWord(token);
        case RtfTokenKind::ControlSymbol: return ControlSymbol(token.symbol, first);
        case RtfTokenKind::HexByte: return Byte(token.byte);
        case RtfTokenKind::Text: return Text(token.text);
        default: return;
        }
    }

    void PushGroup() {
        FlushLead();
        firstInGroup_ = true;
        skip_ = 0;
        if (stack_.size() >= kMaxDepth) {
            ++overflow_;
            return;
        }
        stack_.push_back(state_);
    }

    void PopGroup() {
        FlushLead();
        skip_ = 0;
        if (overflow_ > 0) {
            --overflow_;
            return;
        }
        if (stack_.empty()) return; // an extra "}": the outermost state stays
        if (state_.destination == Destination::FontTable) FinishFontEntry();
        state_ = stack_.back();
        stack_.pop_back();
        formatDirty_ = true;
        UpdateDecoder();
    }

    void ControlWord(const RtfToken &t) {
        std::string_view w = t.name;
        int p = t.parameter;
        bool on = !t.hasParameter || p != 0;

        if (SkippedDestinations().count(w)) {
            FlushLead();
            state_.destination = Destination::Skip;
            return;
        }
        if (w == "fonttbl") {
            state_.destination = Destination::FontTable;
            return;
        }
        if (w == "colortbl") {
            state_.destination = Destination::ColourTable;
            colourSeen_ = false;
            return;
        }
        if (state_.destination == Destination::FontTable) return FontTableWord(w, t);
        if (state_.destination == Destination::ColourTable) {
            int v = std::clamp(p, 0, 255);
            if (w == "red")
                colour_.rgb.red = static_cast<std::uint8_t>(v), colourSeen_ = true;
            else if (w == "green")
                colour_.rgb.green = static_cast<std::uint8_t>(v), colourSeen_ = true;
            else if (w == "blue")
                colour_.rgb.blue = static_cast<std::uint8_t>(v), colourSeen_ = true;
            return;
        }

        // Body text.
        if (w == "par" || w == "line" || w == "row" || w == "sect") return Paragraph();
        if (w == "tab" || w == "cell" || w == "nestcell") return Emit("\t");
        if (w == "u") return Unicode(p);
        if (w == "uc") {
            state_.unicodeSkip = std::clamp(p, 0, 16);
            return;
        }
        if (w == "b") return SetFlag(state_.bold, on);
        if (w == "i") return SetFlag(state_.italic, on);
        if (w == "strike" || w == "striked") return SetFlag(state_.strikeOut, on);
        if (w == "ulnone") return SetFlag(state_.underline, false);
        if (w.starts_with("ul") && w != "ulc") return SetFlag(state_.underline, on);
        if (w == "f") {
            FlushLead();
            state_.font = p;
            formatDirty_ = true;
            return UpdateDecoder();
        }
        if (w == "fs") {
            state_.halfPoints = std::clamp(t.hasParameter ? p : 24, 2, 3276);
            formatDirty_ = true;
            return;
        }
        if (w == "cf") {
            state_.colour = std::max(p, 0);
            formatDirty_ = true;
            return;
        }
        if (w == "plain") {
            FlushLead();
            int skip = state_.unicodeSkip;
            Destination destination = state_.destination;
            state_ = GroupState{};
            state_.font = defaultFont_;
            state_.unicodeSkip = skip;
            state_.destination = destination;
            formatDirty_ = true;
            return UpdateDecoder();
        }
        if (w == "deff") {
            // Only the document's default font changes, not one chosen by \f.
            if (state_.font == defaultFont_) state_.font = p;
            defaultFont_ = p;
            formatDirty_ = true;
            return UpdateDecoder();
        }
        if (w == "ansicpg") {
            if (p > 0) documentCodePage_ = p;
            return UpdateDecoder();
        }
        if (w == "ansi")
            documentCodePage_ = 1252;
        else if (w == "mac")
            documentCodePage_ = 10000;
        else if (w == "pc")
            documentCodePage_ = 437;
        else if (w == "pca")
            documentCodePage_ = 850;
        else if (w == "emdash")
            return Emit("\u2014");
        else if (w == "endash")
            return Emit("\u2013");
        else if (w == "emspace")
            return Emit("\u2003");
        else if (w == "enspace")
            return Emit("\u2002");
        else if (w == "qmspace")
            return Emit("\u2005");
        else if (w == "bullet")
            return Emit("\u2022");
        else if (w == "lquote")
            return Emit("\u2018");
        else if (w == "rquote")
            return Emit("\u2019");
        else if (w == "ldblquote")
            return Emit("\u201C");
        else if (w == "rdblquote")
            return Emit("\u201D");
        else
            return;
        UpdateDecoder();
    }

    void FontTableWord(std::string_view w, const RtfToken &t) {
        if (w == "f") {
            FinishFontEntry();
            entryOpen_ = true;
            entryNumber_ = t.parameter;
            entryCodePage_ = 0;
            entryName_.clear();
        } else if (w == "fcharset") {
            entryCodePage_ = CodePageOfCharset(t.parameter);
        } else if (w == "cpg") {
            if (t.parameter > 0) entryCodePage_ = t.parameter;
        } else if (w == "u") {
            Unicode(t.parameter);
            return;
        } else {
            return;
        }
        UpdateDecoder();
    }

    void FinishFontEntry() {
        if (!entryOpen_) return;
        FlushLead();
        std::string name = entryName_;
        while (!name.empty() && name.back() == ' ') name.pop_back();
        std::size_t lead = name.find_first_not_of(' ');
        name.erase(0, lead == std::string::npos ? name.size() : lead);
        fonts_[entryNumber_] = FontEntry{name, entryCodePage_};
        entryOpen_ = false;
        entryName_.clear();
        UpdateDecoder();
    }

    void ControlSymbol(char symbol, bool first) {
        switch (symbol) {
        case '*':
            if (first) state_.destination = Destination::Skip;
            return;
        case '\\': return Emit("\\");
        case '{': return Emit("{");
        case '}': return Emit("}");
        case '~': return Emit("\u00A0");
        case '_': return Emit("-");
        case '\t': return Emit("\t");
        default: return; // \- (optional hyphen), \| and \: are not text
        }
    }

    void SetFlag(bool &flag, bool on) {
        flag = on;
        formatDirty_ = true;
    }

    void Paragraph() {
        if (state_.destination != Destination::Body) return;
        Emit("\r\n");
        lastWasParagraph_ = true;
    }

    void Unicode(int p) {
        char32_t cp = static_cast<char32_t>(p < 0 ? p + 65536 : p);
        if (p < -32768) cp = 0xFFFD;
        skip_ = static_cast<std::size_t>(state_.unicodeSkip);
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            FlushLead();
            FlushLoneSurrogate();
            highSurrogate_ = cp;
            return;
        }
        std::string utf8;
        if (cp >= 0xDC00 && cp <= 0xDFFF && highSurrogate_) {
            cp = 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (cp - 0xDC00);
            highSurrogate_ = 0;
        }
        AppendUtf8(utf8, cp);
        Emit(utf8);
    }

    // Raw or escaped bytes of the current code page.
    void Byte(unsigned char b) {
        if (state_.destination == Destination::ColourTable) return;
        if (lead_ >= 0) {
            std::string_view ch = decoder_->Decode(static_cast<unsigned char>(lead_), b);
            lead_ = -1;
            if (!ch.empty()) return Emit(ch, false);
            Emit("\xEF\xBF\xBD", false);
        }
        if (decoder_->IsLeadByte(b)) {
            lead_ = b;
            return;
        }
        std::string_view ch = decoder_->Decode(b);
        Emit(ch.empty() ? std::string_view("\xEF\xBF\xBD") : ch, false);
    }

    void Text(std::string_view text) {
        if (state_.destination == Destination::ColourTable) {
            for (char c : text)
                if (c == ';') {
                    colour_.automatic = !colourSeen_;
                    colours_.push_back(colour_);
                    colour_ = ColourEntry{};
                    colourSeen_ = false;
                }
            return;
        }
        std::size_t i = 0;
        while (i < text.size()) {
            unsigned char c = static_cast<unsigned char>(text[i]);
            if (state_.destination == Destination::FontTable && c == ';') {
                FinishFontEntry();
                ++i;
                continue;
            }
            if (c >= 0x80 || lead_ >= 0) {
                Byte(c);
                ++i;
                continue;
            }
            // A stretch of ASCII.
            std::size_t start = i;
            while (i < text.size()) {
                unsigned char a = static_cast<unsigned char>(text[i]);
                if (a >= 0x80 || (a < 0x20 && a != '\t') || (state_.destination == Destination::FontTable && a == ';'))
                    break;
                ++i;
            }
            if (i > start)
                Emit(text.substr(start, i - start), false);
            else
                ++i; // a control character in the file is not text
        }
    }

    void Emit(std::string_view utf8, bool flushLead = true) {
        if (flushLead) FlushLead();
        if (utf8.empty()) return;
        FlushLoneSurrogate();
        if (state_.destination == Destination::FontTable) {
            if (entryOpen_) entryName_.append(utf8);
            return;
        }
        if (state_.destination != Destination::Body) return;
        if (formatDirty_) {
            CharFormat format = CurrentFormat();
            if (!(format == pendingFormat_)) {
                FlushText();
                pendingFormat_ = std::move(format);
            }
            formatDirty_ = false;
        }
        pending_.append(utf8);
        lastWasParagraph_ = false;
    }

    // A high surrogate that no low one followed stands for one U+FFFD.
    void FlushLoneSurrogate() {
        if (!highSurrogate_) return;
        highSurrogate_ = 0;
        Emit("\xEF\xBF\xBD", false);
    }

    void FlushLead() {
        if (lead_ < 0) return;
        lead_ = -1;
        Emit("\xEF\xBF\xBD", false);
    }

    void FlushText() {
        result_.Append(pending_, pendingFormat_);
        pending_.clear();
    }

    CharFormat CurrentFormat() const {
        CharFormat f = defaults_;
        auto font = fonts_.find(state_.font);
        if (font != fonts_.end() && !font->second.name.empty()) f.fontName = font->second.name;
        f.pointSize = state_.halfPoints / 2.0;
        if (state_.colour > 0 && static_cast<std::size_t>(state_.colour) < colours_.size() &&
            !colours_[static_cast<std::size_t>(state_.colour)].automatic)
            f.colour = colours_[static_cast<std::size_t>(state_.colour)].rgb;
        f.bold = state_.bold;
        f.italic = state_.italic;
        f.underline = state_.underline;
        f.strikeOut = state_.strikeOut;
        return f;
    }

    void UpdateDecoder() {
        int codePage = 0;
        if (state_.destination == Destination::FontTable && entryOpen_) {
            codePage = entryCodePage_;
        } else {
            auto font = fonts_.find(state_.font);
            if (font != fonts_.end()) codePage = font->second.codePage;
        }
        codePage = KnownCodePage(codePage == 0 ? documentCodePage_ : codePage);
        if (decoder_ && decoder_->CodePage() == codePage) return;
        FlushLead();
        std::unique_ptr<CodePageDecoder> &slot = decoders_[codePage];
        if (!slot) slot = std::make_unique<CodePageDecoder>(codePage);
        decoder_ = slot.get();
        tokenizer_.SetLeadBytes(&decoder_->LeadBytes());
    }

    RtfTokenizer tokenizer_;
    CharFormat defaults_;
    StyledText result_;

    GroupState state_;
    std::vector<GroupState> stack_;
    std::size_t overflow_ = 0;
    bool firstInGroup_ = false;

    int documentCodePage_ = 1252;
    int defaultFont_ = 0; // without \deff, font 0
    std::map<int, FontEntry> fonts_;
    bool entryOpen_ = false;
    int entryNumber_ = 0;
    int entryCodePage_ = 0;
    std::string entryName_;

    std::vector<ColourEntry> colours_;
    ColourEntry colour_;
    bool colourSeen_ = false;

    std::unordered_map<int, std::unique_ptr<CodePageDecoder>> decoders_;
    CodePageDecoder *decoder_ = nullptr;
    int lead_ = -1;
    std::size_t skip_ = 0;
    char32_t highSurrogate_ = 0;

    std::string pending_;
    CharFormat pendingFormat_;
    bool formatDirty_ = true;
    bool lastWasParagraph_ = false;
};

} // namespace

bool LooksLikeRtf(std::string_view bytes) { return bytes.starts_with("{\\rtf"); }

StyledText ReadRtf(std::string_view rtf, const CharFormat &defaults) { return Reader(rtf, defaults).Run(); }

} // namespace kelvra

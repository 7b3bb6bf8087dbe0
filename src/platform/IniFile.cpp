#include "platform/IniFile.h"

#include "platform/Files.h"
#include "platform/TextCodec.h"
#include "platform/Utf8.h"

#include <algorithm>

namespace kelvra {
namespace {

namespace fs = std::filesystem;
using Line = IniDocument::Line;
using Kind = IniDocument::Line::Kind;

// Every line the program writes ends so.
constexpr std::string_view kLineEnd = "\r\n";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x -= 'a' - 'A';
        if (y >= 'a' && y <= 'z') y -= 'a' - 'A';
        if (x != y) return false;
    }
    return true;
}

Line Classify(std::string text, std::string raw = {}) {
    Line line;
    std::string_view t = Trim(text);
    if (!t.empty() && t.front() == '[') {
        std::size_t close = t.find(']');
        if (close != std::string_view::npos) {
            line.kind = Kind::Section;
            line.name = Trim(t.substr(1, close - 1));
        }
    } else if (!t.empty() && t.front() != ';') {
        std::size_t eq = t.find('=');
        if (eq != std::string_view::npos) {
            line.kind = Kind::Key;
            line.name = Trim(t.substr(0, eq));
        }
    }
    line.text = std::move(text);
    line.raw = std::move(raw);
    return line;
}

std::string ValueOf(const Line &line) {
    std::string_view v = Trim(std::string_view(line.text).substr(line.text.find('=') + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

// Bytes one character takes in the file.
std::size_t StoredCharBytes(std::string_view utf8Char, IniEncoding encoding) {
    return encoding == IniEncoding::Utf8 ? utf8Char.size() : SjisCharLength(utf8Char);
}

std::string CutValue(std::string value, IniEncoding encoding) {
    std::size_t stored = 0;
    for (std::size_t i = 0; i < value.size();) {
        std::size_t n = std::min(Utf8CharLength(static_cast<unsigned char>(value[i])), value.size() - i);
        stored += StoredCharBytes(std::string_view(value).substr(i, n), encoding);
        if (stored > IniDocument::kMaxValueBytes) {
            value.resize(i);
            break;
        }
        i += n;
    }
    return value;
}

// The pieces of `text` between line ends (CR LF, CR or LF), each with its line
// end; no empty piece after the last line end.
std::vector<std::string_view> SplitKeepingEnds(std::string_view text) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
        end += LineEndLengthAt(text, end);
        pieces.push_back(text.substr(start, end - start));
        start = end;
    }
    return pieces;
}

std::string_view WithoutLineEnd(std::string_view piece) {
    while (!piece.empty() && (piece.back() == '\r' || piece.back() == '\n')) piece.remove_suffix(1);
    return piece;
}

bool FitsOnOneLine(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

bool ValidSectionName(std::string_view s) {
    return FitsOnOneLine(s) && s.find(']') == std::string_view::npos && Trim(s) == s;
}

bool ValidKeyName(std::string_view s) {
    return FitsOnOneLine(s) && !s.empty() && s.find('=') == std::string_view::npos && Trim(s) == s &&
           s.front() != '[' && s.front() != ';';
}

// A value whose outer blanks or enclosing quotes a read would strip goes inside
// double quotes; the read strips exactly those again.
std::string StoredValue(std::string_view value) {
    bool quote = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        quote = true;
    if (!quote) return std::string(value);
    std::string quoted(1, '"');
    quoted += value;
    quoted += '"';
    return quoted;
}

} // namespace

IniDocument IniDocument::Load(const fs::path &path) {
    IniDocument doc;
    std::error_code ec;
    fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status)) return doc;
    std::string bytes;
    if (!fs::is_regular_file(status) || !ReadFileBytes(path, bytes)) {
        doc.state_ = State::Unreadable;
        return doc;
    }
    return Parse(bytes);
}

IniDocument IniDocument::Parse(std::string_view bytes) {
    IniDocument doc;
    doc.state_ = State::Read;
    std::string decoded;
    std::string_view text;
    if (bytes.starts_with(kUtf8Bom)) {
        doc.encoding_ = IniEncoding::Utf8;
        bytes.remove_prefix(kUtf8Bom.size());
        text = bytes;
    } else if (!HasNonAscii(bytes)) {
        text = bytes; // ASCII reads the same in code page 932
    } else if (IsValidUtf8(bytes)) {
        doc.encoding_ = IniEncoding::Utf8;
        text = bytes;
    } else {
        decoded = DecodeCp932(bytes).text;
        text = decoded;
    }
    // Line ends are the same ASCII bytes before and after decoding, so the raw
    // and the decoded lines pair up one to one.
    std::vector<std::string_view> raw = SplitKeepingEnds(bytes), lines = SplitKeepingEnds(text);
    doc.lines_.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        doc.lines_.push_back(
            Classify(std::string(WithoutLineEnd(lines[i])), i < raw.size() ? std::string(raw[i]) : std::string()));
    return doc;
}

const std::vector<std::size_t> &IniDocument::SectionLines() const {
    if (!sectionLinesValid_) {
        sectionLines_.clear();
        for (std::size_t i = 0; i < lines_.size(); ++i)
            if (lines_[i].kind == Kind::Section) sectionLines_.push_back(i);
        sectionLinesValid_ = true;
    }
    return sectionLines_;
}

std::optional<std::string> IniDocument::Read(std::string_view section, std::string_view key) const {
    // Every section of the name counts, in file order; lines before the first
    // section belong to none.
    const std::vector<std::size_t> &sections = SectionLines();
    for (std::size_t k = 0; k < sections.size(); ++k) {
        if (!SameName(lines_[sections[k]].name, section)) continue;
        const std::size_t end = k + 1 < sections.size() ? sections[k + 1] : lines_.size();
        for (std::size_t i = sections[k] + 1; i < end; ++i)
            if (lines_[i].kind == Kind::Key && SameName(lines_[i].name, key))
                return CutValue(ValueOf(lines_[i]), encoding_);
    }
    return std::nullopt;
}

std::string IniDocument::ReadString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
    std::optional<std::string> value = Read(section, key);
    return value ? *value : std::string(defaultValue);
}

bool IniDocument::Write(std::string_view section, std::string_view key, std::string_view value) {
    if (!ValidSectionName(section) || !ValidKeyName(key) || !FitsOnOneLine(value)) return false;
    const std::string stored = StoredValue(value);

    std::optional<std::size_t> sectionEnd; // after the last non-blank line of the first matching section
    bool inSection = false, inFirstSection = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        Line &line = lines_[i];
        if (line.kind == Kind::Section) {
            inSection = SameName(line.name, section);
            inFirstSection = inSection && !sectionEnd;
            if (inFirstSection) sectionEnd = i + 1;
            continue;
        }
        if (inFirstSection && !Trim(line.text).empty()) sectionEnd = i + 1;
        if (!inSection) continue;
        if (line.kind == Kind::Key && SameName(line.name, key)) {
            std::string text = line.name + "=" + stored;
            if (text != line.text) line = Classify(std::move(text));
            return true;
        }
    }
    Line entry = Classify(std::string(key) + "=" + stored);
    sectionLinesValid_ = false;
    if (sectionEnd) {
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*sectionEnd), std::move(entry));
    } else {
        std::string header(1, '[');
        header += section;
        header += ']';
        lines_.push_back(Classify(std::move(header)));
        lines_.push_back(std::move(entry));
    }
    return true;
}

bool IniDocument::Delete(std::string_view section, std::string_view key) {
    bool inSection = false;
    const std::size_t before = lines_.size();
    std::erase_if(lines_, [&](const Line &line) {
        if (line.kind == Kind::Section) inSection = SameName(line.name, section);
        return inSection && line.kind == Kind::Key && SameName(line.name, key);
    });
    sectionLinesValid_ = false;
    return lines_.size() != before;
}

std::string IniDocument::Bytes() const {
    // Lines read from the file are written back as they were read while the
    // file keeps its encoding; the others are encoded. Code page 932 unless
    // an encoded line needs UTF-8.
    auto kept = [this](const Line &line, IniEncoding out) { return !line.raw.empty() && out == encoding_; };
    std::string fresh;
    for (const Line &line : lines_) {
        if (kept(line, IniEncoding::Cp932)) continue;
        fresh += line.text;
        fresh += kLineEnd;
    }
    EncodeResult cp932 = EncodeCp932(fresh);
    const IniEncoding out = cp932.lossyOffsets.empty() ? IniEncoding::Cp932 : IniEncoding::Utf8;
    std::string_view encoded = out == IniEncoding::Cp932 ? std::string_view(cp932.bytes) : std::string_view(fresh);

    std::string bytes(out == IniEncoding::Utf8 ? kUtf8Bom : std::string_view());
    bytes.reserve(fresh.size() + fresh.size() / 2);
    std::size_t next = 0;
    for (const Line &line : lines_) {
        if (kept(line, out)) {
            bytes += line.raw;
            if (line.raw.back() != '\r' && line.raw.back() != '\n') bytes += kLineEnd;
        } else if (out == IniEncoding::Cp932) {
            // Encoded texts never hold CR or LF, so each ends at its CR LF.
            std::size_t end = encoded.find(kLineEnd, next) + kLineEnd.size();
            bytes += encoded.substr(next, end - next);
            next = end;
        } else {
            bytes += line.text;
            bytes += kLineEnd;
        }
    }
    return bytes;
}

Status IniDocument::Save(const fs::path &path) const {
    if (state_ == State::Unreadable) return Status::Failure("cannot read " + PathToUtf8(path));
    return WriteFileSafely(path, Bytes());
}

} // namespace kelvra

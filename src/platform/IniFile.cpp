#include "platform/IniFile.h"

#include "platform/TextCodec.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kelvra {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

enum class LineKind { Section, Key, Other };

struct Line {
    std::string text; // as in the file, decoded, without the line end
    LineKind kind = LineKind::Other;
    std::string name; // section or key name, blanks trimmed
};

struct Document {
    enum class State { Missing, Read, Unreadable } state = State::Missing;
    IniFile::Encoding encoding = IniFile::Encoding::Cp932;
    std::vector<Line> lines;
};

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

Line Classify(std::string text) {
    Line line;
    std::string_view t = Trim(text);
    if (!t.empty() && t.front() == '[') {
        std::size_t close = t.find(']');
        if (close != std::string_view::npos) {
            line.kind = LineKind::Section;
            line.name = Trim(t.substr(1, close - 1));
        }
    } else if (!t.empty() && t.front() != ';') {
        std::size_t eq = t.find('=');
        if (eq != std::string_view::npos) {
            line.kind = LineKind::Key;
            line.name = Trim(t.substr(0, eq));
        }
    }
    line.text = std::move(text);
    return line;
}

std::string ValueOf(const Line &line) {
    std::string_view v = Trim(std::string_view(line.text).substr(line.text.find('=') + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

// Bytes one character takes in the file: code page 932 holds ASCII and
// half-width katakana (U+FF61..U+FF9F) in one byte and everything else in two.
std::size_t StoredCharBytes(std::string_view utf8Char, IniFile::Encoding encoding) {
    if (encoding == IniFile::Encoding::Utf8) return utf8Char.size();
    if (utf8Char.size() == 1) return 1;
    if (utf8Char.size() == 3 && utf8Char[0] == '\xEF') {
        unsigned cp = ((utf8Char[0] & 0x0F) << 12) | ((utf8Char[1] & 0x3F) << 6) | (utf8Char[2] & 0x3F);
        if (cp >= 0xFF61 && cp <= 0xFF9F) return 1;
    }
    return 2;
}

std::string CutValue(std::string value, IniFile::Encoding encoding) {
    std::size_t stored = 0;
    for (std::size_t i = 0; i < value.size();) {
        std::size_t n = std::min(Utf8CharLength(static_cast<unsigned char>(value[i])), value.size() - i);
        stored += StoredCharBytes(std::string_view(value).substr(i, n), encoding);
        if (stored > IniFile::kMaxValueBytes) {
            value.resize(i);
            break;
        }
        i += n;
    }
    return value;
}

Document Load(const fs::path &path) {
    Document doc;
    std::error_code ec;
    fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status)) return doc;
    doc.state = Document::State::Unreadable;
    if (!fs::is_regular_file(status)) return doc;
    std::ifstream in(path, std::ios::binary);
    if (!in) return doc;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return doc;
    doc.state = Document::State::Read;

    std::string text;
    if (bytes.starts_with(kUtf8Bom)) {
        doc.encoding = IniFile::Encoding::Utf8;
        text = bytes.substr(kUtf8Bom.size());
    } else if (HasNonAscii(bytes) && IsValidUtf8(bytes)) {
        doc.encoding = IniFile::Encoding::Utf8;
        text = std::move(bytes);
    } else {
        text = DecodeCp932(bytes).text;
    }

    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        doc.lines.push_back(Classify(text.substr(start, end - start)));
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return doc;
}

// Writes the document to a new file beside the target, then puts it in the
// target's place, so the file is never left half written.
bool Store(const fs::path &path, const Document &doc) {
    std::string text;
    for (const Line &line : doc.lines) {
        text += line.text;
        text += "\r\n";
    }
    std::string bytes;
    EncodeResult cp932 = EncodeCp932(text);
    if (cp932.lossyOffsets.empty())
        bytes = std::move(cp932.bytes);
    else
        bytes = std::string(kUtf8Bom) + text;

    std::error_code ec;
    fs::path target = path;
    if (fs::is_symlink(path, ec)) {
        fs::path resolved = fs::weakly_canonical(path, ec);
        if (!ec) target = resolved;
    }
    static std::atomic<unsigned> counter{0};
    fs::path temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        std::string name = ".";
        name += target.filename().string();
        name += '.';
        name += std::to_string(getpid());
        name += '.';
        name += std::to_string(counter++);
        name += ".tmp";
        temp = target.parent_path() / name;
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;

    bool ok = true;
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & 07777);
    const char *p = bytes.data();
    std::size_t left = bytes.size();
    while (ok && left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ok = false;
        else {
            p += n;
            left -= static_cast<std::size_t>(n);
        }
    }
    if (::close(fd) != 0) ok = false;
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) ok = false;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

bool FitsOnOneLine(std::string_view s) { return s.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos; }

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

std::optional<std::string> IniFile::Read(std::string_view section, std::string_view key) const {
    Document doc = Load(path_);
    bool inSection = false;
    for (const Line &line : doc.lines) {
        if (line.kind == LineKind::Section)
            inSection = SameName(line.name, section);
        else if (inSection && line.kind == LineKind::Key && SameName(line.name, key))
            return CutValue(ValueOf(line), doc.encoding);
    }
    return std::nullopt;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
    std::optional<std::string> value = Read(section, key);
    return value ? *value : std::string(defaultValue);
}

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    if (!ValidSectionName(section) || !ValidKeyName(key) || !FitsOnOneLine(value)) return false;
    Document doc = Load(path_);
    if (doc.state == Document::State::Unreadable) return false;
    const std::string stored = StoredValue(value);

    std::optional<std::size_t> sectionEnd; // after the last non-blank line of the first matching section
    bool inSection = false, inFirstSection = false;
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        Line &line = doc.lines[i];
        if (line.kind == LineKind::Section) {
            inSection = SameName(line.name, section);
            inFirstSection = inSection && !sectionEnd;
            if (inFirstSection) sectionEnd = i + 1;
            continue;
        }
        if (inFirstSection && !Trim(line.text).empty()) sectionEnd = i + 1;
        if (!inSection) continue;
        if (line.kind == LineKind::Key && SameName(line.name, key)) {
            std::string text = line.name + "=" + stored;
            if (text == line.text) return true;
            line = Classify(std::move(text));
            return Store(path_, doc);
        }
    }
    Line entry = Classify(std::string(key) + "=" + stored);
    if (sectionEnd) {
        doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(*sectionEnd), std::move(entry));
    } else {
        std::string header(1, '[');
        header += section;
        header += ']';
        doc.lines.push_back(Classify(std::move(header)));
        doc.lines.push_back(std::move(entry));
    }
    return Store(path_, doc);
}

bool IniFile::DeleteKey(std::string_view section, std::string_view key) {
    Document doc = Load(path_);
    if (doc.state == Document::State::Missing) return true;
    if (doc.state == Document::State::Unreadable) return false;
    bool inSection = false, removed = false;
    std::vector<Line> kept;
    kept.reserve(doc.lines.size());
    for (Line &line : doc.lines) {
        if (line.kind == LineKind::Section) inSection = SameName(line.name, section);
        if (inSection && line.kind == LineKind::Key && SameName(line.name, key)) {
            removed = true;
            continue;
        }
        kept.push_back(std::move(line));
    }
    if (!removed) return true;
    doc.lines = std::move(kept);
    return Store(path_, doc);
}

IniFile::Encoding IniFile::StoredEncoding() const { return Load(path_).encoding; }

} // namespace kelvra

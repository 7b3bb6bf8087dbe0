#include "platform/PlainTextFile.h"

#include "platform/TextCodec.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvra {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

FileStatus Failure(const std::string &what, const std::filesystem::path &path, int err) {
    return {false, what + " " + path.string() + ": " + std::strerror(err)};
}

} // namespace

std::string ToCrLf(std::string_view text, PlainTextFormat *found) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    bool first = true;
    LineEnd firstKind = LineEnd::CrLf;
    bool mixed = false;
    auto note = [&](LineEnd kind) {
        if (first) {
            firstKind = kind;
            first = false;
        } else if (kind != firstKind) {
            mixed = true;
        }
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
                note(LineEnd::CrLf);
            } else {
                note(LineEnd::Cr);
            }
            out += "\r\n";
        } else if (c == '\n') {
            note(LineEnd::Lf);
            out += "\r\n";
        } else {
            out += c;
        }
    }
    if (found) {
        found->lineEnd = firstKind;
        found->mixedLineEnds = mixed;
    }
    return out;
}

std::string FromCrLf(std::string_view text, LineEnd lineEnd) {
    if (lineEnd == LineEnd::CrLf) return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += lineEnd == LineEnd::Lf ? '\n' : '\r';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

DecodedText DecodePlainText(std::string_view bytes) {
    DecodedText result;
    std::string decoded;
    std::size_t skipped = 0;
    if (bytes.starts_with(kUtf8Bom) || (HasNonAscii(bytes) && IsValidUtf8(bytes))) {
        result.format.encoding = TextEncoding::Utf8;
        if (bytes.starts_with(kUtf8Bom)) {
            result.format.byteOrderMark = true;
            skipped = kUtf8Bom.size();
        }
        std::string_view body = bytes.substr(skipped);
        std::vector<std::size_t> bad = InvalidUtf8Offsets(body);
        if (bad.empty()) {
            decoded.assign(body);
        } else {
            std::size_t from = 0;
            for (std::size_t offset : bad) {
                decoded.append(body.substr(from, offset - from));
                decoded += "\xEF\xBF\xBD";
                from = offset + 1;
                result.badOffsets.push_back(offset + skipped);
            }
            decoded.append(body.substr(from));
        }
    } else {
        DecodeResult d = DecodeCp932(bytes);
        decoded = std::move(d.text);
        result.badOffsets = std::move(d.badOffsets);
    }
    result.text = ToCrLf(decoded, &result.format);
    return result;
}

EncodedText EncodePlainText(std::string_view text, const PlainTextFormat &format) {
    EncodedText result;
    if (format.encoding == TextEncoding::Utf8) {
        if (format.byteOrderMark) result.bytes.assign(kUtf8Bom);
        result.bytes.append(text);
        result.lossyOffsets = InvalidUtf8Offsets(text);
    } else {
        EncodeResult e = EncodeCp932(text);
        result.bytes = std::move(e.bytes);
        result.lossyOffsets = std::move(e.lossyOffsets);
    }
    // CR and LF never occur inside a multi-byte character of either encoding.
    if (format.lineEnd != LineEnd::CrLf) result.bytes = FromCrLf(result.bytes, format.lineEnd);
    return result;
}

FileStatus ReadFileBytes(const std::filesystem::path &path, std::string &bytes) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Failure("cannot open", path, errno);
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return Failure("cannot read", path, EISDIR);
    }
    bytes.clear();
    if (st.st_size > 0) bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[1 << 16];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int err = errno;
            ::close(fd);
            return Failure("cannot read", path, err);
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return {};
}

FileStatus WriteFileSafely(const std::filesystem::path &path, std::string_view bytes) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path target = path;
    if (fs::is_symlink(path, ec)) {
        fs::path resolved = fs::weakly_canonical(path, ec);
        if (!ec) target = resolved;
    }
    struct stat old {};
    bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) return Failure("not a regular file:", target, EISDIR);
    if (exists && ::access(target.c_str(), W_OK) != 0) return Failure("cannot write", target, errno);

    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::string hidden = ".";
    hidden += target.filename().string();
    hidden += ".XXXXXX";
    std::string pattern = (folder / hidden).string();
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) return Failure("cannot create a file in", folder, errno);
    auto fail = [&](const char *what, int err) {
        ::close(fd);
        ::unlink(pattern.c_str());
        return Failure(what, target, err);
    };

    mode_t mode;
    if (exists) {
        mode = old.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd, mode) != 0) return fail("cannot set permissions for", errno);

    const char *data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail("cannot write", errno);
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) return fail("cannot write", errno);
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(pattern.c_str());
        return Failure("cannot write", target, err);
    }
    if (::rename(pattern.c_str(), target.c_str()) != 0) {
        int err = errno;
        ::unlink(pattern.c_str());
        return Failure("cannot replace", target, err);
    }
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}

} // namespace kelvra

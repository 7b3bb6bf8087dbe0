#include "lsp/MessageStream.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/uio.h>
#include <unistd.h>

namespace kelvra::lsp {
namespace {

constexpr std::string_view kLengthHeader = "Content-Length:";
constexpr std::size_t kLongestHeaderLine = 4096;
constexpr std::size_t kReadChunk = 1 << 20;

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool SameLetters(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return (x | 0x20) == (y | 0x20); });
}

// A header's name; not the end of other bytes that ran into a Content-Length header.
bool IsHeaderName(std::string_view name) {
    const std::string_view length = kLengthHeader.substr(0, kLengthHeader.size() - 1);
    if (name.size() > length.size() && SameLetters(name.substr(name.size() - length.size()), length)) return false;
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
    });
}

// A byte count: decimal digits only, and few enough of them to fit.
bool ParseLength(std::string_view text, std::size_t &length) {
    if (text.empty() || text.size() > 15 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    length = 0;
    for (char c : text) length = length * 10 + static_cast<std::size_t>(c - '0');
    return true;
}

Incoming Error(std::string error, std::string body = {}) {
    return {Incoming::Kind::FramingError, std::move(body), std::move(error)};
}

} // namespace

MessageReader::MessageReader(int fd, std::size_t maxBody, int stallMilliseconds)
    : fd_(fd), maxBody_(maxBody), stallMilliseconds_(stallMilliseconds) {}

void MessageReader::Consume(std::size_t n) {
    start_ += std::min(n, buffer_.size() - start_);
    if (start_ == buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    }
}

MessageReader::Fill MessageReader::ReadMore(int timeoutMilliseconds) {
    if (ended_) return Fill::End;
    if (start_ > 0 && start_ >= buffer_.size() / 2) {
        buffer_.erase(0, start_);
        start_ = 0;
    }
    pollfd p{fd_, POLLIN, 0};
    int ready;
    do ready = ::poll(&p, 1, timeoutMilliseconds);
    while (ready < 0 && errno == EINTR);
    if (ready == 0) return Fill::Stalled;
    const std::size_t had = buffer_.size();
    buffer_.resize(had + kReadChunk);
    ssize_t n;
    do n = ::read(fd_, buffer_.data() + had, kReadChunk);
    while (n < 0 && errno == EINTR);
    buffer_.resize(had + static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
    if (n <= 0) {
        ended_ = true;
        return Fill::End;
    }
    return Fill::Data;
}

bool MessageReader::InputPending() {
    // Blank lines between messages announce nothing.
    const std::string_view unread = Unread();
    Consume(std::min(unread.find_first_not_of("\r\n"), unread.size()));
    if (!Unread().empty() || ended_) return true;
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

void MessageReader::PutBack(std::string_view bytes) {
    buffer_.erase(0, start_);
    buffer_.insert(0, bytes);
    start_ = 0;
}

bool MessageReader::ReadLine(std::string &line, bool &junk) {
    junk = false;
    for (;;) {
        const std::string_view unread = Unread();
        const std::size_t lf = unread.find('\n');
        if (lf != std::string_view::npos && lf <= kLongestHeaderLine) {
            line.assign(unread.substr(0, lf));
            if (!line.empty() && line.back() == '\r') line.pop_back();
            Consume(lf + 1);
            return true;
        }
        if (unread.size() > kLongestHeaderLine) {
            junk = true;
            return true;
        }
        if (ReadMore(-1) == Fill::End) return false;
    }
}

Incoming MessageReader::SkipToNextHeader(std::string error) {
    Consume(1);
    for (;;) {
        const std::string_view unread = Unread();
        const std::size_t at = unread.find(kLengthHeader);
        if (at != std::string_view::npos) {
            Consume(at);
            return Error(std::move(error));
        }
        // Keep what could be the start of a header cut off by the read.
        Consume(unread.size() - std::min(unread.size(), kLengthHeader.size() - 1));
        if (ReadMore(-1) == Fill::End) {
            Consume(Unread().size());
            return Error(std::move(error));
        }
    }
}

Incoming MessageReader::ReadBody(std::size_t length) {
    while (Unread().size() < length) {
        if (ReadMore(stallMilliseconds_) != Fill::Data) {
            std::string came(Unread());
            Consume(came.size());
            return Error("the message ended after " + std::to_string(came.size()) + " of the " +
                             std::to_string(length) + " bytes its Content-Length gives",
                         std::move(came));
        }
    }
    Incoming in{Incoming::Kind::Message, {}, {}};
    if (start_ == 0) {
        // The usual case, one message per read: the buffer becomes the body.
        std::string rest = buffer_.substr(length);
        buffer_.resize(length);
        in.body.swap(buffer_);
        buffer_.swap(rest);
    } else {
        in.body.assign(Unread().substr(0, length));
        Consume(length);
    }
    return in;
}

Incoming MessageReader::SkipBody(std::size_t length) {
    std::size_t left = length;
    for (;;) {
        const std::size_t n = std::min(left, Unread().size());
        Consume(n);
        left -= n;
        if (left == 0 || ReadMore(stallMilliseconds_) != Fill::Data) break;
    }
    return Error("a message of " + std::to_string(length) + " bytes is more than the " + std::to_string(maxBody_) +
                 " this server takes; it was skipped");
}

Incoming MessageReader::Next() {
    std::size_t length = 0;
    bool haveLength = false, inHeaders = false;
    std::string problem;
    for (;;) {
        std::string line;
        bool junk = false;
        if (!ReadLine(line, junk)) return {};
        if (junk) return SkipToNextHeader("bytes outside any message were skipped");
        if (line.empty()) {
            if (!inHeaders) continue;
            if (!problem.empty()) return SkipToNextHeader(problem);
            if (!haveLength) return SkipToNextHeader("a message without a Content-Length header was skipped");
            return length > maxBody_ ? SkipBody(length) : ReadBody(length);
        }
        const std::size_t colon = line.find(':');
        const std::string_view name =
            colon == std::string::npos ? "" : Trimmed(std::string_view(line).substr(0, colon));
        if (!IsHeaderName(name)) {
            PutBack(line + "\n");
            return SkipToNextHeader("bytes outside any message were skipped");
        }
        inHeaders = true;
        if (SameLetters(name, kLengthHeader.substr(0, kLengthHeader.size() - 1))) {
            const std::string_view value = Trimmed(std::string_view(line).substr(colon + 1));
            haveLength = ParseLength(value, length);
            if (!haveLength) problem = "Content-Length is no byte count: '" + std::string(value) + "'";
        }
    }
}

bool MessageWriter::Write(std::string_view body) {
    if (failed_) return false;
    const std::string header = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    iovec parts[2] = {{const_cast<char *>(header.data()), header.size()},
                      {const_cast<char *>(body.data()), body.size()}};
    std::size_t part = 0;
    while (part < 2) {
        const ssize_t n = ::writev(fd_, parts + part, static_cast<int>(2 - part));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failed_ = true;
            return false;
        }
        // Step past what was written, maybe into the middle of a part.
        for (std::size_t left = static_cast<std::size_t>(n); part < 2 && left > 0;) {
            const std::size_t step = std::min(left, parts[part].iov_len);
            parts[part].iov_base = static_cast<char *>(parts[part].iov_base) + step;
            parts[part].iov_len -= step;
            left -= step;
            if (parts[part].iov_len == 0) ++part;
        }
        while (part < 2 && parts[part].iov_len == 0) ++part;
    }
    return true;
}

} // namespace kelvra::lsp

#pragma once
// The protocol's framing on a pair of file descriptors: each message is a
// block of headers ("Content-Length: N", blank line) and N bytes of JSON.
// The reader survives whatever comes: bytes outside a message are skipped up
// to the next header, a message larger than the server takes is read past
// without being kept, and a body that stops arriving is handed over as far as
// it came.

#include <cstddef>
#include <string>
#include <string_view>

namespace kelvra::lsp {

struct Incoming {
    enum class Kind {
        Message,      // `body` holds one message
        FramingError, // `error` says what was wrong; `body` what came of the message, if anything
        End,          // the input is closed
    };
    Kind kind = Kind::End;
    std::string body;
    std::string error;
};

class MessageReader {
public:
    // `maxBody`: larger messages are skipped. `stallMilliseconds`: how long a
    // body may stop arriving before the reader gives up on the rest.
    MessageReader(int fd, std::size_t maxBody, int stallMilliseconds = 2000);

    Incoming Next();
    // Whether input is waiting that can be read at once.
    bool InputPending();
    // Bytes to read again before the rest of the input (the start of the next
    // message, found inside a body whose Content-Length was too large).
    void PutBack(std::string_view bytes);

private:
    enum class Fill { Data, End, Stalled };
    Fill ReadMore(int timeoutMilliseconds);
    // One header line without its line end; false at the end of input. A line
    // longer than any header is skipped and comes back as `junk`.
    bool ReadLine(std::string &line, bool &junk);
    Incoming SkipToNextHeader(std::string error);
    Incoming ReadBody(std::size_t length);
    Incoming SkipBody(std::size_t length);
    std::string_view Unread() const { return std::string_view(buffer_).substr(start_); }
    void Consume(std::size_t n);

    int fd_;
    std::size_t maxBody_;
    int stallMilliseconds_;
    std::string buffer_;
    std::size_t start_ = 0;
    bool ended_ = false;
};

class MessageWriter {
public:
    explicit MessageWriter(int fd) : fd_(fd) {}
    // False once the client has gone.
    bool Write(std::string_view body);

private:
    int fd_;
    bool failed_ = false;
};

} // namespace kelvra::lsp

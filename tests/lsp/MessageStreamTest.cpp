#include "lsp/MessageStream.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace kelvra::lsp;

namespace {

// A pipe whose write end the test fills (and closes, unless it keeps it open).
class Pipe {
public:
    Pipe() { EXPECT_EQ(::pipe(ends_), 0); }
    ~Pipe() {
        ::close(ends_[0]);
        CloseWriteEnd();
    }
    void Write(const std::string &bytes) {
        EXPECT_EQ(::write(ends_[1], bytes.data(), bytes.size()), (ssize_t)bytes.size());
    }
    void CloseWriteEnd() {
        if (ends_[1] >= 0) ::close(ends_[1]);
        ends_[1] = -1;
    }
    int ReadEnd() const { return ends_[0]; }

private:
    int ends_[2] = {-1, -1};
};

std::string Framed(const std::string &body) {
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// What the reader makes of the bytes: "M:body" for a message, "E" for an error.
std::vector<std::string> ReadAll(const std::string &bytes, std::size_t maxBody = 100) {
    Pipe pipe;
    pipe.Write(bytes);
    pipe.CloseWriteEnd();
    MessageReader reader(pipe.ReadEnd(), maxBody);
    std::vector<std::string> seen;
    for (Incoming in = reader.Next(); in.kind != Incoming::Kind::End; in = reader.Next())
        seen.push_back(in.kind == Incoming::Kind::Message ? "M:" + in.body : "E");
    return seen;
}

using Seen = std::vector<std::string>;

TEST(MessageReader, ReadsMessagesAndSkipsWhatIsNoMessage) {
    struct Case {
        const char *name;
        std::string bytes;
        Seen seen;
    } cases[] = {
        {"two messages", Framed("{1}") + Framed("{22}"), {"M:{1}", "M:{22}"}},
        {"other headers, any letter case", "content-length: 3\r\nContent-Type: x\r\n\r\n{1}", {"M:{1}"}},
        {"header names with digits and dashes", "X-Trace-09: 1\r\nContent-Length: 3\r\n\r\n{1}", {"M:{1}"}},
        {"LF-only header lines", "Content-Length: 3\n\n{1}", {"M:{1}"}},
        {"blank lines between messages", "\r\n" + Framed("{1}") + "\r\n\r\n" + Framed("{2}"), {"M:{1}", "M:{2}"}},
        {"junk before a message", "garbage {]\r\n" + Framed("{1}"), {"E", "M:{1}"}},
        {"junk running into a header", "junk" + Framed("{1}"), {"E", "M:{1}"}},
        {"length no number", "Content-Length: -3\r\n\r\n{1}" + Framed("{2}"), {"E", "M:{2}"}},
        {"no length", "X-Thing: 1\r\n\r\n{1}" + Framed("{2}"), {"E", "M:{2}"}},
        {"too large, skipped", Framed(std::string(150, 'x')) + Framed("{2}"), {"E", "M:{2}"}},
        {"a body cut off by the end of input", "Content-Length: 10\r\n\r\n{1}", {"E"}},
        {"a header line longer than any header", std::string(10000, 'h') + "\r\n" + Framed("{3}"), {"E", "M:{3}"}},
    };
    for (const Case &c : cases) EXPECT_EQ(ReadAll(c.bytes), c.seen) << c.name;
}

// What went wrong is said: the server passes it on to the client.
TEST(MessageReader, SaysWhyItSkippedBytes) {
    struct Case {
        std::string bytes;
        const char *error;
    } cases[] = {
        {"Content-Length: x\r\nContent-Length: 3\r\n\r\n{1}", "Content-Length is no byte count: 'x'"},
        {"Content-Type: y\r\n\r\n{1}", "a message without a Content-Length header was skipped"},
        {"junk\r\n" + Framed("{1}"), "bytes outside any message were skipped"},
    };
    for (const Case &c : cases) {
        Pipe pipe;
        pipe.Write(c.bytes);
        pipe.CloseWriteEnd();
        MessageReader reader(pipe.ReadEnd(), 100);
        const Incoming first = reader.Next();
        EXPECT_EQ(first.kind, Incoming::Kind::FramingError) << c.bytes;
        EXPECT_EQ(first.error, c.error) << c.bytes;
    }
}

TEST(MessageReader, HandsOverABodyThatStopsComingAndReadsPutBackBytesFirst) {
    Pipe pipe;
    pipe.Write("Content-Length: 50\r\n\r\n{\"id\":1}");
    MessageReader reader(pipe.ReadEnd(), 100, 50);
    Incoming in = reader.Next();
    EXPECT_EQ(in.kind, Incoming::Kind::FramingError);
    EXPECT_EQ(in.body, "{\"id\":1}");
    EXPECT_FALSE(reader.InputPending());

    pipe.Write(Framed("{2}"));
    reader.PutBack(Framed("{1}"));
    EXPECT_TRUE(reader.InputPending());
    EXPECT_EQ(reader.Next().body, "{1}");
    EXPECT_EQ(reader.Next().body, "{2}");
    pipe.CloseWriteEnd();
    EXPECT_EQ(reader.Next().kind, Incoming::Kind::End);
}

TEST(MessageWriter, FramesTheBodyWithItsLengthInBytes) {
    MessageWriter gone(-1);
    EXPECT_FALSE(gone.Write("x"));
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    MessageWriter real(ends[1]);
    EXPECT_TRUE(real.Write("\"日本\""));
    ::close(ends[1]);
    char buffer[64] = {};
    const ssize_t n = ::read(ends[0], buffer, sizeof buffer);
    ::close(ends[0]);
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(n)), "Content-Length: 8\r\n\r\n\"日本\"");
}

} // namespace

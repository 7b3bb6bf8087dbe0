#pragma once
// A small language-server client for the tests: starts kelvra-format --lsp
// with pipes for its standard input and output, frames and reads messages.

#include <nlohmann/json.hpp>

#include <cerrno>
#include <csignal>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace kelvra::test {

class LspClient {
public:
    explicit LspClient(const std::vector<std::string> &args) {
        std::signal(SIGPIPE, SIG_IGN);
        int toServer[2], fromServer[2];
        if (::pipe(toServer) != 0 || ::pipe(fromServer) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(toServer[0], 0);
            ::dup2(fromServer[1], 1);
            ::close(toServer[1]);
            ::close(fromServer[0]);
            std::vector<char *> argv;
            for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(toServer[0]);
        ::close(fromServer[1]);
        in_ = toServer[1];
        out_ = fromServer[0];
    }
    ~LspClient() {
        CloseInput();
        if (out_ >= 0) ::close(out_);
        if (pid_ > 0 && !status_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    LspClient(const LspClient &) = delete;
    LspClient &operator=(const LspClient &) = delete;

    void SendRaw(const std::string &bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(in_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return;
            done += static_cast<std::size_t>(n);
        }
    }
    static std::string Framed(const std::string &body) {
        return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    }
    void Send(const nlohmann::json &message) { SendRaw(Framed(message.dump())); }
    void Request(int id, const std::string &method, nlohmann::json params = nlohmann::json::object()) {
        Send({{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}});
    }
    void Notify(const std::string &method, nlohmann::json params = nlohmann::json::object()) {
        Send({{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
    }

    // The next message from the server; none when it sends nothing within the time.
    std::optional<nlohmann::json> Receive(int timeoutMilliseconds = 20000) {
        std::string headers;
        while (headers.find("\r\n\r\n") == std::string::npos) {
            char c;
            if (!ReadSome(&c, 1, timeoutMilliseconds)) return std::nullopt;
            headers += c;
        }
        const std::size_t at = headers.find("Content-Length: ");
        if (at == std::string::npos) return std::nullopt;
        std::string body(std::stoul(headers.substr(at + 16)), '\0');
        if (!ReadSome(body.data(), body.size(), timeoutMilliseconds)) return std::nullopt;
        return nlohmann::json::parse(body);
    }
    // The next message that answers request `id`, or the next notification
    // `method`; other messages on the way are kept in `skipped`.
    std::optional<nlohmann::json> ResponseTo(const nlohmann::json &id) {
        return Awaiting(
            [&](const nlohmann::json &m) { return m.contains("id") && m["id"] == id && !m.contains("method"); });
    }
    std::optional<nlohmann::json> NotificationOf(const std::string &method) {
        return Awaiting([&](const nlohmann::json &m) { return m.value("method", "") == method; });
    }
    std::vector<nlohmann::json> skipped;

    void CloseInput() {
        if (in_ >= 0) ::close(in_);
        in_ = -1;
    }
    // The exit status, or -1 when the server has not ended within the time.
    int WaitForExit(int timeoutMilliseconds = 20000) {
        for (int waited = 0; waited < timeoutMilliseconds; waited += 10) {
            int raw = 0;
            if (::waitpid(pid_, &raw, WNOHANG) == pid_) {
                status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
                return *status_;
            }
            ::usleep(10000);
        }
        return -1;
    }

private:
    template <class Match> std::optional<nlohmann::json> Awaiting(Match match) {
        for (;;) {
            std::optional<nlohmann::json> m = Receive();
            if (!m || match(*m)) return m;
            skipped.push_back(*m);
        }
    }
    bool ReadSome(char *to, std::size_t size, int timeoutMilliseconds) {
        std::size_t done = 0;
        while (done < size) {
            pollfd p{out_, POLLIN, 0};
            if (::poll(&p, 1, timeoutMilliseconds) <= 0) return false;
            const ssize_t n = ::read(out_, to + done, size - done);
            if (n <= 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    pid_t pid_ = -1;
    int in_ = -1, out_ = -1;
    std::optional<int> status_;
};

} // namespace kelvra::test

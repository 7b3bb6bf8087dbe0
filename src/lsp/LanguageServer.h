#pragma once
// kelvra-format --lsp: a language server that formats SQL documents the way
// kelvra-format formats files, and shows beforehand what it would refuse.

#include "cli/CommandLine.h"
#include "lsp/Server.h"
#include "cli/FormatCommand.h"
#include "lsp/DocumentFormatting.h"
#include "lsp/Positions.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>

namespace kelvra::lsp {

// Messages larger than this are skipped unread, documents larger than this
// are not kept.
inline constexpr std::size_t kMaxMessageBytes = 24u << 20;
inline constexpr std::size_t kMaxDocumentBytes = 16u << 20;

// JSON-RPC and protocol error codes.
inline constexpr int kParseError = -32700;
inline constexpr int kInvalidRequest = -32600;
inline constexpr int kMethodNotFound = -32601;
inline constexpr int kInvalidParams = -32602;
inline constexpr int kInternalError = -32603;
inline constexpr int kServerNotInitialized = -32002;
inline constexpr int kRequestFailed = -32803;

// The protocol state and the open documents; messages in, messages out.
class LanguageServer {
public:
    // Sends one message; false once the client has gone.
    using Send = std::function<bool(const nlohmann::json &)>;
    // `base`: the options from Kelvra.ini and the command line.
    LanguageServer(cli::FormatSettings base, Send send);

    void Receive(nlohmann::json message);
    // A message that could not be read or parsed: an error response with `code`
    // (to the message's id, when what came of it tells one).
    void RejectMessage(int code, const std::string &why, const std::string &body);

    // After `exit`, or when the client can no longer be written to.
    bool Exited() const { return state_ == State::Exited || clientGone_; }
    // 0 after shutdown, 1 otherwise; also when the input ends.
    int ExitStatus() const { return shutDown_ ? 0 : 1; }

    // Diagnostics of one changed document; false when none are due.
    bool PublishDueDiagnostics();

private:
    enum class State { Starting, Running, ShuttingDown, Exited };
    struct Document {
        long long version = 0;
        std::string text;
        bool tooLarge = false;
        std::optional<Formatting> formatting; // of `text` under the current options
        bool diagnosticsDue = true;
    };
    using Handler = nlohmann::json (LanguageServer::*)(const nlohmann::json &params);
    // Notifications may take what they keep out of their parameters.
    using NotificationHandler = void (LanguageServer::*)(nlohmann::json &params);

    void Request(const nlohmann::json &id, const std::string &method, const nlohmann::json &params);
    void Notification(const std::string &method, nlohmann::json &params);
    void Respond(const nlohmann::json &id, nlohmann::json result);
    void RespondError(const nlohmann::json &id, int code, const std::string &message);
    void Notify(const std::string &method, nlohmann::json params);
    void ShowMessage(int type, const std::string &message);

    nlohmann::json Initialize(const nlohmann::json &params);
    nlohmann::json Shutdown(const nlohmann::json &params);
    nlohmann::json FormatWholeDocument(const nlohmann::json &params);
    nlohmann::json FormatLineRange(const nlohmann::json &params);
    void Initialized(nlohmann::json &params);
    void Exit(nlohmann::json &params);
    void DidOpen(nlohmann::json &params);
    void DidChange(nlohmann::json &params);
    void DidClose(nlohmann::json &params);
    void DidChangeConfiguration(nlohmann::json &params);

    void ApplySettings();
    void SetText(const std::string &uri, Document &doc, std::string text);
    Document &OpenDocument(const nlohmann::json &params);
    const Formatting &FormattingOf(Document &doc);

    cli::FormatSettings base_, settings_;
    nlohmann::json initializationOptions_, configuration_;
    Send send_;
    State state_ = State::Starting;
    bool shutDown_ = false, clientGone_ = false;
    PositionEncoding encoding_ = PositionEncoding::Utf16;
    std::map<std::string, Document> documents_;
};

class MessageReader;
// Reads and handles messages until the server has exited or the input ends;
// returns the exit status.
int Serve(LanguageServer &server, MessageReader &reader);

} // namespace kelvra::lsp

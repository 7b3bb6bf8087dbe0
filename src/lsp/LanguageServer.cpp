#include "lsp/LanguageServer.h"

#include "lsp/ClientSettings.h"
#include "lsp/MessageStream.h"

#include <csignal>
#include <new>
#include <ostream>

namespace kelvra::lsp {
namespace {

using nlohmann::json;

// A request that cannot be answered with a result.
struct RequestError {
    int code;
    std::string message;
};

// window/showMessage and window/logMessage types.
constexpr int kErrorMessage = 1, kWarningMessage = 2;

// `object[key]`, which must be there (json or const json).
template <class Json> Json &Field(Json &object, const char *key) {
    if (!object.is_object() || !object.contains(key))
        throw RequestError{kInvalidParams, std::string("the parameters lack \"") + key + "\""};
    return object[key];
}

std::string UriOf(const json &params) { return Field(Field(params, "textDocument"), "uri").get<std::string>(); }

Position PositionFrom(const json &p) {
    const json &line = Field(p, "line"), &character = Field(p, "character");
    if (!line.is_number_unsigned() || !character.is_number_unsigned())
        throw RequestError{kInvalidParams, "a position needs a line and a character that are not negative"};
    return {line.get<std::size_t>(), character.get<std::size_t>()};
}

bool IsId(const json &id) { return id.is_number_integer() || id.is_string(); }

bool OffersUtf8(const json &params) {
    const auto capabilities = params.find("capabilities");
    if (capabilities == params.end() || !capabilities->is_object()) return false;
    const json encodings = capabilities->value("/general/positionEncodings"_json_pointer, json::array());
    return encodings.is_array() && std::find(encodings.begin(), encodings.end(), "utf-8") != encodings.end();
}

std::string Dump(const json &message) { return message.dump(-1, ' ', false, json::error_handler_t::replace); }

} // namespace

LanguageServer::LanguageServer(cli::FormatSettings base, Send send)
    : base_(std::move(base)), settings_(base_), send_(std::move(send)) {}

// --- Messages in and out -------------------------------------------------

void LanguageServer::Receive(json message) {
    if (!message.is_object()) return RespondError(nullptr, kInvalidRequest, "a message must be a JSON object");
    const auto id = message.find("id"), method = message.find("method"), version = message.find("jsonrpc");
    const bool hasId = id != message.end() && IsId(*id);
    if (version != message.end() && *version != "2.0")
        return RespondError(hasId ? *id : json(), kInvalidRequest, "only JSON-RPC 2.0 is spoken here");
    json params = message.contains("params") ? std::move(message["params"]) : json();
    if (method != message.end() && method->is_string()) {
        if (id == message.end()) return Notification(method->get<std::string>(), params);
        if (!hasId) return RespondError(nullptr, kInvalidRequest, "a request id must be a number or a string");
        return Request(*id, method->get<std::string>(), params);
    }
    // An answer to a request of ours: the server asks nothing it waits for.
    if (hasId && (message.contains("result") || message.contains("error"))) return;
    RespondError(hasId ? *id : json(), kInvalidRequest, "a message needs a \"method\"");
}

void LanguageServer::RejectMessage(int code, const std::string &why, const std::string &body) {
    const json message = json::parse(body, nullptr, false);
    const bool request =
        message.is_object() && message.contains("method") && message.contains("id") && IsId(message["id"]);
    RespondError(request ? message["id"] : json(), code, why);
}

void LanguageServer::Request(const json &id, const std::string &method, const json &params) {
    static const std::map<std::string, Handler, std::less<>> handlers = {
        {"initialize", &LanguageServer::Initialize},
        {"shutdown", &LanguageServer::Shutdown},
        {"textDocument/formatting", &LanguageServer::FormatWholeDocument},
        {"textDocument/rangeFormatting", &LanguageServer::FormatLineRange},
    };
    if (state_ == State::Starting && method != "initialize")
        return RespondError(id, kServerNotInitialized, "the server is not initialized yet");
    if (state_ != State::Starting && method == "initialize")
        return RespondError(id, kInvalidRequest, "the server is initialized already");
    if (state_ == State::ShuttingDown) return RespondError(id, kInvalidRequest, "the server is shutting down");
    const auto handler = handlers.find(method);
    if (handler == handlers.end()) return RespondError(id, kMethodNotFound, "no method " + method + " here");
    try {
        Respond(id, (this->*handler->second)(params));
    } catch (const RequestError &e) {
        RespondError(id, e.code, e.message);
    } catch (const json::exception &e) {
        RespondError(id, kInvalidParams, e.what());
    } catch (const std::bad_alloc &) {
        RespondError(id, kInternalError, "not enough memory");
    }
}

void LanguageServer::Notification(const std::string &method, json &params) {
    static const std::map<std::string, NotificationHandler, std::less<>> handlers = {
        {"initialized", &LanguageServer::Initialized},
        {"exit", &LanguageServer::Exit},
        {"textDocument/didOpen", &LanguageServer::DidOpen},
        {"textDocument/didChange", &LanguageServer::DidChange},
        {"textDocument/didClose", &LanguageServer::DidClose},
        {"workspace/didChangeConfiguration", &LanguageServer::DidChangeConfiguration},
    };
    if (method != "exit" && state_ != State::Running) return;
    const auto handler = handlers.find(method);
    if (handler == handlers.end()) return;
    try {
        (this->*handler->second)(params);
    } catch (const RequestError &e) {
        Notify("window/logMessage", {{"type", kErrorMessage}, {"message", method + ": " + e.message}});
    } catch (const json::exception &e) {
        Notify("window/logMessage", {{"type", kErrorMessage}, {"message", method + ": " + e.what()}});
    } catch (const std::bad_alloc &) {
        ShowMessage(kErrorMessage, method + ": not enough memory");
    }
}

void LanguageServer::Respond(const json &id, json result) {
    if (!send_({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}})) clientGone_ = true;
}

void LanguageServer::RespondError(const json &id, int code, const std::string &message) {
    if (!send_({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}})) clientGone_ = true;
}

void LanguageServer::Notify(const std::string &method, json params) {
    if (!send_({{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}})) clientGone_ = true;
}

void LanguageServer::ShowMessage(int type, const std::string &message) {
    Notify("window/showMessage", {{"type", type}, {"message", "kelvra-format: " + message}});
}

// --- Lifecycle -----------------------------------------------------------

json LanguageServer::Initialize(const json &params) {
    if (!params.is_object()) throw RequestError{kInvalidParams, "initialize needs its parameters"};
    encoding_ = OffersUtf8(params) ? PositionEncoding::Utf8 : PositionEncoding::Utf16;
    initializationOptions_ = params.value("initializationOptions", json());
    ApplySettings();
    state_ = State::Running;
    return {{"capabilities",
             {{"positionEncoding", encoding_ == PositionEncoding::Utf8 ? "utf-8" : "utf-16"},
              {"textDocumentSync", {{"openClose", true}, {"change", 2}}},
              {"documentFormattingProvider", true},
              {"documentRangeFormattingProvider", true}}},
            {"serverInfo", {{"name", "kelvra-format"}}}};
}

void LanguageServer::Initialized(json &) {}

json LanguageServer::Shutdown(const json &) {
    state_ = State::ShuttingDown;
    shutDown_ = true;
    return nullptr;
}

void LanguageServer::Exit(json &) { state_ = State::Exited; }

// --- Options -------------------------------------------------------------

void LanguageServer::DidChangeConfiguration(json &params) {
    configuration_ = params.is_object() ? params.value("settings", json()) : json();
    ApplySettings();
}

void LanguageServer::ApplySettings() {
    settings_ = base_;
    for (const json *given : {&initializationOptions_, &configuration_})
        for (const std::string &complaint : ApplyClientSettings(*given, settings_))
            ShowMessage(kWarningMessage, complaint);
    for (auto &[uri, doc] : documents_) {
        doc.formatting.reset();
        doc.diagnosticsDue = true;
    }
}

// --- Documents -----------------------------------------------------------

void LanguageServer::SetText(const std::string &uri, Document &doc, std::string text) {
    doc.formatting.reset();
    doc.diagnosticsDue = true;
    doc.tooLarge = text.size() > kMaxDocumentBytes;
    if (!doc.tooLarge) {
        doc.text = std::move(text);
        return;
    }
    std::string().swap(doc.text);
    ShowMessage(kErrorMessage, uri + " holds " + std::to_string(text.size()) + " bytes, more than the " +
                                   std::to_string(kMaxDocumentBytes) + " this server formats; it is left alone");
}

void LanguageServer::DidOpen(json &params) {
    json &item = Field(params, "textDocument");
    const std::string uri = Field(item, "uri").get<std::string>();
    std::string &text = Field(item, "text").get_ref<std::string &>();
    Document &doc = documents_[uri];
    doc.version = item.value("version", 0LL);
    SetText(uri, doc, std::move(text));
}

void LanguageServer::DidChange(json &params) {
    const std::string uri = UriOf(params);
    const auto found = documents_.find(uri);
    if (found == documents_.end()) throw RequestError{kInvalidParams, "no open document " + uri};
    Document &doc = found->second;
    std::string text = doc.text;
    for (const json &change : Field(params, "contentChanges")) {
        const std::string &replacement = Field(change, "text").get_ref<const std::string &>();
        if (!change.contains("range")) {
            text = replacement;
            continue;
        }
        if (doc.tooLarge) throw RequestError{kInvalidParams, uri + " is too large to follow its changes"};
        const LineIndex index(text);
        const json &range = change["range"];
        std::size_t from = index.OffsetOf(PositionFrom(Field(range, "start")), encoding_),
                    to = index.OffsetOf(PositionFrom(Field(range, "end")), encoding_);
        if (to < from) std::swap(from, to);
        text.replace(from, to - from, replacement);
    }
    doc.version = params["textDocument"].value("version", doc.version);
    SetText(uri, doc, std::move(text));
}

void LanguageServer::DidClose(json &params) {
    const std::string uri = UriOf(params);
    if (documents_.erase(uri) > 0)
        Notify("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", json::array()}});
}

LanguageServer::Document &LanguageServer::OpenDocument(const json &params) {
    const std::string uri = UriOf(params);
    const auto found = documents_.find(uri);
    if (found == documents_.end()) throw RequestError{kRequestFailed, "no open document " + uri};
    if (found->second.tooLarge)
        throw RequestError{kRequestFailed, uri + " is larger than the " + std::to_string(kMaxDocumentBytes) +
                                               " bytes this server formats"};
    return found->second;
}

const Formatting &LanguageServer::FormattingOf(Document &doc) {
    if (!doc.formatting) doc.formatting = FormatText(doc.text, settings_);
    return *doc.formatting;
}

bool LanguageServer::PublishDueDiagnostics() {
    if (state_ != State::Running) return false;
    for (auto &[uri, doc] : documents_) {
        if (!doc.diagnosticsDue) continue;
        doc.diagnosticsDue = false;
        json diagnostics = doc.tooLarge ? json::array() : Diagnostics(FormattingOf(doc), doc.text, encoding_);
        Notify("textDocument/publishDiagnostics",
               {{"uri", uri}, {"version", doc.version}, {"diagnostics", std::move(diagnostics)}});
        return true;
    }
    return false;
}

// --- Formatting ----------------------------------------------------------

json LanguageServer::FormatWholeDocument(const json &params) {
    Document &doc = OpenDocument(params);
    const Formatting &f = FormattingOf(doc);
    if (!f.ok) throw RequestError{kRequestFailed, RefusalMessage(f)};
    return TextEdits(doc.text, f.text, encoding_);
}

json LanguageServer::FormatLineRange(const json &params) {
    Document &doc = OpenDocument(params);
    const json &range = Field(params, "range");
    const LineRange lines = LinesOf(PositionFrom(Field(range, "start")), PositionFrom(Field(range, "end")));
    const std::string_view before = LinesText(doc.text, lines);
    const Formatting f = FormatLines(before, settings_);
    if (!f.ok) throw RequestError{kRequestFailed, RefusalMessage(f, lines.first)};
    return TextEdits(before, f.text, encoding_, lines.first);
}

// --- The server on its two streams ---------------------------------------

namespace {

// One message body: handled, or answered with the reason it cannot be. A body
// that holds the start of another message had a Content-Length too large: the
// other message is read again.
void Dispatch(LanguageServer &server, MessageReader &reader, std::string body) {
    json message;
    try {
        message = json::parse(body);
    } catch (const json::parse_error &e) {
        const std::size_t next = body.find("Content-Length:");
        if (next == std::string::npos || next == 0)
            return server.RejectMessage(kParseError, std::string("the message is no valid JSON: ") + e.what(), body);
        reader.PutBack(std::string_view(body).substr(next));
        body.resize(next);
        return server.RejectMessage(kInvalidRequest, "the message's Content-Length runs into the next message", body);
    }
    server.Receive(std::move(message));
}

} // namespace

int Serve(LanguageServer &server, MessageReader &reader) {
    while (!server.Exited()) {
        // Diagnostics wait while messages come, so that a burst of changes
        // costs one run of the formatter.
        if (!reader.InputPending() && server.PublishDueDiagnostics()) continue;
        Incoming incoming = reader.Next();
        if (incoming.kind == Incoming::Kind::End) break;
        try {
            if (incoming.kind == Incoming::Kind::FramingError)
                server.RejectMessage(kInvalidRequest, incoming.error, incoming.body);
            else
                Dispatch(server, reader, std::move(incoming.body));
        } catch (const std::exception &e) {
            // Nothing a client sends ends the server; it hears that this message failed.
            server.RejectMessage(kInternalError, std::string("the message could not be handled: ") + e.what(), {});
        }
    }
    return server.ExitStatus();
}

int RunLanguageServer(const cli::CommandLine &command, int in, int out, std::ostream &err) {
    // A client that has gone shows as a failed write, not as a signal.
    std::signal(SIGPIPE, SIG_IGN);
    cli::LoadedSettings loaded = cli::LoadSettings(command, err);
    if (!loaded.ok) return 2;
    MessageReader reader(in, kMaxMessageBytes);
    MessageWriter writer(out);
    LanguageServer server(std::move(loaded.format),
                          [&writer](const json &message) { return writer.Write(Dump(message)); });
    return Serve(server, reader);
}

} // namespace kelvra::lsp

// Feeds arbitrary bytes to the language server as its input, after an
// initialize, and checks what it says back: the server never throws, every
// message is a JSON-RPC 2.0 object, every range runs forward and the edits of
// a formatting answer stand in order without overlapping.
#include "lsp/LanguageServer.h"
#include "lsp/MessageStream.h"

#include <cstdint>
#include <cstdlib>
#include <tuple>
#include <unistd.h>

namespace {

using nlohmann::json;

std::tuple<std::size_t, std::size_t> At(const json &position) {
    return {position.at("line").get<std::size_t>(), position.at("character").get<std::size_t>()};
}

void CheckRange(const json &range) {
    if (At(range.at("end")) < At(range.at("start"))) std::abort();
}

bool Check(const json &message) {
    if (!message.is_object() || message.at("jsonrpc") != "2.0") std::abort();
    const json *result = message.contains("result") ? &message["result"] : nullptr;
    if (result && result->is_array()) {
        std::tuple<std::size_t, std::size_t> end{0, 0};
        for (const json &edit : *result) {
            CheckRange(edit.at("range"));
            if (At(edit["range"]["start"]) < end) std::abort();
            end = At(edit["range"]["end"]);
        }
    }
    if (message.value("method", "") == "textDocument/publishDiagnostics")
        for (const json &d : message.at("params").at("diagnostics")) CheckRange(d.at("range"));
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    int ends[2];
    if (size > 60000 || ::pipe(ends) != 0) return 0;
    const std::string start =
        json{{"jsonrpc", "2.0"}, {"id", 0}, {"method", "initialize"}, {"params", {{"capabilities", json::object()}}}}
            .dump();
    const std::string input = "Content-Length: " + std::to_string(start.size()) + "\r\n\r\n" + start +
                              std::string(reinterpret_cast<const char *>(data), size);
    if (::write(ends[1], input.data(), input.size()) != static_cast<ssize_t>(input.size())) std::abort();
    ::close(ends[1]);
    kelvra::cli::FormatSettings settings;
    settings.options.LfSp = true;
    kelvra::lsp::LanguageServer server(settings, Check);
    kelvra::lsp::MessageReader reader(ends[0], 1 << 16, 0);
    kelvra::lsp::Serve(server, reader);
    ::close(ends[0]);
    return 0;
}

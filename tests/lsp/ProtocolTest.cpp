// kelvra-format --lsp driven through its pipes by the tests' own client.

#include "AppliedEdits.h"
#include "LspClient.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cstdio>
#include <fstream>

using kelvra::test::Applied;
using kelvra::test::LspClient;
using nlohmann::json;

namespace {

json Range(int l1, int c1, int l2, int c2) {
    return {{"start", {{"line", l1}, {"character", c1}}}, {"end", {{"line", l2}, {"character", c2}}}};
}

json TextDocument(const std::string &uri) { return {{"textDocument", {{"uri", uri}}}}; }

class Server : public ::testing::Test {
protected:
    void SetUp() override { std::ofstream(dir_ / "Kelvra.ini", std::ios::binary) << "[Setting]\r\n"; }

    std::unique_ptr<LspClient> Start(std::vector<std::string> flags = {}) {
        std::vector<std::string> args{KELVRA_FORMAT_PROGRAM, "--lsp", "--settings", (dir_ / "Kelvra.ini").string()};
        args.insert(args.end(), flags.begin(), flags.end());
        return std::make_unique<LspClient>(args);
    }
    // A server after initialize and initialized.
    std::unique_ptr<LspClient> Started(std::vector<std::string> flags = {},
                                       json initialize = {{"capabilities", json::object()}}) {
        auto client = Start(std::move(flags));
        client->Request(1, "initialize", std::move(initialize));
        EXPECT_TRUE(client->ResponseTo(1));
        client->Notify("initialized");
        return client;
    }
    static void Open(LspClient &c, const std::string &uri, const std::string &text, int version = 1) {
        c.Notify("textDocument/didOpen",
                 {{"textDocument", {{"uri", uri}, {"languageId", "sql"}, {"version", version}, {"text", text}}}});
    }
    static json Format(LspClient &c, int id, const std::string &uri) {
        json params = TextDocument(uri);
        params["options"] = {{"tabSize", 4}, {"insertSpaces", true}};
        c.Request(id, "textDocument/formatting", params);
        return c.ResponseTo(id).value_or(json());
    }
    // kelvra-format's own output for the text, with the same settings and `flags`.
    std::string Cli(const std::string &text, const std::string &flags) {
        std::ofstream(dir_ / "in.sql", std::ios::binary) << text;
        const std::string command = std::string("'") + KELVRA_FORMAT_PROGRAM + "' --settings '" +
                                    (dir_ / "Kelvra.ini").string() + "' " + flags + " '" + (dir_ / "in.sql").string() +
                                    "'";
        std::string out;
        FILE *pipe = ::popen(command.c_str(), "r");
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
        ::pclose(pipe);
        return out;
    }

    kelvra::test::TempDir dir_{"kelvra-lsp"};
};

// --- Lifecycle -------------------------------------------------------------

TEST_F(Server, AnswersOnlyAfterInitializeAndExitsWithTheStatusOfItsShutdown) {
    auto c = Start();
    c->Request(7, "textDocument/formatting", TextDocument("file:///a.sql"));
    EXPECT_EQ(c->ResponseTo(7).value()["error"]["code"], -32002);
    c->Request(8, "initialize", {{"capabilities", json::object()}});
    const json init = c->ResponseTo(8).value();
    EXPECT_EQ(init["result"]["capabilities"]["positionEncoding"], "utf-16");
    EXPECT_EQ(init["result"]["capabilities"]["documentFormattingProvider"], true);
    EXPECT_EQ(init["result"]["capabilities"]["documentRangeFormattingProvider"], true);
    c->Request(9, "initialize", {{"capabilities", json::object()}});
    EXPECT_EQ(c->ResponseTo(9).value()["error"]["code"], -32600);
    c->Request(10, "shutdown");
    EXPECT_EQ(c->ResponseTo(10).value()["result"], nullptr);
    c->Request(11, "textDocument/formatting", TextDocument("file:///a.sql"));
    EXPECT_EQ(c->ResponseTo(11).value()["error"]["code"], -32600);
    c->Notify("exit");
    EXPECT_EQ(c->WaitForExit(), 0);
}

TEST_F(Server, EndsWithStatusOneOnExitWithoutShutdownOrWhenItsInputCloses) {
    auto exitAtOnce = Started();
    exitAtOnce->Notify("exit");
    EXPECT_EQ(exitAtOnce->WaitForExit(), 1);
    auto inputClosed = Started();
    inputClosed->CloseInput();
    EXPECT_EQ(inputClosed->WaitForExit(), 1);
}

TEST_F(Server, TakesNoFilesOrOtherOutputs) {
    for (const char *args : {"--lsp in.sql", "--lsp --check", "--lsp --html", "--lsp -i in.sql"}) {
        const std::string command = std::string("'") + KELVRA_FORMAT_PROGRAM + "' " + args + " </dev/null 2>/dev/null";
        const int raw = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 2) << args;
    }
}

TEST_F(Server, TakesUtf8PositionsWhenTheClientOffersThem) {
    auto c = Start({"--line-breaks-separate"});
    c->Request(1, "initialize", {{"capabilities", {{"general", {{"positionEncodings", {"utf-16", "utf-8"}}}}}}});
    EXPECT_EQ(c->ResponseTo(1).value()["result"]["capabilities"]["positionEncoding"], "utf-8");
    c->Notify("initialized");
    // "'" after two three-byte characters and one four-byte one.
    Open(*c, "file:///j.sql", "select 1 from t;\n-- 日本\nselect 𠮷 'x\n");
    const json d = c->NotificationOf("textDocument/publishDiagnostics").value()["params"]["diagnostics"];
    ASSERT_EQ(d.size(), 1u) << d.dump();
    EXPECT_EQ(d[0]["range"], Range(2, 12, 2, 13));
}

// --- Bad input ---------------------------------------------------------------

TEST_F(Server, BadInputGetsErrorResponsesAndTheServerGoesOn) {
    const json probe = {{"jsonrpc", "2.0"}, {"id", 99}, {"method", "shutdown"}};
    const std::string request = json{{"jsonrpc", "2.0"}, {"id", 5}, {"method", "textDocument/hover"}}.dump();
    struct Case {
        const char *name;
        std::string bytes;
        json id;
        int code;
    } cases[] = {
        {"malformed JSON", LspClient::Framed("{\"jsonrpc\": \"2.0\", \"id\": 1,"), nullptr, -32700},
        {"not an object", LspClient::Framed("[1, 2]"), nullptr, -32600},
        {"unknown method", LspClient::Framed(request), 5, -32601},
        {"no method", LspClient::Framed(R"({"jsonrpc":"2.0","id":6})"), 6, -32600},
        {"length not a number", "Content-Length: twelve\r\n\r\n" + request, nullptr, -32600},
        {"no length", "Content-Type: application/json\r\n\r\n" + request, nullptr, -32600},
        {"bytes outside a message", "hello\r\n", nullptr, -32600},
        {"length too small", "Content-Length: 20\r\n\r\n" + request, nullptr, -32700},
        {"length too large, next message follows",
         "Content-Length: " + std::to_string(request.size() + 40) + "\r\n\r\n" + request, 5, -32600},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        auto c = Started();
        c->SendRaw(k.bytes);
        c->Send(probe);
        const json error = c->Receive().value();
        EXPECT_EQ(error["id"], k.id) << error.dump();
        EXPECT_EQ(error["error"]["code"], k.code) << error.dump();
        // The message after the bad one is still read and answered.
        EXPECT_EQ(c->ResponseTo(99).value()["result"], nullptr);
        c->Notify("exit");
        EXPECT_EQ(c->WaitForExit(), 0);
    }
}

TEST_F(Server, AFiftyMegabyteDocumentIsRefusedAndTheServerGoesOn) {
    auto c = Started();
    std::string huge;
    huge.reserve(50u << 20);
    while (huge.size() < (50u << 20)) huge += "select a, b from t where x = 1;\n";
    Open(*c, "file:///huge.sql", huge);
    std::string().swap(huge);
    EXPECT_EQ(c->Receive().value()["error"]["code"], -32600);
    EXPECT_EQ(Format(*c, 2, "file:///huge.sql")["error"]["code"], -32803);
    Open(*c, "file:///small.sql", "select a from t;\n");
    EXPECT_TRUE(Format(*c, 3, "file:///small.sql").contains("result"));
}

// --- Formatting --------------------------------------------------------------

TEST_F(Server, FormattingEditsGiveKelvraFormatsResultInTheDocumentsLineEnds) {
    struct Case {
        const char *name, *text;
    } cases[] = {
        {"LF", "-- report\nselect a, b from t where x = 1;\n\nselect c from u;\n"},
        {"CR LF", "-- report\r\nselect a, b from t where x = 1;\r\n\r\nselect c from u;\r\n"},
        {"no final line end", "select a from t"},
        {"already formatted, nothing to do", "SELECT \n        A \nFROM \n        T"},
        {"Japanese, outside the BMP on the last line", "select 名前 from 社員;\nselect '𠮷野家' from dual; -- 𩸽\n"},
        {"outside the BMP at the very end", "select a from t;\nselect '𠮷' from u -- 𩸽𩸽"},
    };
    auto c = Started({"--line-breaks-separate"});
    int id = 10;
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        const std::string uri = std::string("file:///") + std::to_string(id) + ".sql";
        Open(*c, uri, k.text);
        const json edits = Format(*c, ++id, uri)["result"];
        EXPECT_EQ(Applied(k.text, edits), Cli(k.text, "--line-breaks-separate"));
    }
    EXPECT_EQ(Applied("select a, b from t;\n", json::array()), "select a, b from t;\n");
}

TEST_F(Server, EditsTouchOnlyTheLinesThatChange) {
    auto c = Started({"--line-breaks-separate"});
    const std::string text = "SELECT \n        A \nFROM \n        T ; \nselect b from u;\n";
    Open(*c, "file:///a.sql", text);
    const json edits = Format(*c, 2, "file:///a.sql")["result"];
    ASSERT_EQ(edits.size(), 1u) << edits.dump();
    EXPECT_EQ(edits[0]["range"], Range(4, 0, 5, 0));
    // The blank after ";" stays, indented, on a line of its own.
    EXPECT_EQ(edits[0]["newText"], "SELECT \n        B \nFROM \n        U ; \n         ");
}

TEST_F(Server, RangeFormattingFormatsTheWholeLinesOfTheRangeAlone) {
    auto c = Started({"--line-breaks-separate"});
    const std::string text = "select a from t;\nselect b from u;\nselect c from v;\n";
    Open(*c, "file:///r.sql", text);
    json params = TextDocument("file:///r.sql");
    params["range"] = Range(1, 3, 2, 0); // from inside line 1 to the start of line 2
    params["options"] = {{"tabSize", 4}, {"insertSpaces", true}};
    c->Request(2, "textDocument/rangeFormatting", params);
    const json edits = c->ResponseTo(2).value()["result"];
    EXPECT_EQ(Applied(text, edits),
              "select a from t;\nSELECT \n        B \nFROM \n        U ; \n         \nselect c from v;\n");
}

// --- Diagnostics -------------------------------------------------------------

// (The base rules, which the settings ask for here, join the words of two lines.)
TEST_F(Server, DiagnosticsShowWhatWouldBeRefusedWithItsRange) {
    auto c = Started({"--no-keep-meaning"});
    struct Case {
        const char *name, *text;
        json range;
        const char *message;
    } cases[] = {
        {"unclosed quote after a character outside the BMP", "select a from t;\n-- 日本\nselect '𠮷 x\n",
         Range(2, 7, 2, 8), "対になる文字列（'）が見つかりません"},
        {"unclosed comment", "select a /* note\n", Range(0, 9, 0, 11), "対になる文字列（*/）が見つかりません"},
        {"line break that would join words", "select a\nfrom t\n", Range(0, 8, 1, 0),
         "the line break between \"a\" and \"from\" would join them"},
    };
    int id = 1;
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        const std::string uri = "file:///d" + std::to_string(++id) + ".sql";
        Open(*c, uri, k.text);
        const json d = c->NotificationOf("textDocument/publishDiagnostics").value()["params"];
        EXPECT_EQ(d["uri"], uri);
        ASSERT_GE(d["diagnostics"].size(), 1u) << d.dump();
        EXPECT_EQ(d["diagnostics"][0]["range"], k.range);
        EXPECT_EQ(d["diagnostics"][0]["severity"], 1);
        EXPECT_EQ(d["diagnostics"][0]["message"], k.message);
        // A text that is refused is not formatted: the request fails, it does not pretend.
        EXPECT_EQ(Format(*c, id, uri)["error"]["code"], -32803);
    }
}

// Documents opened in one burst each get their diagnostics, without waiting
// for another message from the client.
TEST_F(Server, DocumentsOpenedTogetherEachGetTheirDiagnostics) {
    auto c = Started({"--line-breaks-separate"});
    const std::vector<std::string> uris{"file:///a.sql", "file:///b.sql", "file:///c.sql"};
    for (const std::string &uri : uris) Open(*c, uri, "select 1 from t;\n");
    std::vector<std::string> published;
    for (std::size_t i = 0; i < uris.size(); ++i) {
        const auto d = c->NotificationOf("textDocument/publishDiagnostics");
        ASSERT_TRUE(d) << "diagnostics of " << i << " documents only";
        published.push_back((*d)["params"]["uri"]);
    }
    std::sort(published.begin(), published.end());
    EXPECT_EQ(published, uris);
}

TEST_F(Server, IncrementalChangesAreFollowedInUtf16) {
    auto c = Started({"--line-breaks-separate"});
    Open(*c, "file:///i.sql", "select '𠮷' from t;\n");
    EXPECT_EQ(c->NotificationOf("textDocument/publishDiagnostics").value()["params"]["diagnostics"].size(), 0u);
    // Removes the closing quote: it stands after the surrogate pair, at 10.
    c->Notify("textDocument/didChange", {{"textDocument", {{"uri", "file:///i.sql"}, {"version", 2}}},
                                         {"contentChanges", {{{"range", Range(0, 10, 0, 11)}, {"text", ""}}}}});
    json d = c->NotificationOf("textDocument/publishDiagnostics").value()["params"];
    EXPECT_EQ(d["version"], 2);
    ASSERT_EQ(d["diagnostics"].size(), 1u);
    EXPECT_EQ(d["diagnostics"][0]["range"], Range(0, 7, 0, 8));
    // The whole text again, then closed: no diagnostics left.
    c->Notify("textDocument/didChange", {{"textDocument", {{"uri", "file:///i.sql"}, {"version", 3}}},
                                         {"contentChanges", {{{"text", "select 1 from t;\n"}}}}});
    EXPECT_EQ(c->NotificationOf("textDocument/publishDiagnostics").value()["params"]["diagnostics"].size(), 0u);
    c->Notify("textDocument/didClose", TextDocument("file:///i.sql"));
    d = c->NotificationOf("textDocument/publishDiagnostics").value()["params"];
    EXPECT_EQ(d["diagnostics"].size(), 0u);
    EXPECT_EQ(Format(*c, 5, "file:///i.sql")["error"]["code"], -32803);
}

// --- Options -----------------------------------------------------------------

TEST_F(Server, ClientOptionsGoOverTheCommandLineAndKelvraIni) {
    std::ofstream(dir_ / "Kelvra.ini", std::ios::binary) << "[Setting]\r\nIndent=6\r\n";
    const std::string text = "select a, b from t;\n";
    auto c = Started({"--line-breaks-separate"},
                     {{"capabilities", json::object()}, {"initializationOptions", {{"indent", 2}}}});
    Open(*c, "file:///o.sql", text);
    EXPECT_EQ(Applied(text, Format(*c, 2, "file:///o.sql")["result"]), "SELECT \n  A , \n  B \nFROM \n  T ; \n   ");
    c->Notify("workspace/didChangeConfiguration", {{"settings", {{"kelvra", {{"comma", "before"}, {"indent", 40}}}}}});
    const json warning = c->NotificationOf("window/showMessage").value();
    EXPECT_NE(warning["params"]["message"].get<std::string>().find("\"indent\""), std::string::npos);
    // indent 40 is refused, 2 from initializationOptions stays; comma before is new.
    EXPECT_EQ(Applied(text, Format(*c, 3, "file:///o.sql")["result"]), "SELECT \n  A \n  , B \nFROM \n  T ; \n   ");
    c->Notify("workspace/didChangeConfiguration",
              {{"settings", {{"lineBreaksSeparate", false}, {"joinLines", true}, {"keepMeaning", false}}}});
    Open(*c, "file:///j.sql", "select a\nfrom t\n");
    EXPECT_EQ(Applied("select a\nfrom t\n", Format(*c, 4, "file:///j.sql")["result"]), "SELECT \n  AFROM T");
}

} // namespace

// Times loading a 10 MB plain-text file (code page 932 and UTF-8) and a
// 10 MB RTF file, from disk into the styled-text model, and saving them.
// Run by hand: build/bench/document_load_bench [folder for the files]
#include "platform/DocumentFile.h"
#include "platform/PlainTextFile.h"
#include "platform/RtfWriter.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

using namespace kelvra;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kTarget = 10u << 20;

double Seconds(const std::function<void()> &work) {
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
        auto start = std::chrono::steady_clock::now();
        work();
        std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

// SQL with Japanese literals and comments, reserved words in bold as the
// format run leaves them, and some colour marks.
StyledText MakeDocument(std::size_t bytes) {
    const std::string line1 = "SELECT 社員番号, 氏名, '表示' AS 区分 -- コメント\r\n";
    const std::string line2 = "  FROM 社員マスタ WHERE 部署 = 'ソフト開発' AND code = 'x{y}\\z'\r\n";
    std::string text;
    while (text.size() < bytes) text += text.size() % 3 ? line1 : line2;
    StyledText doc;
    doc.SetText(text);
    for (std::size_t at = 0; (at = text.find("SELECT", at)) != std::string::npos; at += 6) doc.SetBold(at, 6);
    for (std::size_t at = 0; (at = text.find("FROM", at)) != std::string::npos; at += 4) doc.SetBold(at, 4);
    for (std::size_t at = 0; (at = text.find("WHERE", at)) != std::string::npos; at += 5000)
        doc.SetColour(at, 5, {255, 0, 0});
    return doc;
}

} // namespace

int main(int argc, char **argv) {
    fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
    fs::path sjis = folder / "kelvra-bench.sql", utf8 = folder / "kelvra-bench-utf8.sql",
             rtf = folder / "kelvra-bench.rtf";

    // Each file about 10 MB: code page 932 is shorter than UTF-8, RTF longer.
    StyledText doc = MakeDocument(kTarget);
    std::string sjisBytes = EncodePlainText(doc.Text(), {}).bytes;
    doc = MakeDocument(kTarget * kTarget / sjisBytes.size());
    sjisBytes = EncodePlainText(doc.Text(), {}).bytes;
    PlainTextFormat utf8Format;
    utf8Format.encoding = TextEncoding::Utf8;
    std::string utf8Bytes = EncodePlainText(MakeDocument(kTarget).Text(), utf8Format).bytes;
    std::string rtfBytes = WriteRtf(doc);
    StyledText rich = MakeDocument(doc.Size() * kTarget / rtfBytes.size());
    double writeRtf = Seconds([&] { rtfBytes = WriteRtf(rich); });
    if (ReadDocument(rtfBytes, DocumentKind::RichText).content.Text() != rich.Text()) {
        std::fprintf(stderr, "the RTF file does not read back\n");
        return 1;
    }
    if (!WriteFileSafely(sjis, sjisBytes) || !WriteFileSafely(utf8, utf8Bytes) || !WriteFileSafely(rtf, rtfBytes)) {
        std::fprintf(stderr, "cannot write the test files in %s\n", folder.c_str());
        return 1;
    }

    auto load = [](const fs::path &path, DocumentKind kind) {
        std::string bytes;
        ReadFileBytes(path, bytes);
        LoadedDocument loaded = ReadDocument(bytes, kind);
        if (loaded.content.Empty()) std::abort();
    };
    auto report = [](const char *what, std::size_t bytes, double seconds) {
        std::printf("%-36s %6.1f MB  %7.3f s\n", what, bytes / 1048576.0, seconds);
    };
    report("load code page 932 text", sjisBytes.size(), Seconds([&] { load(sjis, DocumentKind::PlainText); }));
    report("load UTF-8 text", utf8Bytes.size(), Seconds([&] { load(utf8, DocumentKind::PlainText); }));
    report("load RTF", rtfBytes.size(), Seconds([&] { load(rtf, DocumentKind::RichText); }));
    report("write RTF (in memory)", rtfBytes.size(), writeRtf);
    report("save code page 932 text", sjisBytes.size(),
           Seconds([&] { WriteFileSafely(sjis, WriteDocument(doc, DocumentKind::PlainText, {}).bytes); }));
    fs::remove(sjis);
    fs::remove(utf8);
    fs::remove(rtf);
    return 0;
}

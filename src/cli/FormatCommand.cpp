#include "cli/FormatCommand.h"

#include "formatter/FormatDriver.h"
#include "formatter/TextUtil.h"
#include "keywords/SettingsStore.h"
#include "platform/PlainTextFile.h"
#include "platform/RtfWriter.h"
#include "platform/StyledText.h"

#include <chrono>
#include <functional>
#include <iostream>
#include <iterator>
#include <sstream>

namespace kelvra::cli {
namespace {

constexpr const char *kVersion = "kelvra-format 1.09";

constexpr const char *kUsage =
    "Usage: kelvra-format [options] [FILE...]\n"
    "Formats SQL the way Kelvra's 整形実行 does: each FILE (or standard input) to standard output.\n"
    "\n"
    "  -i, --in-place           rewrite each FILE instead (only after a successful run)\n"
    "      --indent N           indent width, 1 to 10 (default 8)\n"
    "      --comma after|before break after commas (default) or put them at the line start\n"
    "      --line-breaks-separate  line breaks in the input separate words\n"
    "      --simple             simple mode: literals and comments are not protected\n"
    "      --no-bold            no emphasis in --html and --rtf output\n"
    "      --html               write an HTML fragment, reserved words in <b>\n"
    "      --rtf                write rich text, reserved words in bold\n"
    "      --summary            print the run summary to standard error\n"
    "      --settings PATH      read options and keyword states from this Kelvra.ini\n"
    "  -h, --help               show this help\n"
    "      --version            show the version\n"
    "\n"
    "Options and keyword states come from the editor's Kelvra.ini when there is one;\n"
    "the options above override them. Exit status: 0 formatted, 1 a text was refused\n"
    "or a file could not be read or written, 2 usage error.\n";

std::string WithLf(std::string_view text) { return FromCrLf(text, LineEnd::Lf); }

std::string Describe(const FormatResult &r, std::string_view text) {
    std::string message = WithLf(r.message.text);
    for (char &c : message)
        if (c == '\n') c = ' ';
    if (!r.hasHighlight) return message;
    LineColumn at = LineColumnOf(text, r.highlight.start);
    return std::to_string(at.line) + ":" + std::to_string(at.column) + ": " + message;
}

std::string Render(const FormatResult &r, OutputKind output, bool bold) {
    static const std::vector<TextSpan> none;
    const std::vector<TextSpan> &spans = bold ? r.boldSpans : none;
    switch (output) {
    case OutputKind::Html: return HtmlFragment(r.text, spans);
    case OutputKind::Rtf: {
        StyledText styled;
        styled.SetText(r.text);
        for (const TextSpan &s : spans) styled.SetBold(s.start, s.length);
        return WriteRtf(styled);
    }
    case OutputKind::Text: break;
    }
    return r.text;
}

bool ReadStream(std::istream &in, std::string &bytes) {
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string> &args) {
    ParsedCommandLine p;
    CommandLine &c = p.command;
    auto fail = [&p](std::string message) {
        p.ok = false;
        p.error = std::move(message);
        return p;
    };
    bool filesOnly = false;
    int outputs = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        auto value = [&](std::string &out) {
            if (auto eq = a.find('='); eq != std::string::npos) {
                out = a.substr(eq + 1);
                return true;
            }
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        auto is = [&a](std::string_view name) { return a == name || StartsWith(a, std::string(name) + "="); };
        std::string v;
        if (filesOnly || a == "-" || a.empty() || a[0] != '-') {
            c.files.push_back(a);
        } else if (a == "--") {
            filesOnly = true;
        } else if (a == "-h" || a == "--help") {
            c.help = true;
        } else if (a == "--version") {
            c.version = true;
        } else if (a == "-i" || a == "--in-place") {
            c.inPlace = true;
        } else if (a == "--summary") {
            c.summary = true;
        } else if (a == "--html" || a == "--rtf") {
            c.output = a == "--html" ? OutputKind::Html : OutputKind::Rtf;
            ++outputs;
        } else if (a == "--line-breaks-separate") {
            c.lineBreaksSeparate = true;
        } else if (a == "--simple") {
            c.simple = true;
        } else if (a == "--no-bold") {
            c.noBold = true;
        } else if (is("--indent")) {
            if (!value(v)) return fail("--indent needs a number from 1 to 10");
            std::size_t used = 0;
            int n = 0;
            try {
                n = std::stoi(v, &used);
            } catch (...) {
                used = 0;
            }
            if (used == 0 || used != v.size() || n < 1 || n > 10) return fail("--indent needs a number from 1 to 10, not '" + v + "'");
            c.indent = n;
        } else if (is("--comma")) {
            if (!value(v) || (v != "after" && v != "before")) return fail("--comma needs 'after' or 'before'");
            c.comma = v == "after" ? CommaPosition::After : CommaPosition::Before;
        } else if (is("--settings")) {
            if (!value(v) || v.empty()) return fail("--settings needs a path");
            c.settings = v;
        } else {
            return fail("unknown option '" + a + "'");
        }
    }
    if (outputs > 1)
        return fail("--html and --rtf cannot be used together");
    if (c.inPlace && c.files.empty()) return fail("--in-place needs at least one FILE");
    if (c.inPlace && std::find(c.files.begin(), c.files.end(), "-") != c.files.end())
        return fail("--in-place cannot rewrite standard input");
    return p;
}

std::string HtmlFragment(std::string_view text, const std::vector<TextSpan> &bold) {
    auto escaped = [](std::string &out, std::string_view part) {
        for (char c : part) {
            switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            default: out += c;
            }
        }
    };
    std::string out = "<pre>";
    out.reserve(text.size() + text.size() / 8);
    std::size_t done = 0;
    for (const TextSpan &span : bold) {
        if (span.start < done || span.start + span.length > text.size() || span.length == 0) continue;
        escaped(out, text.substr(done, span.start - done));
        out += "<b>";
        escaped(out, text.substr(span.start, span.length));
        out += "</b>";
        done = span.start + span.length;
    }
    escaped(out, text.substr(done));
    out += "</pre>";
    return out;
}

FormattedDocument FormatDocument(std::string inputBytes, const EditorOptions &options,
                                 const KeywordCatalogue &catalogue, OutputKind output) {
    FormattedDocument doc;
    DecodedText decoded = DecodePlainText(inputBytes);
    // Line ends as the input had them: CR LF stays CR LF, LF-only input (or
    // input without any line end) gets LF.
    PlainTextFormat format = decoded.format;
    if (inputBytes.find_first_of("\r\n") == std::string::npos) format.lineEnd = LineEnd::Lf;
    if (!decoded.badOffsets.empty()) {
        LineColumn at = LineColumnOf(inputBytes, decoded.badOffsets.front());
        doc.exitCode = 1;
        doc.diagnostic = std::to_string(at.line) + ":" + std::to_string(at.column) + ": " +
                         std::to_string(decoded.badOffsets.size()) +
                         " byte(s) are neither Shift-JIS nor UTF-8; the text is left as it is";
        return doc;
    }
    std::string().swap(inputBytes); // the decoded text is all that is needed from here on
    ProgressSink quiet;
    const auto started = std::chrono::steady_clock::now();
    FormatResult r = RunFormat(std::move(decoded.text), options, catalogue, quiet);
    // Whole milliseconds, like the editor's tick counter.
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    const double seconds = static_cast<double>(elapsed.count()) / 1000.0;
    if (r.end != RunEnd::Normal) {
        doc.exitCode = 1;
        doc.diagnostic = Describe(r, r.text);
        return doc;
    }
    doc.summary = WithLf(RunSummaryText(seconds, r.counts));
    if (output == OutputKind::Rtf) {
        doc.bytes = Render(r, output, options.Bold);
        return doc;
    }
    std::string rendered = FromCrLf(Render(r, output, options.Bold), format.lineEnd);
    std::string().swap(r.text);
    EncodedText encoded = EncodePlainText(rendered, format);
    if (!encoded.lossyOffsets.empty()) {
        doc.exitCode = 1;
        doc.diagnostic = "the result holds characters the file's encoding cannot hold; the text is left as it is";
        return doc;
    }
    doc.bytes = std::move(encoded.bytes);
    return doc;
}

int RunCommand(const std::vector<std::string> &args, std::istream &in, std::ostream &out, std::ostream &err) {
    ParsedCommandLine parsed = ParseCommandLine(args);
    if (!parsed.ok) {
        err << "kelvra-format: " << parsed.error << "\nTry 'kelvra-format --help'.\n";
        return 2;
    }
    const CommandLine &c = parsed.command;
    if (c.help) {
        out << kUsage;
        return 0;
    }
    if (c.version) {
        out << kVersion << "\n";
        return 0;
    }

    EditorOptions options;
    KeywordCatalogue catalogue;
    const std::filesystem::path ini =
        c.settings ? *c.settings : SettingsFolder(ExecutableFolder()) / kSettingsFileName;
    if (c.settings && !std::filesystem::exists(ini)) {
        err << "kelvra-format: no settings file " << ini.string() << "\n";
        return 2;
    }
    Status loaded = LoadFormattingSettings(ini, options, catalogue);
    if (!loaded.ok) err << "kelvra-format: " << ini.string() << ": " << loaded.message << "\n";
    if (c.indent) options.Indent = *c.indent;
    if (c.comma) options.Comma = *c.comma;
    if (c.lineBreaksSeparate) options.LfSp = true;
    if (c.simple) options.SimpleMode = true;
    if (c.noBold) options.Bold = false;

    std::vector<std::string> files = c.files;
    if (files.empty()) files.push_back("-");
    int status = 0;
    for (const std::string &name : files) {
        std::string bytes;
        const bool stdinInput = name == "-";
        if (stdinInput) {
            if (!ReadStream(in, bytes)) {
                err << "kelvra-format: cannot read standard input\n";
                status = 1;
                continue;
            }
        } else if (Status read = ReadFileBytes(name, bytes); !read) {
            err << "kelvra-format: " << name << ": " << read.message << "\n";
            status = 1;
            continue;
        }
        // Only a fingerprint of the input is kept, to leave an unchanged file alone.
        const std::size_t inputSize = bytes.size(), inputHash = std::hash<std::string>{}(bytes);
        FormattedDocument doc = FormatDocument(std::move(bytes), options, catalogue, c.output);
        const std::string label = stdinInput ? "<stdin>" : name;
        if (doc.exitCode != 0) {
            err << label << ":" << doc.diagnostic << "\n";
            status = 1;
            continue;
        }
        if (c.summary) err << label << ":\n" << doc.summary;
        if (c.inPlace) {
            if (doc.bytes.size() == inputSize && std::hash<std::string>{}(doc.bytes) == inputHash) continue;
            if (Status written = WriteFileSafely(name, doc.bytes); !written) {
                err << "kelvra-format: " << name << ": " << written.message << "\n";
                status = 1;
            }
        } else {
            out << doc.bytes;
        }
    }
    out.flush();
    return status;
}

} // namespace kelvra::cli

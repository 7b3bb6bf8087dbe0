#include "cli/FormatCommand.h"

#include "cli/CheckOptionsFor.h"
#include "cli/FixedPoint.h"
#include "cli/KeptLineEnds.h"
#include "cli/MeaningProblems.h"
#include "cli/OrderedParallel.h"
#include "cli/QuotedName.h"
#include "cli/SettingsFile.h"
#include "cli/Tidy.h"
#include "cli/UnifiedDiff.h"
#include "formatter/Format.h"
#include "formatter/Readings.h"
#include "platform/Utf8.h"
#include "settings/SettingsStore.h"
#include "platform/Files.h"
#include "platform/PlainTextFile.h"
#include "platform/RtfWriter.h"
#include "platform/StyledText.h"

#include <cerrno>
#include <cstdio>
#include <chrono>
#include <cstring>
#include <functional>
#include <istream>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <ostream>
#include <thread>

namespace kelvra::cli {
namespace {

constexpr const char *kVersion = "kelvra-format 1.09";
constexpr const char *kOutOfMemory = "not enough memory to format it; nothing was written";
// What to do about places that --join-lines would let through (only the base
// rules join words); with line breaks separating words already, only
// --join-lines is left to offer.
std::string WordJoinHint(bool lineBreaksSeparate) {
    if (lineBreaksSeparate) return "kelvra-format: --join-lines lets such places through, as the base rules do\n";
    return "kelvra-format: line breaks do not separate words here (the editor's 改行は区切りと見なす is off);\n"
           "  pass --keep-meaning or --line-breaks-separate to keep the words apart, or --join-lines to join them\n"
           "  as the base rules do\n";
}

// Allocation failures of this thread. The format run turns any exception into
// an unexpected end; this count tells when running out of memory was the cause.
thread_local std::size_t allocationFailures = 0;

void CountAllocationFailure() {
    ++allocationFailures;
    throw std::bad_alloc();
}

std::string WithLf(std::string_view text) { return FromCrLf(text, LineEnd::Lf); }

Problem At(std::string_view text, std::size_t offset, std::string message, std::size_t length = 0) {
    LineColumn at = LineColumnOf(text, offset);
    std::size_t characters = 0;
    for (std::size_t i = offset; i < offset + length && i < text.size();
         i += Utf8CharLength(static_cast<unsigned char>(text[i])))
        ++characters;
    return {true, at.line, at.column, std::move(message), characters};
}

Problem Refusal(const FormatResult &r, std::string_view text) {
    std::string message = WithLf(r.message.text);
    for (char &c : message)
        if (c == '\n') c = ' ';
    if (!r.hasHighlight) return {false, 0, 0, message};
    return At(text, r.highlight.start, message, r.highlight.length);
}

// The text output takes the result's text over rather than copying it.
std::string Render(FormatResult &r, OutputKind output, bool bold) {
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
    return std::move(r.text);
}

// The platform's "LINE:COLUMN: why" as a problem.
Problem TextProblemOf(std::string_view bytes, const DecodedText &decoded) {
    const std::string described = DescribeTextProblem(bytes, decoded);
    Problem p{true, 0, 0, described};
    int used = 0;
    if (std::sscanf(described.c_str(), "%zu:%zu: %n", &p.line, &p.column, &used) >= 2 && used > 0)
        p.message = described.substr(static_cast<std::size_t>(used));
    else
        p = {false, 0, 0, described.empty() ? "not a text file; the text is left as it is" : described};
    return p;
}

// Line ends of a mixed file that are written as the file's first kind.
Problem LineEndsChanged(std::string_view bytes, TextEncoding encoding, LineEnd lineEnd, std::size_t count,
                        std::size_t firstOffset) {
    const FilePosition at = PositionInFile(bytes, encoding, firstOffset);
    const char *kind = lineEnd == LineEnd::CrLf ? "CR LF" : lineEnd == LineEnd::Lf ? "LF" : "CR";
    return Problem{true, at.line, at.column,
                   std::to_string(count) +
                       (count == 1 ? " line end differs from the file's first and is"
                                   : " line ends differ from the file's first and are") +
                       " written as " + kind + " like it"};
}

FormattedDocument Refused(std::vector<Problem> problems) {
    FormattedDocument doc;
    doc.exitCode = 1;
    doc.problems = std::move(problems);
    return doc;
}

// `kept`: the line ends of a mixed file, to keep inside literals and comments of a text output.
FormattedDocument FormatDecoded(DecodedText decoded, PlainTextFormat format, const FormatSettings &settings,
                                KeptLineEnds *kept) {
    const EditorOptions &options = settings.options;
    TrimOuterBlanks(decoded.text);
    ProgressSink quiet;
    const std::size_t failuresBefore = allocationFailures;
    const auto started = std::chrono::steady_clock::now();
    FormatResult r = RunFormat(decoded.text, options, settings.catalogue, quiet); // the text stays for the check
    // Whole milliseconds, like the editor's tick counter.
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    if (r.end != RunEnd::Normal) {
        if (allocationFailures != failuresBefore) return Refused({{false, 0, 0, kOutOfMemory}});
        return Refused({Refusal(r, r.text)});
    }
    if (options.Comma == CommaPosition::Before)
        DropBlankLinesAfterCommentsBeforeCommas(r.text, r.boldSpans, ReadingsOf(options));
    if (settings.tidy && settings.output == OutputKind::Text) r.text = TidyText(r.text, ReadingsOf(options));
    // Simple mode and the base rules change literals and comments by design: the user hears of it.
    MeaningProblems meaning =
        JudgeMeaning(decoded.text, r.text, {!settings.refuseWordJoins, !options.KeepMeaning || options.SimpleMode},
                     CheckOptionsFor(options));
    if (!meaning.refusals.empty()) {
        FormattedDocument refused = Refused(std::move(meaning.refusals));
        refused.joinsWords = meaning.joinsWords;
        return refused;
    }
    std::string().swap(decoded.text);
    FormattedDocument doc;
    doc.warnings = std::move(meaning.warnings);
    doc.summary = WithLf(RunSummaryText(static_cast<double>(elapsed.count()) / 1000.0, r.counts));
    if (settings.output == OutputKind::Rtf) {
        doc.bytes = Render(r, settings.output, options.Bold);
        return doc;
    }
    std::string rendered = Render(r, settings.output, options.Bold);
    std::string().swap(r.text);
    if (kept && settings.output == OutputKind::Text) {
        rendered = kept->Apply(rendered, format.lineEnd);
        format.lineEnd = LineEnd::CrLf; // the line ends are written as they now stand
    }
    EncodedText encoded = EncodePlainText(rendered, format); // writes the file's line ends
    if (!encoded.lossyOffsets.empty())
        return Refused(
            {{false, 0, 0, "the result holds characters the file's encoding cannot hold; nothing was written"}});
    if (!encoded.recodedOffsets.empty()) {
        FilePosition at = PositionInFile(encoded.bytes, format.encoding, encoded.recodedOffsets.front());
        doc.warnings.push_back({true, at.line, at.column,
                                std::to_string(encoded.recodedOffsets.size()) +
                                    " character(s) that the file wrote with two different codes are all written "
                                    "with one of them"});
    }
    doc.bytes = std::move(encoded.bytes);
    return doc;
}

// --- Reading and writing -------------------------------------------------

struct ReadOutcome {
    bool ok = true;
    std::string message;
    std::optional<FileIdentity> identity; // of a regular file, as it was when reading began
};

ReadOutcome ReadFailure(std::string message) { return {false, std::move(message), std::nullopt}; }

// Stops at the first NUL byte: no text file holds one, and it keeps endless
// sources like /dev/zero from filling the memory.
constexpr const char *kNotText = "not a text file (it holds NUL bytes); nothing was written";

// Reads chunks from `next` (which returns the count read, 0 at the end, -1 on
// an error) until the end or the first NUL byte.
ReadOutcome ReadAll(const std::function<long(char *, std::size_t)> &next, std::string &bytes) {
    constexpr std::size_t kChunk = 1 << 20;
    const std::unique_ptr<char[]> chunk = std::make_unique_for_overwrite<char[]>(kChunk); // never zero-filled
    for (;;) {
        errno = 0;
        const long n = next(chunk.get(), kChunk);
        if (n < 0) return ReadFailure(std::string("cannot read: ") + std::strerror(errno ? errno : EIO));
        if (n == 0) return {};
        if (std::memchr(chunk.get(), '\0', static_cast<std::size_t>(n))) return ReadFailure(kNotText);
        bytes.append(chunk.get(), static_cast<std::size_t>(n));
    }
}

// `followLinks` unset: a symbolic link in the name's place is not opened.
ReadOutcome ReadFile(const std::string &name, bool followLinks, std::string &bytes) {
    ReadOutcome outcome;
    bool holdsNul = false;
    const Status read = ReadFileInPieces(PathFromUtf8(name),
                                         [&](std::string_view piece) {
                                             if (bytes.empty() && outcome.identity)
                                                 bytes.reserve(outcome.identity->size);
                                             holdsNul = piece.find('\0') != std::string_view::npos;
                                             if (!holdsNul) bytes.append(piece);
                                             return !holdsNul;
                                         },
                                         {.followLinks = followLinks, .identity = &outcome.identity});
    if (holdsNul) return ReadFailure(kNotText);
    if (!read) return ReadFailure(read.message);
    return outcome;
}

ReadOutcome ReadStream(std::istream &in, std::string &bytes) {
    return ReadAll(
        [&in](char *buffer, std::size_t size) -> long {
            in.read(buffer, static_cast<std::streamsize>(size));
            if (in.bad()) return -1;
            return static_cast<long>(in.gcount());
        },
        bytes);
}

// --- One input, start to end ---------------------------------------------

struct RunPlan {
    FormatSettings settings;
    bool inPlace = false, check = false, diff = false, summary = false, breakHardLinks = false;
    bool nulSeparated = false; // the --check list ends each name with NUL, unquoted
};

struct FileOutcome {
    int status = 0;
    std::string out, err;
    bool joinsWords = false;
};

class InputProcessor {
public:
    InputProcessor(const RunPlan &plan, std::istream &in) : plan_(plan), in_(in) {}

    FileOutcome Process(const InputFile &file) const {
        FileOutcome o;
        const bool standardInput = file.name == "-";
        const std::string label = standardInput ? "<stdin>" : QuotedName(file.name);
        try {
            Format(file, label, standardInput, o);
        } catch (const std::bad_alloc &) {
            o = {};
            Fail(o, ProblemLine(label, {false, 0, 0, kOutOfMemory}));
        }
        return o;
    }

private:
    static void Fail(FileOutcome &o, const std::string &line) {
        o.status = 1;
        o.err += line + "\n";
    }

    void Format(const InputFile &file, const std::string &label, bool standardInput, FileOutcome &o) const {
        std::string bytes;
        ReadOutcome read;
        if (standardInput) {
            std::lock_guard lock(inputMutex_);
            read = ReadStream(in_, bytes);
        } else {
            read = ReadFile(file.name, !file.fromWalk, bytes);
        }
        if (!read.ok) return Fail(o, ProblemLine(label, {false, 0, 0, read.message}));

        // Only a fingerprint of the input is kept, unless a diff needs the text.
        const std::string original = plan_.diff ? bytes : std::string();
        const std::size_t inputSize = bytes.size(), inputHash = std::hash<std::string>{}(bytes);
        FormattedDocument doc = FormatDocument(std::move(bytes), plan_.settings);
        if (doc.exitCode != 0) {
            o.joinsWords = doc.joinsWords;
            for (const Problem &p : doc.problems) Fail(o, ProblemLine(label, p));
            return;
        }
        for (const Problem &p : doc.warnings) o.err += ProblemLine(label, p) + "\n";
        if (plan_.summary) o.err += label + ":\n" + doc.summary;
        const bool changed = doc.bytes.size() != inputSize || std::hash<std::string>{}(doc.bytes) != inputHash;
        if (plan_.check || plan_.diff) {
            if (plan_.diff)
                o.out = UnifiedDiff(original, doc.bytes, label, label);
            else if (changed)
                o.out = plan_.nulSeparated ? file.name + '\0' : label + "\n";
            if (plan_.check && changed) o.status = 1;
        } else if (plan_.inPlace) {
            if (!changed) return;
            SafeWriteOptions writing;
            writing.breakHardLinks = plan_.breakHardLinks;
            writing.followLinks = !file.fromWalk;
            writing.expected = read.identity;
            if (Status written = WriteFileSafely(PathFromUtf8(file.name), doc.bytes, writing); !written)
                Fail(o, ProblemLine(label, {false, 0, 0, written.message}));
        } else {
            o.out = std::move(doc.bytes);
        }
    }

    const RunPlan &plan_;
    std::istream &in_;
    mutable std::mutex inputMutex_;
};

// --- The whole run -------------------------------------------------------

} // namespace

LoadedSettings LoadSettings(const CommandLine &c, std::ostream &err) {
    LoadedSettings s;
    const std::filesystem::path ini =
        c.settings ? *c.settings : SettingsFileToRead(SettingsFolder(ExecutableFolder()), ExecutableFolder());
    if (c.settings) {
        if (const std::string why = WhyNotASettingsFile(ini); !why.empty()) {
            err << "kelvra-format: --settings " << QuotedName(PathToUtf8(ini)) << ": " << why
                << "\nTry 'kelvra-format --help'.\n";
            s.ok = false;
            return s;
        }
    }
    EditorOptions &options = s.format.options;
    std::vector<BadSettingsValue> bad;
    Status loaded = LoadFormattingSettings(ini, options, s.format.catalogue, &bad);
    if (!loaded.ok) err << "kelvra-format: " << QuotedName(PathToUtf8(ini)) << ": " << loaded.message << "\n";
    for (const BadSettingsValue &b : bad)
        err << QuotedName(PathToUtf8(ini)) << ":" << b.line << ": " << b.key << "=" << b.value << " is not "
            << b.expected << "; " << b.key << " keeps its default\n";
    if (c.indent) options.Indent = *c.indent;
    if (c.comma) options.Comma = *c.comma;
    if (c.lineBreaksSeparate) options.LfSp = true;
    if (c.simple) options.SimpleMode = true;
    if (c.noBold) options.Bold = false;
    if (c.keepMeaning) options.KeepMeaning = *c.keepMeaning;
    if (c.dialect) options.Dialect = *c.dialect;
    // Without the blank at each line end, line breaks that do not separate
    // words would run the words together the next time the result is formatted
    // (or, where meaning is kept, run a quote and a word together).
    if (c.tidy && !options.LfSp) {
        err << "kelvra-format: --tidy needs line breaks that separate words: pass --line-breaks-separate "
               "(or set LfSp=True in the settings file)\nTry 'kelvra-format --help'.\n";
        s.ok = false;
        return s;
    }
    s.format.output = c.output;
    s.format.tidy = c.tidy;
    s.format.refuseWordJoins = !c.joinLines;
    if (c.joinLines && options.KeepMeaning)
        err << "kelvra-format: --join-lines joins words only with --no-keep-meaning; meaning is kept, so a line "
               "break that would join two words becomes a blank\n";
    return s;
}

namespace {

unsigned JobCount(const CommandLine &c) {
    if (c.jobs > 0) return c.jobs;
    return std::max(1u, std::thread::hardware_concurrency());
}

std::string OutputError() {
    const int e = errno;
    return std::string("kelvra-format: cannot write standard output") +
           (e ? std::string(": ") + std::strerror(e) : "") + "\n";
}

int FormatInputs(const CommandLine &c, const RunPlan &plan, std::istream &in, std::ostream &out, std::ostream &err) {
    std::vector<std::string> arguments = c.files;
    if (arguments.empty()) arguments.push_back("-");
    const InputFiles inputs = ExpandInputs(arguments, c.selection);
    int status = 0;
    for (const std::string &e : inputs.errors) {
        err << "kelvra-format: " << e << "\n";
        status = 1;
    }
    InputProcessor processor(plan, in);
    bool joinsWords = false, outputFailed = false;
    std::size_t wouldChange = 0;
    RunInOrder<FileOutcome>(
        inputs.files.size(), JobCount(c), [&](std::size_t i) { return processor.Process(inputs.files[i]); },
        [&](FileOutcome &o) {
            err << o.err;
            status = std::max(status, o.status);
            joinsWords = joinsWords || o.joinsWords;
            if (c.check && !c.diff && !o.out.empty()) ++wouldChange;
            errno = 0;
            out.write(o.out.data(), static_cast<std::streamsize>(o.out.size()));
            if (!out) outputFailed = true;
            return !outputFailed;
        });
    errno = 0;
    if (!outputFailed) out.flush();
    if (outputFailed || !out) {
        err << OutputError();
        return 1;
    }
    if (joinsWords) err << WordJoinHint(plan.settings.options.LfSp);
    if (wouldChange > 0)
        err << "kelvra-format: " << wouldChange << (wouldChange == 1 ? " file" : " files") << " would be reformatted\n";
    return status;
}

} // namespace

std::string ProblemLine(std::string_view label, const Problem &p) {
    if (!p.hasPosition) return "kelvra-format: " + std::string(label) + ": " + p.message;
    return std::string(label) + ":" + std::to_string(p.line) + ":" + std::to_string(p.column) + ": " + p.message;
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

FormattedDocument FormatDocument(std::string inputBytes, const FormatSettings &settings) {
    try {
        DecodedText decoded = DecodePlainText(inputBytes);
        // Line ends as the input had them: CR LF stays CR LF, LF-only input (or
        // input without any line end) gets LF.
        PlainTextFormat format = decoded.format;
        if (inputBytes.find_first_of("\r\n") == std::string::npos) format.lineEnd = LineEnd::Lf;
        if (decoded.problem != TextProblem::None) return Refused({TextProblemOf(inputBytes, decoded)});
        if (decoded.otherLineEnds == 0) {
            std::string().swap(inputBytes); // the decoded text is all that is needed from here on
            return FormatDecoded(std::move(decoded), format, settings, nullptr);
        }
        // A file whose lines end in more than one way: the user hears of every
        // line end that is not kept as it was.
        KeptLineEnds kept(decoded.text, inputBytes, ReadingsOf(settings.options));
        // A line end inside a literal is the literal's, not the file's kind.
        format.lineEnd = kept.CodeLineEnd(format.lineEnd);
        std::size_t changed = decoded.otherLineEnds, firstChanged = decoded.firstOtherLineEnd;
        FormattedDocument doc = FormatDecoded(std::move(decoded), format, settings, &kept);
        if (settings.output == OutputKind::Text) {
            changed = kept.Changed();
            firstChanged = kept.FirstChangedOffset();
        }
        if (doc.exitCode == 0 && changed > 0 && settings.output != OutputKind::Rtf)
            doc.warnings.insert(doc.warnings.begin(),
                                LineEndsChanged(inputBytes, format.encoding, format.lineEnd, changed, firstChanged));
        return doc;
    } catch (const std::bad_alloc &) {
        return Refused({{false, 0, 0, kOutOfMemory}});
    }
}

int RunCommand(const std::vector<std::string> &args, std::istream &in, std::ostream &out, std::ostream &err) {
    std::set_new_handler(CountAllocationFailure);
    try {
        ParsedCommandLine parsed = ParseCommandLine(args);
        if (!parsed.ok) {
            err << "kelvra-format: " << parsed.error << "\nTry 'kelvra-format --help'.\n";
            return 2;
        }
        const CommandLine &c = parsed.command;
        if (c.help || c.version) {
            out << (c.help ? UsageText() : kVersion) << (c.help ? "" : "\n");
            out.flush();
            if (!out) {
                err << OutputError();
                return 1;
            }
            return 0;
        }
        LoadedSettings settings = LoadSettings(c, err);
        if (!settings.ok) return 2;
        RunPlan plan{std::move(settings.format), c.inPlace,     c.check, c.diff, c.summary,
                     c.breakHardLinks,           c.nulSeparated};
        const int status = FormatInputs(c, plan, in, out, err);
        // A message that did not reach standard error must not end in a quiet success.
        err.flush();
        return err ? status : std::max(status, 1);
    } catch (const std::bad_alloc &) {
        err << "kelvra-format: not enough memory\n";
        return 1;
    }
}

} // namespace kelvra::cli

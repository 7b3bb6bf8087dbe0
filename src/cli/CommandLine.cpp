#include "cli/CommandLine.h"

#include "keywords/SqlDialectNames.h"
#include "platform/Files.h"

#include <algorithm>

namespace kelvra::cli {
namespace {

constexpr const char *kUsage =
    "Usage: kelvra-format [options] [FILE|FOLDER...]\n"
    "Formats SQL the way Kelvra's 整形実行 does: each FILE (or standard input) to standard output.\n"
    "A FOLDER stands for the .sql files below it, in sorted order; symbolic links in it\n"
    "are left alone.\n"
    "\n"
    "What to do with the result:\n"
    "  -i, --in-place           rewrite each FILE instead (only after a successful run;\n"
    "                           owner and permissions are kept)\n"
    "      --break-hard-links   with -i, rewrite a file that has other names (hard links) under\n"
    "                           the given name only; without it such a file is left alone\n"
    "      --check              write nothing; list the files that would change, exit 1 if any\n"
    "  -z                       with --check: end each name with NUL instead of a line break\n"
    "                           (names are otherwise quoted when they hold control characters)\n"
    "      --diff               write a unified diff of what would change instead of the result\n"
    "      --html               write an HTML fragment, reserved words in <b>\n"
    "      --rtf                write rich text, reserved words in bold\n"
    "      --tidy               no blank at line ends, no blank lines at the end, one final line\n"
    "                           break; needs --line-breaks-separate (or LfSp=True), so that a\n"
    "                           tidy file reads back the same\n"
    "      --summary            print the run summary to standard error\n"
    "      --lsp                be a language server for editors (Language Server Protocol on\n"
    "                           standard input and output); the formatting options below set\n"
    "                           its defaults\n"
    "\n"
    "Formatting (otherwise from the editor's Kelvra.ini):\n"
    "      --indent N           indent width, 1 to 10 (default 8)\n"
    "      --comma after|before break after commas (default) or put them at the line start\n"
    "      --line-breaks-separate  line breaks in the input separate words\n"
    "      --join-lines         with --no-keep-meaning: let line breaks go even where words\n"
    "                           then run together, as the base rules do; without it such a\n"
    "                           text is refused\n"
    "      --simple             simple mode: literals and comments are not protected\n"
    "      --keep-meaning       keep what the text means to its client and server: their\n"
    "                           literals, command lines and names as written, and a line\n"
    "                           break that would join two words as a blank (the default)\n"
    "      --no-keep-meaning    the base rules only: such text is formatted like the rest\n"
    "      --dialect NAME       whose readings to keep: any (every client and server at\n"
    "                           once, the default), oracle, postgresql, mysql or sqlserver\n"
    "      --no-bold            no emphasis in --html and --rtf output\n"
    "      --settings PATH      read options and keyword states from this Kelvra.ini\n"
    "\n"
    "Files:\n"
    "      --include GLOB       in folders, take the files matching GLOB (repeatable; default *.sql)\n"
    "      --exclude GLOB       in folders, leave out files and folders matching GLOB (repeatable)\n"
    "  -j, --jobs N             format N files at a time (default: one per processor core);\n"
    "                           the output keeps the order of the arguments\n"
    "  -h, --help               show this help\n"
    "      --version            show the version\n"
    "\n"
    "A GLOB without \"/\" matches names, one with \"/\" the path below the folder given.\n"
    "Exit status: 0 formatted (or, with --check, nothing would change); 1 a text was\n"
    "refused, a file could not be read or written, memory ran out, or --check found\n"
    "files that would change; 2 usage error.\n";

bool ParsePositive(const std::string &text, int low, int high, int &value) {
    if (text.empty() || text.size() > 4 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    value = std::stoi(text);
    return value >= low && value <= high;
}

// The ways of using the options together that make no sense.
std::string Conflict(const CommandLine &c, int outputs) {
    if (outputs > 1) return "--html and --rtf cannot be used together";
    if (c.lsp && (c.inPlace || c.check || c.diff || c.summary || outputs > 0 || !c.files.empty()))
        return "--lsp talks with an editor over standard input and output: no FILE, -i, --check, --diff, "
               "--summary, --html or --rtf";
    const bool rich = c.output != OutputKind::Text;
    if (c.inPlace && rich) return "--in-place rewrites SQL files and cannot write --html or --rtf";
    if (c.inPlace && (c.check || c.diff)) return "--in-place cannot be used with --check or --diff";
    if (rich && (c.check || c.diff)) return "--check and --diff compare SQL text, not --html or --rtf";
    if (rich && c.tidy) return "--tidy applies to SQL text, not to --html or --rtf";
    if (c.nulSeparated && (!c.check || c.diff)) return "-z applies to the list of --check, without --diff";
    if (c.inPlace && c.files.empty()) return "--in-place needs at least one FILE";
    if (c.inPlace && std::find(c.files.begin(), c.files.end(), "-") != c.files.end())
        return "--in-place cannot rewrite standard input";
    return {};
}

} // namespace

const char *UsageText() { return kUsage; }

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
        // The value of an option: "--name=VALUE", "--name VALUE", or "-jVALUE".
        auto value = [&](std::string &out) {
            if (auto eq = a.find('='); eq != std::string::npos && a.starts_with("--")) {
                out = a.substr(eq + 1);
                return true;
            }
            if (a.size() > 2 && a[1] != '-') {
                out = a.substr(2);
                return true;
            }
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        auto is = [&a](std::string_view name) { return a == name || a.starts_with(std::string(name) + "="); };
        std::string v;
        if (filesOnly || a == "-" || a.empty() || a[0] != '-') {
            c.files.push_back(a);
        } else if (a == "--") {
            filesOnly = true;
        } else if (a == "-h" || a == "--help") {
            c.help = true;
        } else if (a == "--version") {
            c.version = true;
        } else if (a == "--lsp") {
            c.lsp = true;
        } else if (a == "-i" || a == "--in-place") {
            c.inPlace = true;
        } else if (a == "--break-hard-links") {
            c.breakHardLinks = true;
        } else if (a == "-z") {
            c.nulSeparated = true;
        } else if (a == "--check") {
            c.check = true;
        } else if (a == "--diff") {
            c.diff = true;
        } else if (a == "--tidy") {
            c.tidy = true;
        } else if (a == "--join-lines") {
            c.joinLines = true;
        } else if (a == "--summary") {
            c.summary = true;
        } else if (a == "--html" || a == "--rtf") {
            c.output = a == "--html" ? OutputKind::Html : OutputKind::Rtf;
            ++outputs;
        } else if (a == "--line-breaks-separate") {
            c.lineBreaksSeparate = true;
        } else if (a == "--simple") {
            c.simple = true;
        } else if (a == "--keep-meaning" || a == "--no-keep-meaning") {
            c.keepMeaning = a == "--keep-meaning";
        } else if (a == "--no-bold") {
            c.noBold = true;
        } else if (is("--indent")) {
            int n = 0;
            if (!value(v) || !ParsePositive(v, 1, 10, n))
                return fail("--indent needs a number from 1 to 10, not '" + v + "'");
            c.indent = n;
        } else if (is("--comma")) {
            if (!value(v) || (v != "after" && v != "before")) return fail("--comma needs 'after' or 'before'");
            c.comma = v == "after" ? CommaPosition::After : CommaPosition::Before;
        } else if (is("--dialect")) {
            std::optional<SqlDialect> d;
            if (value(v)) d = DialectNamed(v);
            if (!d) return fail(std::string("--dialect needs ") + kSqlDialectChoices + ", not '" + v + "'");
            c.dialect = d;
        } else if (is("--settings")) {
            if (!value(v) || v.empty()) return fail("--settings needs a path");
            c.settings = PathFromUtf8(v);
        } else if (is("--include") || is("--exclude")) {
            if (!value(v) || v.empty()) return fail(a.substr(0, 9) + " needs a pattern");
            (a.starts_with("--include") ? c.selection.include : c.selection.exclude).push_back(v);
        } else if (is("--jobs") || a.starts_with("-j")) {
            int n = 0;
            if (!value(v) || !ParsePositive(v, 1, 1024, n))
                return fail("--jobs needs a number from 1 to 1024, not '" + v + "'");
            c.jobs = static_cast<unsigned>(n);
        } else {
            return fail("unknown option '" + a + "'");
        }
    }
    if (std::string conflict = Conflict(c, outputs); !conflict.empty()) return fail(conflict);
    return p;
}

} // namespace kelvra::cli

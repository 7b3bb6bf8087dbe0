// kelvra-format run as a program, the way scripts, hooks and users run it.

#include "support/Corpus.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status;
    std::string out, err;
};

std::string Slurp(const fs::path &p) { return kelvra::test::ReadWholeFile(p); }
void Write(const fs::path &p, const std::string &bytes) { std::ofstream(p, std::ios::binary) << bytes; }

class Program : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir_ / "work");
        Write(dir_ / "Kelvra.ini", "[Setting]\r\n");
    }

    fs::path In(const std::string &name) const { return dir_ / "work" / name; }

    // Runs `kelvra-format ARGS` (and whatever else the shell line holds) in the work folder.
    Outcome Format(const std::string &args, const std::string &before = "") const {
        const fs::path out = dir_ / "stdout", err = dir_ / "stderr";
        const std::string line = "cd '" + (dir_ / "work").string() + "' && " + before + " '" + KELVRA_FORMAT_PROGRAM +
                                 "' --settings '" + (dir_ / "Kelvra.ini").string() + "' " + args;
        const std::string command = "sh -c \"" + line + "\" >'" + out.string() + "' 2>'" + err.string() + "'";
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw), Slurp(out), Slurp(err)};
    }

    std::vector<std::string> WorkFiles() const {
        std::vector<std::string> names;
        for (const auto &e : fs::directory_iterator(dir_ / "work")) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    kelvra::test::TempDir dir_{"kelvra-program"};
};

const std::string kJoining = "select a\nfrom t\n";
const std::string kSeparated = "select a \nfrom t\n";
const std::string kFormatted = "SELECT \n        A \nFROM \n        T";

} // namespace

TEST_F(Program, WordsThatWouldJoinAreRefusedAndTheFileIsLeftAlone) {
    Write(In("a.sql"), kJoining);
    Write(dir_ / "Kelvra.ini", "[Setting]\r\nKeepMeaning=False\r\n"); // the base rules join them
    Outcome r = Format("-i a.sql");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Slurp(In("a.sql")), kJoining);
    EXPECT_NE(r.err.find("a.sql:1:9: the line break between \"a\" and \"from\" would join them\n"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("--line-breaks-separate"), std::string::npos);
    EXPECT_NE(r.err.find("--join-lines"), std::string::npos);
    r = Format("a.sql");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");

    EXPECT_EQ(Format("--line-breaks-separate a.sql").out, kFormatted);
    EXPECT_EQ(Format("--join-lines a.sql").out, "SELECT \n        AFROM T");
    // Where meaning is kept the line break becomes a blank, and --join-lines says it joins nothing.
    EXPECT_EQ(Format("--keep-meaning a.sql").out, kFormatted);
    r = Format("--keep-meaning --join-lines a.sql");
    EXPECT_EQ(r.out, kFormatted);
    EXPECT_NE(r.err.find("--join-lines joins words only with --no-keep-meaning"), std::string::npos) << r.err;
}

// Where meaning is kept nothing runs together; --join-lines lets words run
// together under the base rules, which only warn of the literals they join.
TEST_F(Program, JoinLinesAllowsJoinedWordsAndNothingElse) {
    const std::string text = "select a\nfrom t where x = '1'\n'2'\n";
    Write(In("m.sql"), text);
    Outcome r = Format("m.sql"); // meaning kept: nothing joins
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("X = '1' '2'"), std::string::npos) << r.out;

    Write(dir_ / "Kelvra.ini", "[Setting]\r\nKeepMeaning=False\r\n");
    r = Format("--join-lines m.sql");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("AFROM T"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("'1''2'"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "m.sql:2:21: warning: \"'1'\" and \"'2'\" would become one literal\n"
                     "kelvra-format: m.sql: warning: 1 place changed beyond letter case and blanks, as the base "
                     "rules say\n");
    r = Format("m.sql"); // the base rules still refuse what only --join-lines allows
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("m.sql:1:9: the line break between \"a\" and \"from\" would join them\n"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("m.sql:2:21: \"'1'\" and \"'2'\" would become one literal\n"), std::string::npos) << r.err;
}

TEST_F(Program, ReadAndWriteFailuresGiveAMessageAndStatusOne) {
    Write(In("b.sql"), kSeparated);
    struct Case {
        const char *args;
        const char *message;
    } cases[] = {
        {"b.sql > /dev/full", "kelvra-format: cannot write standard output: No space left on device"},
        {"--help > /dev/full", "kelvra-format: cannot write standard output"},
        {"missing.sql", "kelvra-format: missing.sql: cannot open: No such file or directory"},
        {"< .", "kelvra-format: <stdin>: cannot read"},
        {"/dev/zero", "kelvra-format: /dev/zero: not a text file"},
    };
    for (const Case &c : cases) {
        Outcome r = Format(c.args);
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << ": " << r.err;
    }
}

TEST_F(Program, InPlaceRefusesRichOutput) {
    Write(In("b.sql"), kSeparated);
    for (const char *args : {"-i --rtf b.sql", "--html -i b.sql", "-i --check b.sql", "--diff --rtf b.sql"}) {
        Outcome r = Format(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.out, "") << args;
        EXPECT_EQ(Slurp(In("b.sql")), kSeparated) << args;
    }
}

TEST_F(Program, InPlaceKeepsOwnerModeAndHardLinks) {
    Write(In("b.sql"), kSeparated);
    fs::permissions(In("b.sql"), fs::perms(0640));
    const passwd *nobody = ::getpwnam("nobody");
    const bool asRoot = ::geteuid() == 0 && nobody;
    if (asRoot) {
        ASSERT_EQ(::chown(In("b.sql").c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    }
    EXPECT_EQ(Format("-i b.sql").status, 0);
    EXPECT_EQ(Slurp(In("b.sql")), kFormatted);
    struct stat st {};
    ASSERT_EQ(::stat(In("b.sql").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (asRoot) {
        EXPECT_EQ(st.st_uid, nobody->pw_uid);
        EXPECT_EQ(st.st_gid, nobody->pw_gid);
    }

    // A file with a second name is not split in two without being asked.
    Write(In("c.sql"), kSeparated);
    fs::create_hard_link(In("c.sql"), In("c-link.sql"));
    Outcome r = Format("-i c.sql");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("c.sql"), std::string::npos);
    EXPECT_EQ(Slurp(In("c.sql")), kSeparated);
    EXPECT_EQ(Slurp(In("c-link.sql")), kSeparated);
    EXPECT_EQ(Format("-i --break-hard-links c.sql").status, 0);
    EXPECT_EQ(Slurp(In("c.sql")), kFormatted);
    EXPECT_EQ(Slurp(In("c-link.sql")), kSeparated);
}

// A user who may write the file but not its folder: the new text cannot be
// put in place without a temporary file, so nothing changes and the user is told.
TEST_F(Program, InPlaceInAFolderTheUserMayNotWriteLeavesTheFile) {
    Write(In("b.sql"), kSeparated);
    fs::permissions(In("b.sql"), fs::perms(0666));
    std::string asUser;
    if (::geteuid() == 0) {
        if (!::getpwnam("nobody")) GTEST_SKIP() << "no user 'nobody'";
        fs::permissions(dir_.path(), fs::perms(0755));
        asUser = "setpriv --reuid=nobody --regid=nogroup --clear-groups";
    } else {
        fs::permissions(dir_ / "work", fs::perms(0555));
    }
    Outcome r = Format("-i b.sql", asUser);
    fs::permissions(dir_ / "work", fs::perms(0755));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("kelvra-format: "), std::string::npos);
    EXPECT_NE(r.err.find("b.sql"), std::string::npos) << r.err;
    EXPECT_EQ(Slurp(In("b.sql")), kSeparated);
    EXPECT_EQ(WorkFiles(), std::vector<std::string>{"b.sql"});
}

TEST_F(Program, InPlaceWorksOnALongName) {
    const std::string name = std::string(246, 'n') + ".sql"; // 250 bytes, near the 255-byte limit
    Write(In(name), kSeparated);
    Outcome r = Format("-i " + name);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Slurp(In(name)), kFormatted);
    EXPECT_EQ(WorkFiles(), std::vector<std::string>{name}); // nothing left beside it
}

TEST_F(Program, CheckListsWhatWouldChangeAndDiffShowsIt) {
    Write(In("done.sql"), kFormatted);
    Write(In("todo.sql"), kSeparated);
    Write(In("also.sql"), "select b \r\nfrom u;\r\n");
    Outcome r = Format("--check todo.sql done.sql also.sql");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "todo.sql\nalso.sql\n");
    EXPECT_NE(r.err.find("2 files would be reformatted"), std::string::npos);
    EXPECT_EQ(Slurp(In("todo.sql")), kSeparated); // nothing written

    r = Format("--diff todo.sql done.sql also.sql");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("--- todo.sql\n+++ todo.sql\n@@ -1,2 +1,4 @@\n", 0), 0u) << r.out;
    // patch(1) turns the files into what -i makes of them.
    Write(dir_ / "changes.diff", r.out);
    ASSERT_EQ(Format("--version", "patch -s -p0 < ../changes.diff &&").status, 0);
    const std::string patchedAlso = Slurp(In("also.sql")), patchedTodo = Slurp(In("todo.sql"));
    Write(In("todo.sql"), kSeparated);
    Write(In("also.sql"), "select b \r\nfrom u;\r\n");
    EXPECT_EQ(Format("-i todo.sql done.sql also.sql").status, 0);
    EXPECT_EQ(Slurp(In("todo.sql")), patchedTodo);
    EXPECT_EQ(Slurp(In("also.sql")), patchedAlso);

    r = Format("--check todo.sql done.sql also.sql");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Format("--check --diff todo.sql").status, 0);
}

TEST_F(Program, FoldersInParallelGiveTheBytesOfASerialRun) {
    const auto corpus = kelvra::test::CorpusFiles();
    KELVRA_SKIP_WITHOUT_CORPUS(corpus);
    fs::create_directories(In("tree/sub"));
    std::vector<std::string> names;
    for (std::size_t i = 0; i < corpus.size() && i < 40; ++i) {
        const std::string name = (i % 3 ? "tree/" : "tree/sub/") + std::to_string(100 - i) + ".sql";
        fs::copy_file(corpus[i], In(name));
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    std::string listed;
    for (const std::string &n : names) listed += " " + n;

    const Outcome serial = Format("--join-lines -j 1 tree");
    const Outcome parallel = Format("--join-lines -j 4 tree");
    const Outcome named = Format("--join-lines -j1" + listed);
    EXPECT_GT(serial.out.size(), 10000u);
    EXPECT_EQ(parallel.out, serial.out);
    EXPECT_EQ(parallel.err, serial.err);
    EXPECT_EQ(parallel.status, serial.status);
    EXPECT_EQ(named.out, serial.out);
    EXPECT_EQ(Format("--join-lines -j 3 --check tree").out, Format("--join-lines -j 1 --check tree").out);
    EXPECT_EQ(Format("--join-lines -j 4 --exclude sub tree").out.size() < serial.out.size(), true);
}

TEST_F(Program, TidyEndsWithOneLineBreakAndNoTrailingBlanks) {
    Write(In("b.sql"), "select a, b \r\nfrom t;\r\n");
    Outcome r = Format("--tidy --line-breaks-separate b.sql");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "SELECT\r\n        A ,\r\n        B\r\nFROM\r\n        T ;\r\n");
    EXPECT_EQ(Format("--tidy --line-breaks-separate -i b.sql").status, 0);
    EXPECT_EQ(Slurp(In("b.sql")), r.out);
    // Read back with line breaks that do not separate words, the tidy form
    // would run "A ," and "B" together: that combination is refused.
    r = Format("--tidy -i b.sql");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--tidy needs line breaks that separate words"), std::string::npos) << r.err;
    EXPECT_EQ(Slurp(In("b.sql")), Format("--tidy --line-breaks-separate b.sql").out);
}

// In a file whose lines end in more than one way, the line ends inside
// literals and comments stay as they were; the others take the file's first
// kind, and standard error says how many and where the first one was.
TEST_F(Program, MixedLineEndsAreKeptInLiteralsAndOthersUnifiedWithAWarning) {
    struct Case {
        const char *name, *input, *literal, *lineEnd, *warning;
    } cases[] = {
        {"lf-in-literal.sql", "select a \r\nfrom t \r\nwhere x = 'a\nb'\r\n", "'a\nb'", "\r\n", ""},
        {"cr-in-literal.sql", "select a \n, 'x\ry' from t \n", "'x\ry'", "\n", ""},
        {"lf-outside.sql", "select a \r\nfrom t \nwhere x = 'a\nb'\r\n", "'a\nb'", "\r\n",
         "lf-outside.sql:2:8: 1 line end differs from the file's first and is written as CR LF like it\n"},
        {"crlf-in-lf.sql", "select a \nfrom t \r\nwhere x = 1\r", "", "\n",
         "crlf-in-lf.sql:2:8: 2 line ends differ from the file's first and are written as LF like it\n"},
        {"uniform.sql", "select a \r\nfrom t\r\n", "", "\r\n", ""},
    };
    for (const Case &c : cases) {
        Write(In(c.name), c.input);
        Outcome r = Format(std::string("-i ") + c.name);
        EXPECT_EQ(r.status, 0) << c.name;
        EXPECT_EQ(r.err, c.warning) << c.name;
        std::string rest = Slurp(In(c.name));
        if (*c.literal) {
            const std::size_t at = rest.find(c.literal);
            ASSERT_NE(at, std::string::npos) << c.name << ": " << rest;
            rest.erase(at, std::strlen(c.literal));
        }
        for (std::size_t at; (at = rest.find(c.lineEnd)) != std::string::npos;) rest.erase(at, std::strlen(c.lineEnd));
        EXPECT_EQ(rest.find_first_of("\r\n"), std::string::npos) << c.name << ": " << Slurp(In(c.name));
    }
}

// Without --settings an installed copy reads the user's settings folder, or the
// Kelvra.ini beside the program while that folder has none, and writes neither.
TEST_F(Program, AnInstalledCopyFindsItsSettingsWithoutWritingBesideItself) {
    const fs::path prefix = dir_ / "usr", bin = prefix / "bin", config = dir_ / "config";
    fs::create_directories(bin);
    fs::create_directories(prefix / "share/man/man1");
    Write(prefix / "share/man/man1/kelvra-format.1", ".TH x 1\n");
    fs::copy_file(KELVRA_FORMAT_PROGRAM, bin / "kelvra-format");
    Write(In("a.sql"), "select a \nfrom t\n");
    const std::string run = "cd '" + (dir_ / "work").string() + "' && XDG_CONFIG_HOME='" + config.string() + "' '" +
                            (bin / "kelvra-format").string() + "' a.sql >'" + (dir_ / "stdout").string() + "'";
    auto formatted = [&] { return std::system(run.c_str()) == 0 ? Slurp(dir_ / "stdout") : std::string("failed"); };

    EXPECT_EQ(formatted(), kFormatted);
    Write(bin / "Kelvra.ini", "[Setting]\r\nIndent=2\r\n");
    EXPECT_EQ(formatted(), "SELECT \n  A \nFROM \n  T");
    fs::create_directories(config / "Kelvra");
    Write(config / "Kelvra" / "Kelvra.ini", "[Setting]\r\nIndent=4\r\n");
    EXPECT_EQ(formatted(), "SELECT \n    A \nFROM \n    T");
    EXPECT_EQ(Slurp(bin / "Kelvra.ini"), "[Setting]\r\nIndent=2\r\n");
    EXPECT_FALSE(fs::exists(bin / "Kelvra.bak"));
}

TEST_F(Program, RunningOutOfMemoryIsReportedAndTheFileIsLeftAlone) {
    // Nested subqueries: the result grows with the square of the depth.
    std::string deep;
    for (int i = 0; i < 4000; ++i) deep += "select * from ( ";
    deep += "select 1 from dual";
    for (int i = 0; i < 4000; ++i) deep += " ) t";
    Write(In("deep.sql"), deep);
    const std::string limit = "ulimit -v 600000 &&";
    if (Format("--version", limit).status != 0)
        GTEST_SKIP() << "this build does not start under an address-space limit";
    Outcome r = Format("-i deep.sql", limit);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("kelvra-format: deep.sql: not enough memory"), std::string::npos) << r.err;
    EXPECT_EQ(Slurp(In("deep.sql")), deep);
    EXPECT_EQ(WorkFiles(), std::vector<std::string>{"deep.sql"});
    // Nothing said about a file before the memory ran out stays: no word of
    // the line ends that would have been unified. (Writing the result to
    // standard output needs less than rewriting the file: a tighter limit.)
    Write(In("mixed.sql"), deep + "\r\n\n");
    r = Format("mixed.sql", "ulimit -v 400000 &&");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "kelvra-format: mixed.sql: not enough memory to format it; nothing was written\n");
    EXPECT_EQ(r.out, "");
    // An endless input.
    r = Format("", limit + " yes 'select a from t;' |");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("kelvra-format: <stdin>: not enough memory"), std::string::npos) << r.err;
}

// Running out of memory after the text is formatted (here in the diff, the last
// and largest step) leaves only that to say: no word of the line ends the result
// would have unified. What a run needs differs from build to build, so the
// largest limit that is too small is found by halving.
TEST_F(Program, RunningOutOfMemoryAfterFormattingSaysOnlyThat) {
    std::string wide = "select x0";
    for (int i = 1; i < 40000; ++i) wide += "\r\n, x" + std::to_string(i);
    Write(In("wide.sql"), wide + "\r\nfrom t;\n"); // the last line end differs from the others
    auto under = [&](long kib) {
        return Format("--line-breaks-separate --diff wide.sql", "ulimit -v " + std::to_string(kib) + " &&");
    };
    long enough = 4L << 20, tooLittle = 0;
    const Outcome whole = under(enough);
    if (whole.status != 0) GTEST_SKIP() << "this build does not run under an address-space limit";
    ASSERT_NE(whole.err.find("wide.sql:40001:8: 1 line end differs"), std::string::npos) << whole.err;
    Outcome failed{};
    while (enough - tooLittle > 64) {
        const long middle = (enough + tooLittle) / 2;
        Outcome r = under(middle);
        if (r.status == 0) {
            enough = middle;
        } else {
            tooLittle = middle;
            failed = std::move(r);
        }
    }
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.err, "kelvra-format: wide.sql: not enough memory to format it; nothing was written\n");
    EXPECT_EQ(failed.out, "");
}

// A link in a folder that leads out of it is not followed, not even by -i as root.
TEST_F(Program, AFolderWalkNeverLeavesTheFolder) {
    fs::create_directories(In("repo"));
    fs::create_directories(dir_ / "outside");
    Write(dir_ / "outside/victim.conf", kSeparated);
    Write(In("repo/a.sql"), kSeparated);
    fs::create_symlink("../../outside/victim.conf", In("repo/x.sql"));
    fs::create_symlink(dir_ / "outside", In("repo/out"));
    Outcome r = Format("-i repo");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Slurp(In("repo/a.sql")), kFormatted);
    EXPECT_EQ(Slurp(dir_ / "outside/victim.conf"), kSeparated);
    EXPECT_TRUE(fs::is_symlink(In("repo/x.sql")));
    EXPECT_EQ(Format("repo").out, kFormatted); // only a.sql is printed
}

TEST_F(Program, NamesWithControlCharactersCannotForgeAHeaderOrAListEntry) {
    const std::string forged = "a.sql\n+++ victim.sql";
    Write(In(forged), kSeparated);
    Write(In("victim.sql"), "keep me\n");
    Outcome r = Format("--diff 'a.sql\n+++ victim.sql'");
    EXPECT_EQ(r.out.rfind("--- \"a.sql\\n+++ victim.sql\"\n+++ \"a.sql\\n+++ victim.sql\"\n@@ ", 0), 0u) << r.out;
    Write(dir_ / "changes.diff", r.out);
    ASSERT_EQ(Format("--version", "patch -s -p0 < ../changes.diff &&").status, 0);
    EXPECT_EQ(Slurp(In(forged)), kFormatted); // patch reads the quoted name back
    EXPECT_EQ(Slurp(In("victim.sql")), "keep me\n");

    Write(In(forged), kSeparated);
    Write(In("tab\there.sql"), kSeparated);
    r = Format("--check 'a.sql\n+++ victim.sql' 'tab\there.sql'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "\"a.sql\\n+++ victim.sql\"\n\"tab\\there.sql\"\n");
    r = Format("--check -z 'a.sql\n+++ victim.sql' 'tab\there.sql' victim.sql");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, std::string("a.sql\n+++ victim.sql\0tab\there.sql\0victim.sql\0", 45));
    EXPECT_EQ(Format("-z a.sql").status, 2);
    EXPECT_EQ(Format("--check --diff -z a.sql").status, 2);
}

// As a user who may not read one subfolder: every other file is still checked.
TEST_F(Program, AWalkGoesOnPastAFolderItCannotReadAndExitsOne) {
    for (const char *f : {"t/a.sql", "t/locked/b.sql", "t/z/c.sql"}) {
        fs::create_directories(In(f).parent_path());
        Write(In(f), kSeparated);
    }
    fs::permissions(In("t/locked"), fs::perms::none);
    std::string asUser;
    if (::geteuid() == 0) {
        if (!::getpwnam("nobody")) GTEST_SKIP() << "no user 'nobody'";
        fs::permissions(dir_.path(), fs::perms(0755));
        fs::permissions(dir_ / "work", fs::perms(0755));
        fs::permissions(dir_ / "Kelvra.ini", fs::perms(0644));
        asUser = "setpriv --reuid=nobody --regid=nogroup --clear-groups";
    }
    Outcome r = Format("--check t", asUser);
    fs::permissions(In("t/locked"), fs::perms::owner_all);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "t/a.sql\nt/z/c.sql\n");
    EXPECT_NE(r.err.find("kelvra-format: t/locked: cannot read the folder"), std::string::npos) << r.err;
}

// Named twice (and once more through a hard link): formatted once, in every -j.
TEST_F(Program, AFileNamedTwiceIsFormattedOnceWhateverTheJobs) {
    for (const char *jobs : {"1", "4"}) {
        Write(In("a.sql"), "x;\n");
        EXPECT_EQ(Format(std::string("--line-breaks-separate --check -j ") + jobs + " a.sql ./a.sql").out, "a.sql\n");
        const Outcome r = Format(std::string("--line-breaks-separate -i -j ") + jobs + " a.sql ./a.sql a.sql");
        EXPECT_EQ(r.status, 0) << jobs << r.err;
        EXPECT_EQ(Slurp(In("a.sql")), "        X ; \n         ") << jobs;
    }
}

TEST_F(Program, SettingsThatAreNoSettingsFileAreAUsageError) {
    Write(In("a.sql"), kSeparated);
    Write(dir_ / "junk.ini", "this is not\na settings file\n");
    Write(dir_ / "nul.ini", std::string("[Setting]\r\nIndent=2\r\n\0\0", 24));
    fs::create_directories(dir_ / "folder.ini");
    for (const std::string settings : {"folder.ini", "junk.ini", "nul.ini", "missing.ini"}) {
        const Outcome r = Format("--settings ../" + settings + " a.sql");
        EXPECT_EQ(r.status, 2) << settings;
        EXPECT_EQ(r.out, "") << settings;
        EXPECT_NE(r.err.find("--settings ../" + settings + ": "), std::string::npos) << r.err;
    }
    const Outcome r = Format("--settings /dev/zero a.sql");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("is not a regular file"), std::string::npos) << r.err;
}

// A value that is not what its key takes is named with its line; the keys around it still count.
TEST_F(Program, ABadSettingsValueIsAWarningAndEveryOtherKeyApplies) {
    Write(In("a.sql"), "select a, b \nfrom t\n");
    struct Case {
        const char *line, *message;
    } cases[] = {
        {"Indent=abc", "../bad.ini:3: Indent=abc is not a whole number; Indent keeps its default\n"},
        {"Dialect=db2", "../bad.ini:3: Dialect=db2 is not one of any, oracle, postgresql, mysql, sqlserver; "
                        "Dialect keeps its default\n"},
    };
    for (const Case &c : cases) {
        Write(dir_ / "bad.ini", std::string("[Setting]\r\nLfSp=True\r\n") + c.line + "\r\nComma=Before\r\n");
        const Outcome r = Format("--settings ../bad.ini a.sql");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, c.message);
        EXPECT_EQ(r.out, "SELECT \n        A \n        , B \nFROM \n        T");
    }
}

TEST_F(Program, AMessageLostOnStandardErrorIsNotASuccess) {
    Write(In("a.sql"), kSeparated);
    EXPECT_EQ(Format("--line-breaks-separate --summary a.sql 2>/dev/full").status, 1);
    EXPECT_EQ(Format("--line-breaks-separate a.sql 2>/dev/full").status, 0); // nothing to say
}

// Someone appends to a large file while -i formats it: the line is not lost.
TEST_F(Program, AnEditDuringInPlaceIsNotLost) {
    std::string big;
    while (big.size() < (12u << 20)) big += "select a, b, nvl(c, 0) from t where x = 1 and y in (1, 2, 3);\n";
    Write(In("big.sql"), big);
    // The run goes to the background in the work folder; the edit names the file in full.
    const Outcome r = Format("--line-breaks-separate -i big.sql & sleep 0.3; printf 'select late;\\n' >> '" +
                             In("big.sql").string() + "'; wait \\$! #");
    const std::string after = Slurp(In("big.sql"));
    const bool lateKept = after.ends_with("select late;\n");
    if (r.status == 0 && after.find("LATE") != std::string::npos) GTEST_SKIP() << "the run ended before the edit";
    EXPECT_TRUE(lateKept) << "the appended line was lost";
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("big.sql: changed while being formatted; left alone"), std::string::npos) << r.err;
    EXPECT_EQ(WorkFiles(), std::vector<std::string>{"big.sql"});
}

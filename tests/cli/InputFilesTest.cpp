#include "cli/InputFiles.h"
#include "cli/OrderedParallel.h"

#include "support/Posix.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>

using namespace kelvra::cli;
namespace fs = std::filesystem;

TEST(InputFiles, FoldersGiveTheirSqlFilesSortedAndFiltered) {
    const kelvra::test::TempDir dir("kelvra-inputs");
    const fs::path &root = dir.path();
    for (const char *f :
         {"d/b.sql", "d/a.SQL", "d/sub/c.sql", "d/.git/x.sql", "d/notes.txt", "d/build/y.sql", "d/sub/deep/z.sql"}) {
        fs::create_directories((root / f).parent_path());
        std::ofstream(root / f) << "select 1;\n";
    }
    const std::string d = (root / "d").string();
    auto expand = [&](std::vector<std::string> args, FileSelection s) {
        std::vector<std::string> out;
        for (const InputFile &f : ExpandInputs(args, s).files)
            out.push_back(
                fs::path(f.name.starts_with(d) ? std::string("d").append(f.name, d.size()) : f.name).generic_string());
        return out;
    };
    using L = std::vector<std::string>;
    EXPECT_EQ(expand({d}, {}), (L{"d/a.SQL", "d/b.sql", "d/build/y.sql", "d/sub/c.sql", "d/sub/deep/z.sql"}));
    EXPECT_EQ(expand({d}, {{}, {"build"}}), (L{"d/a.SQL", "d/b.sql", "d/sub/c.sql", "d/sub/deep/z.sql"}));
    EXPECT_EQ(expand({d}, {{}, {"sub/*.sql"}}), (L{"d/a.SQL", "d/b.sql", "d/build/y.sql", "d/sub/deep/z.sql"}));
    EXPECT_EQ(expand({d}, {{"*.txt", "b.*"}, {}}), (L{"d/b.sql", "d/notes.txt"}));
    // Named files and standard input are taken as they are, in argument order.
    EXPECT_EQ(expand({"x.txt", "-", d + "/notes.txt"}, {{}, {"*.txt"}}), (L{"x.txt", "-", "d/notes.txt"}));
}

namespace {

void Put(const fs::path &p) {
    fs::create_directories(p.parent_path());
    std::ofstream(p) << "select 1;\n";
}

// The names found, below `root` and with "/" between names, in the order
// found; "(walk)" marks those from a walk.
std::vector<std::string> Found(const InputFiles &in, const fs::path &root) {
    std::vector<std::string> out;
    const std::string prefix = root.generic_string() + "/";
    for (const InputFile &f : in.files) {
        const std::string name = fs::path(f.name).generic_string();
        out.push_back((name.starts_with(prefix) ? name.substr(prefix.size()) : name) + (f.fromWalk ? " (walk)" : ""));
    }
    return out;
}

} // namespace

// Links in a folder are neither followed nor formatted, wherever they lead;
// the files they name inside the folder come under their own names.
TEST(InputFiles, AWalkLeavesLinksAloneAndNeverLeavesTheFolder) {
    KELVRA_POSIX_ONLY("symbolic links that need no privilege");
    kelvra::test::TempDir dir;
    Put(dir / "outside/victim.sql");
    Put(dir / "outside/sub/deep.sql");
    Put(dir / "repo/a.sql");
    fs::create_symlink("../outside/victim.sql", dir / "repo/x.sql");
    fs::create_symlink(dir / "outside/sub", dir / "repo/linked");
    fs::create_symlink("a.sql", dir / "repo/same.sql");
    fs::create_symlink("missing.sql", dir / "repo/dangling.sql");
    using L = std::vector<std::string>;
    EXPECT_EQ(Found(ExpandInputs({(dir / "repo").string()}, {}), dir.path()), (L{"repo/a.sql (walk)"}));
    // Named on the command line, a link is taken as it is.
    EXPECT_EQ(Found(ExpandInputs({(dir / "repo/x.sql").string()}, {}), dir.path()), (L{"repo/x.sql"}));
}

TEST(InputFiles, AFolderThatCannotBeReadIsNamedAndTheWalkGoesOn) {
    KELVRA_POSIX_ONLY("permission bits that keep a folder from being read");
    kelvra::test::TempDir dir;
    for (const char *f : {"t/a.sql", "t/b/c.sql", "t/locked/d.sql", "t/locked/e.sql", "t/z/y.sql"}) Put(dir / f);
    fs::permissions(dir / "t/locked", fs::perms::none);
    fs::permissions(dir.path(), fs::perms(0755));
    const std::string root = (dir / "t").string();
    const std::string problem = kelvra::test::AsUnprivilegedUser([&]() -> std::string {
        const InputFiles in = ExpandInputs({root}, {});
        const std::vector<std::string> expected{"t/a.sql (walk)", "t/b/c.sql (walk)", "t/z/y.sql (walk)"};
        if (Found(in, dir.path()) != expected) return "files found: " + std::to_string(in.files.size());
        if (in.errors.size() != 1 || in.errors[0].find(root + "/locked: cannot read the folder") != 0)
            return "errors: " + (in.errors.empty() ? std::string("none") : in.errors[0]);
        return "";
    });
    fs::permissions(dir / "t/locked", fs::perms::owner_all);
    EXPECT_EQ(problem, "");
}

// Same device and inode: the same file, whatever the name; it comes once, first where it first comes.
TEST(InputFiles, AFileNamedTwiceComesOnce) {
    kelvra::test::TempDir dir;
    Put(dir / "d/a.sql");
    Put(dir / "d/b.sql");
    fs::create_hard_link(dir / "d/b.sql", dir / "other.sql");
    const std::string a = (dir / "d/a.sql").string(), d = (dir / "d").string();
    using L = std::vector<std::string>;
    EXPECT_EQ(Found(ExpandInputs({a, d, (dir / "d/./a.sql").string(), (dir / "other.sql").string()}, {}), dir.path()),
              (L{"d/a.sql", "d/b.sql (walk)"}));
    // Standard input and missing files are not files to compare: they stay, each time.
    EXPECT_EQ(Found(ExpandInputs({"-", "-", "nowhere.sql", "nowhere.sql"}, {}), dir.path()),
              (L{"-", "-", "nowhere.sql", "nowhere.sql"}));
}

TEST(OrderedParallel, EmitsInOrderAndStopsWhenAsked) {
    for (unsigned jobs : {1u, 2u, 5u}) {
        std::vector<std::size_t> emitted;
        RunInOrder<std::size_t>(
            50, jobs,
            [](std::size_t i) {
                std::this_thread::sleep_for(std::chrono::microseconds((i * 37) % 500));
                return i * i;
            },
            [&](std::size_t &r) {
                emitted.push_back(r);
                return true;
            });
        ASSERT_EQ(emitted.size(), 50u);
        for (std::size_t i = 0; i < 50; ++i) EXPECT_EQ(emitted[i], i * i);

        std::atomic<std::size_t> started = 0;
        std::size_t seen = 0;
        RunInOrder<int>(
            1000, jobs, [&](std::size_t) { return static_cast<int>(++started); }, [&](int &) { return ++seen < 10; });
        EXPECT_EQ(seen, 10u);
        EXPECT_LE(started.load(), 10u + 3 * jobs); // little work is done past the stop
    }
}

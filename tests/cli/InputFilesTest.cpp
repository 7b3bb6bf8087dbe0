#include "cli/InputFiles.h"
#include "cli/OrderedParallel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace kelvra::cli;
namespace fs = std::filesystem;

TEST(InputFiles, FoldersGiveTheirSqlFilesSortedAndFiltered) {
    const fs::path root = fs::temp_directory_path() / ("kelvra-inputs-" + std::to_string(::getpid()));
    fs::remove_all(root);
    for (const char *f :
         {"d/b.sql", "d/a.SQL", "d/sub/c.sql", "d/.git/x.sql", "d/notes.txt", "d/build/y.sql", "d/sub/deep/z.sql"}) {
        fs::create_directories((root / f).parent_path());
        std::ofstream(root / f) << "select 1;\n";
    }
    const std::string d = (root / "d").string();
    auto expand = [&](std::vector<std::string> args, FileSelection s) {
        std::vector<std::string> out;
        for (std::string f : ExpandInputs(args, s).files) {
            // Files found in a folder are named with the system's separator.
            std::replace(f.begin() + std::min(d.size(), f.size()), f.end(),
                         static_cast<char>(fs::path::preferred_separator), '/');
            out.push_back(f.starts_with(d) ? std::string("d").append(f, d.size()) : f);
        }
        return out;
    };
    using L = std::vector<std::string>;
    EXPECT_EQ(expand({d}, {}), (L{"d/a.SQL", "d/b.sql", "d/build/y.sql", "d/sub/c.sql", "d/sub/deep/z.sql"}));
    EXPECT_EQ(expand({d}, {{}, {"build"}}), (L{"d/a.SQL", "d/b.sql", "d/sub/c.sql", "d/sub/deep/z.sql"}));
    EXPECT_EQ(expand({d}, {{}, {"sub/*.sql"}}), (L{"d/a.SQL", "d/b.sql", "d/build/y.sql", "d/sub/deep/z.sql"}));
    EXPECT_EQ(expand({d}, {{"*.txt", "b.*"}, {}}), (L{"d/b.sql", "d/notes.txt"}));
    // Named files and standard input are taken as they are, in argument order.
    EXPECT_EQ(expand({"x.txt", "-", d + "/notes.txt"}, {{}, {"*.txt"}}), (L{"x.txt", "-", "d/notes.txt"}));
    fs::remove_all(root);
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

// What differs between systems, seen from the program: UTF-8 paths, reading
// files in pieces, and where the user's settings live.

#include "platform/Files.h"
#include "platform/Process.h"

#include "support/Environment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace kelvra;
namespace fs = std::filesystem;

namespace {

bool OnWindows() { return fs::path::preferred_separator == '\\'; }

} // namespace

TEST(SystemPaths, NamesOutsideEveryLegacyCodePageSurviveTheRoundTrip) {
    test::TempDir dir;
    // Japanese, a circled digit (not in every code page), Hangul and an emoji.
    for (const std::string name : {"日本語テスト.sql", "①番.sql", "한국어.sql", "a😀b.sql"}) {
        const fs::path path = dir.path() / PathFromUtf8(name);
        ASSERT_TRUE(WriteFileSafely(path, "select 1;")) << name;
        std::string bytes;
        ASSERT_TRUE(ReadFileBytes(path, bytes)) << name;
        EXPECT_EQ(bytes, "select 1;");
        EXPECT_EQ(PathToUtf8(path.filename()), name);
        bool listed = false;
        for (const auto &entry : fs::directory_iterator(dir.path()))
            listed |= PathToUtf8(entry.path().filename()) == name;
        EXPECT_TRUE(listed) << name;
    }
}

TEST(SystemPaths, ReadingInPiecesGivesEveryByteAndStopsWhenAsked) {
    test::TempDir dir;
    // More than one piece, with the bytes a text-mode read would change or stop at.
    std::string content(3 << 20, 'a');
    content.replace(1000, 4, "\r\n\x1A\n");
    std::ofstream(dir / "big.sql", std::ios::binary) << content;
    std::string read;
    int pieces = 0;
    ASSERT_TRUE(ReadFileInPieces(dir / "big.sql", [&](std::string_view piece) {
        read.append(piece);
        return ++pieces > 0;
    }));
    EXPECT_EQ(read, content);
    EXPECT_GT(pieces, 1);

    pieces = 0;
    ASSERT_TRUE(ReadFileInPieces(dir / "big.sql", [&](std::string_view) { return ++pieces < 1; }));
    EXPECT_EQ(pieces, 1);

    const Status missing = ReadFileInPieces(dir / "missing.sql", [](std::string_view) { return true; });
    EXPECT_FALSE(missing);
    EXPECT_TRUE(missing.message.starts_with("cannot open: ")) << missing.message;
    fs::create_directory(dir / "folder");
    const Status folder = ReadFileInPieces(dir / "folder", [](std::string_view) { return true; });
    EXPECT_FALSE(folder);
    EXPECT_TRUE(folder.message.starts_with("cannot read: ")) << folder.message;
}

TEST(UserSettingsFolder, AnAbsoluteXdgConfigHomeElseTheHomeFolder) {
    if (OnWindows()) GTEST_SKIP() << "POSIX only: XDG_CONFIG_HOME and HOME";
    struct Case {
        const char *xdg, *home, *expected;
    } cases[] = {
        {"/xdg", "/home/u", "/xdg/Kelvra"},
        {"", "/home/u", "/home/u/.config/Kelvra"},
        {nullptr, "/home/u", "/home/u/.config/Kelvra"},
        {"relative/xdg", "/home/u", "/home/u/.config/Kelvra"},
        {nullptr, nullptr, ""},
        {nullptr, "", ""},
    };
    for (const Case &c : cases) {
        const test::ScopedEnvironment xdg("XDG_CONFIG_HOME", c.xdg), home("HOME", c.home);
        EXPECT_EQ(UserSettingsFolder(), fs::path(c.expected)) << (c.xdg ? c.xdg : "(unset)");
    }
}

TEST(UserSettingsFolder, TheApplicationDataFolderOnWindows) {
    if (!OnWindows()) GTEST_SKIP() << "Windows only: %APPDATA%";
    {
        const test::ScopedEnvironment appData("APPDATA", "C:\\Users\\u\\AppData\\Roaming");
        EXPECT_EQ(UserSettingsFolder(), fs::path("C:\\Users\\u\\AppData\\Roaming\\Kelvra"));
    }
    const test::ScopedEnvironment none("APPDATA", nullptr);
    EXPECT_EQ(UserSettingsFolder(), fs::path());
}

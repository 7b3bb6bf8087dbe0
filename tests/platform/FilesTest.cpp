#include "platform/Files.h"

#include "support/Posix.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace kelvra;
using kelvra::test::TempDir;
namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path &p) {
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(p, bytes));
    return bytes;
}

void Put(const fs::path &p, const std::string &bytes) { std::ofstream(p, std::ios::binary) << bytes; }

// Names in the folder that start with a dot: temporary files left behind.
std::vector<std::string> HiddenFiles(const fs::path &folder) {
    std::vector<std::string> names;
    for (auto &e : fs::directory_iterator(folder))
        if (e.path().filename().string()[0] == '.') names.push_back(e.path().filename().string());
    return names;
}

#if !defined(_WIN32)
constexpr uid_t kNobody = 65534;

// Runs `body` in a child process and returns its wait status. As root the
// child first becomes the unprivileged user `nobody` when `unprivileged` is set.
template <typename Body> int InChild(Body body, bool unprivileged = false) {
    pid_t pid = ::fork();
    if (pid == 0) {
        if (unprivileged && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) ::_exit(99);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

#endif

} // namespace

TEST(Files, ReadingReplacesTheBufferAndReportsReadErrors) {
    TempDir dir;
    Put(dir / "a", "new");
    std::string bytes = "old contents";
    ASSERT_TRUE(ReadFileBytes(dir / "a", bytes));
    EXPECT_EQ(bytes, "new");
    // The process's own memory file opens but fails to read at offset 0.
    Status s = ReadFileBytes("/proc/self/mem", bytes);
    EXPECT_FALSE(s);
    EXPECT_NE(s.message.find("cannot read"), std::string::npos) << s.message;
}

TEST(Files, LinksAreFollowedToTheEndOfTheChain) {
    KELVRA_POSIX_ONLY("symbolic links that need no privilege");
    TempDir dir;
    Put(dir / "real.sql", "old");
    fs::create_directory(dir / "sub");
    fs::create_symlink("../real.sql", dir / "sub" / "relative.sql");
    fs::create_symlink(dir / "sub" / "relative.sql", dir / "outer.sql");
    ASSERT_TRUE(WriteFileSafely(dir / "outer.sql", "new"));
    EXPECT_TRUE(fs::is_symlink(dir / "outer.sql"));
    EXPECT_TRUE(fs::is_symlink(dir / "sub" / "relative.sql"));
    EXPECT_EQ(Slurp(dir / "real.sql"), "new");

    // A dangling link gets its target created.
    fs::create_symlink("later.sql", dir / "dangling.sql");
    ASSERT_TRUE(WriteFileSafely(dir / "dangling.sql", "made"));
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.sql"));
    EXPECT_EQ(Slurp(dir / "later.sql"), "made");
}

TEST(Files, HardLinkedFilesAreRefusedUnlessBreakingTheLinkIsAllowed) {
    TempDir dir;
    Put(dir / "a.sql", "old");
    fs::create_hard_link(dir / "a.sql", dir / "b.sql");
    EXPECT_EQ(OtherHardLinks(dir / "a.sql"), 1u);
    Status refused = WriteFileSafely(dir / "a.sql", "new");
    EXPECT_FALSE(refused);
    EXPECT_NE(refused.message.find("hard link"), std::string::npos) << refused.message;
    EXPECT_EQ(Slurp(dir / "a.sql"), "old");
    EXPECT_EQ(Slurp(dir / "b.sql"), "old");

    SafeWriteOptions breakLinks;
    breakLinks.breakHardLinks = true;
    ASSERT_TRUE(WriteFileSafely(dir / "a.sql", "new", breakLinks));
    EXPECT_EQ(Slurp(dir / "a.sql"), "new");
    EXPECT_EQ(Slurp(dir / "b.sql"), "old");
    EXPECT_EQ(OtherHardLinks(dir / "a.sql"), 0u);
}

TEST(Files, NamesUpToTheLimitOfTheFileSystemCanBeWritten) {
    TempDir dir;
    for (std::size_t length : {250u, 255u}) {
        const fs::path file = dir / (std::string(length - 4, 'n') + ".sql");
        ASSERT_TRUE(WriteFileSafely(file, "first")) << length;
        Status s = WriteFileSafely(file, "second");
        EXPECT_TRUE(s) << length << ": " << s.message;
        EXPECT_EQ(Slurp(file), "second");
    }
}

TEST(Files, OwnerAndGroupAreKeptWhereTheProcessMaySetThem) {
#if defined(_WIN32)
    GTEST_SKIP() << "POSIX only: owners and groups";
#else
    if (::geteuid() != 0) GTEST_SKIP() << "giving a file to another user needs root";
    TempDir dir;
    const fs::path file = dir / "theirs.sql";
    Put(file, "old");
    ASSERT_EQ(::chown(file.c_str(), kNobody, kNobody), 0);
    test::SetMode(file, 0604);
    ASSERT_TRUE(WriteFileSafely(file, "new"));
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, kNobody);
    EXPECT_EQ(st.st_gid, kNobody);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
#endif
}

TEST(Files, ASignalDuringTheWriteRemovesTheTemporaryFile) {
#if defined(_WIN32)
    GTEST_SKIP() << "POSIX only: signals";
#else
    TempDir dir;
    const fs::path file = dir / "v.sql";
    Put(file, "old");
    // A temporary file left by a run that was killed does not stop the next one.
    Put(dir / ".kelvra-AAAAAA", "stale");
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        int status = InChild([&] {
            SafeWriteOptions options;
            options.beforeReplace = [signal](const fs::path &) { ::raise(signal); };
            WriteFileSafely(file, std::string(1 << 20, 'x'), options);
            return 0;
        });
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "signal " << signal << " status " << status;
        EXPECT_EQ(Slurp(file), "old");
        EXPECT_EQ(HiddenFiles(dir.path()), std::vector<std::string>{".kelvra-AAAAAA"}) << "signal " << signal;
    }
    ASSERT_TRUE(WriteFileSafely(file, "new"));
    EXPECT_EQ(Slurp(file), "new");
#endif
}

TEST(Files, ReadOnlyMeansTheUserCannotWriteIt) {
    TempDir dir;
    Put(dir / "rw.sql", "x");
    Put(dir / "ro.sql", "x");
    test::SetMode(dir / "ro.sql", 0444);
    test::SetMode(dir / "rw.sql", 0644);
    fs::create_directory(dir / "folder");
    EXPECT_FALSE(IsReadOnlyFile(dir / "rw.sql"));
    EXPECT_TRUE(IsReadOnlyFile(dir / "ro.sql")); // also for root
    EXPECT_FALSE(IsReadOnlyFile(dir / "folder"));
    EXPECT_FALSE(IsReadOnlyFile(dir / "missing.sql"));
#if !defined(_WIN32)
    if (::geteuid() == 0) {
        // Another user's file that only its owner may write.
        test::SetMode(dir.path(), 0755);
        int status = InChild([&] { return IsReadOnlyFile(dir / "rw.sql") ? 0 : 1; }, true);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
#endif
}

namespace {

FileIdentity IdentityNow(const fs::path &p) {
    const std::optional<FileIdentity> id = IdentityOf(p);
    EXPECT_TRUE(id) << p;
    return id.value_or(FileIdentity{});
}

void Append(const fs::path &p, const std::string &bytes) {
    std::ofstream(p, std::ios::binary | std::ios::app) << bytes;
}

#if !defined(_WIN32)
// Whether this folder's file system gives unnamed temporary files.
bool HasUnnamedTemporaries(const fs::path &folder) {
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

std::string Shell(const std::string &command) {
    std::string out;
    if (FILE *pipe = ::popen((command + " 2>/dev/null").c_str(), "r")) {
        char buffer[256];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
        if (::pclose(pipe) != 0) out = "(failed) " + out;
    }
    return out;
}
#endif

} // namespace

// Edited by someone else between the read and the replacement: the edit stays.
TEST(Files, AFileChangedSinceItWasReadIsLeftAlone) {
    struct Case {
        const char *name;
        bool duringTheWrite;                        // the edit comes while the new text is being written
        std::function<void(const fs::path &)> edit; // what happens to the file
        const char *left;                           // what the file holds afterwards
    } cases[] = {
        {"appended before", false, [](const fs::path &p) { Append(p, "more"); }, "oldmore"},
        {"appended during", true, [](const fs::path &p) { Append(p, "more"); }, "oldmore"},
        {"replaced during", true,
         [](const fs::path &p) {
             Put(p.string() + ".new", "other");
             fs::rename(p.string() + ".new", p);
         },
         "other"},
#if !defined(_WIN32) // Windows keeps no time of the last change of permissions
        {"mode changed during", true, [](const fs::path &p) { test::SetMode(p, 0600); }, "old"},
#endif
    };
    for (const Case &c : cases) {
        TempDir dir;
        const fs::path file = dir / "f.sql";
        Put(file, "old");
        SafeWriteOptions options;
        options.expected = IdentityNow(file);
        if (c.duringTheWrite)
            options.beforeReplace = [&](const fs::path &) { c.edit(file); };
        else
            c.edit(file);
        const Status s = WriteFileSafely(file, "formatted", options);
        EXPECT_FALSE(s) << c.name;
        EXPECT_EQ(s.message, kFileChangedMessage) << c.name;
        EXPECT_EQ(Slurp(file), c.left) << c.name;
        EXPECT_TRUE(HiddenFiles(dir.path()).empty()) << c.name;
    }
    TempDir dir;
    Put(dir / "same.sql", "old");
    SafeWriteOptions unchanged;
    unchanged.expected = IdentityNow(dir / "same.sql");
    EXPECT_TRUE(WriteFileSafely(dir / "same.sql", "formatted", unchanged));
    EXPECT_EQ(Slurp(dir / "same.sql"), "formatted");
}

TEST(Files, ALinkIsRefusedWhenLinksAreNotToBeFollowed) {
#if defined(_WIN32)
    GTEST_SKIP() << "POSIX only: symbolic links that need no privilege";
#else
    TempDir dir;
    Put(dir / "target.sql", "old");
    fs::create_symlink("target.sql", dir / "link.sql");
    SafeWriteOptions noLinks;
    noLinks.followLinks = false;
    EXPECT_FALSE(WriteFileSafely(dir / "link.sql", "new", noLinks));
    EXPECT_EQ(Slurp(dir / "target.sql"), "old");
    EXPECT_TRUE(fs::is_symlink(dir / "link.sql"));
    EXPECT_TRUE(WriteFileSafely(dir / "target.sql", "new", noLinks));
#endif
}

// An ACL that lets another user write, and a user attribute: both on the new file.
TEST(Files, TheAclAndExtendedAttributesAreKept) {
#if defined(_WIN32)
    GTEST_SKIP() << "POSIX only: POSIX ACLs and extended attributes (ReplaceFileW keeps the security descriptor)";
#else
    TempDir dir;
    const fs::path file = dir / "shared.sql";
    Put(file, "old");
    ::chmod(file.c_str(), 0640);
    std::string q = file.string();
    q.insert(q.begin(), '\'');
    q.push_back('\'');
    if (Shell("setfacl -m u:nobody:rw- " + q + " && setfattr -n user.reviewed -v yes " + q + " && echo ok") != "ok\n")
        GTEST_SKIP() << "no ACLs or user attributes here (or no setfacl/setfattr: scripts/install-deps.sh)";
    const std::string aclBefore = Shell("getfacl -c " + q);
    ASSERT_NE(aclBefore.find("user:nobody:rw-"), std::string::npos) << aclBefore;
    ASSERT_TRUE(WriteFileSafely(file, "new"));
    EXPECT_EQ(Slurp(file), "new");
    EXPECT_EQ(Shell("getfacl -c " + q), aclBefore); // the mask too: the group gains nothing
    EXPECT_EQ(Shell("getfattr --only-values -n user.reviewed " + q), "yes");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0660u); // the ACL's mask shows as the group's bits
#endif
}

// A write that runs into the file size limit: killed by SIGXFSZ, or (with the
// signal ignored) failing. Either way the file keeps its text, and where the
// temporary has no name while it is written, nothing is left beside it.
TEST(Files, AKilledOrFailedWriteLeavesNothingBehind) {
#if defined(_WIN32)
    GTEST_SKIP() << "POSIX only: file size limits and signals";
#else
    TempDir dir;
    const fs::path file = dir / "big.sql";
    Put(file, "old");
    const bool unnamed = HasUnnamedTemporaries(dir.path());
    for (bool killed : {false, true}) {
        const int status = InChild([&] {
            struct rlimit limit {
                1 << 16, 1 << 16
            };
            ::setrlimit(RLIMIT_FSIZE, &limit);
            if (!killed) ::signal(SIGXFSZ, SIG_IGN);
            return WriteFileSafely(file, std::string(1 << 20, 'x')) ? 0 : 1;
        });
        if (killed) {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
        } else {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
        }
        EXPECT_EQ(Slurp(file), "old");
        if (unnamed || !killed) {
            EXPECT_TRUE(HiddenFiles(dir.path()).empty()) << (killed ? "killed" : "failed");
        }
        for (const std::string &left : HiddenFiles(dir.path())) fs::remove(dir / left);
    }
    if (!unnamed) GTEST_SKIP() << "this file system has no unnamed temporary files; a killed write leaves one";
#endif
}

// The identity a read reports is there before the first piece, and tells the
// file as read from the same file after a change.
TEST(Files, AReadTellsWhichStateOfTheFileItRead) {
    TempDir dir;
    const fs::path file = dir / "f.sql";
    Put(file, "select 1;");
    std::optional<FileIdentity> identity;
    std::uint64_t sizeAtFirstPiece = 0;
    ASSERT_TRUE(ReadFileInPieces(file,
                                 [&](std::string_view) {
                                     if (identity && sizeAtFirstPiece == 0) sizeAtFirstPiece = identity->size;
                                     return true;
                                 },
                                 {.identity = &identity}));
    ASSERT_TRUE(identity);
    EXPECT_EQ(sizeAtFirstPiece, 9u);
    EXPECT_EQ(IdentityOf(file), identity);
    Append(file, "\n");
    EXPECT_NE(IdentityOf(file), identity);
    // Another file of the same size and time is still another file.
    fs::copy_file(file, dir / "copy.sql");
    EXPECT_NE(IdentityOf(dir / "copy.sql"), IdentityOf(file));
    // Only regular files have one.
    fs::create_directory(dir / "folder");
    EXPECT_FALSE(IdentityOf(dir / "folder"));
    EXPECT_FALSE(IdentityOf(dir / "missing.sql"));
}

TEST(Files, AReadThatMayNotFollowLinksRefusesOne) {
#if defined(_WIN32)
    GTEST_SKIP() << "POSIX only: symbolic links that need no privilege";
#else
    TempDir dir;
    Put(dir / "target.sql", "old");
    fs::create_symlink("target.sql", dir / "link.sql");
    std::string read;
    auto take = [&](std::string_view piece) {
        read.append(piece);
        return true;
    };
    const Status refused = ReadFileInPieces(dir / "link.sql", take, {.followLinks = false});
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.message, kSymbolicLinkMessage);
    EXPECT_EQ(read, "");
    EXPECT_TRUE(ReadFileInPieces(dir / "link.sql", take));
    EXPECT_EQ(read, "old");
#endif
}

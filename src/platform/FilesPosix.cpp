#include "platform/Files.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace kelvra {
namespace {

namespace fs = std::filesystem;

Status Failure(const std::string &what, const fs::path &path, int err) {
    return Status::Failure(what + " " + path.string() + ": " + std::strerror(err));
}

// Temporary files being written, so that a signal that ends the process can
// remove them. The handler only reads slots that are marked ready and calls
// unlink, which is safe inside a signal handler.
class PendingTemporaries {
public:
    static PendingTemporaries &Instance() {
        static PendingTemporaries instance;
        return instance;
    }

    // Returns the slot that holds `path`, or -1 when all are taken (the write
    // then goes on without the clean-up on signals).
    int Add(const std::string &path) {
        InstallHandlersOnce();
        if (path.size() >= PATH_MAX) return -1;
        for (int i = 0; i < kSlots; ++i) {
            int expected = kFree;
            if (slots_[i].state.compare_exchange_strong(expected, kFilling)) {
                std::memcpy(slots_[i].path, path.c_str(), path.size() + 1);
                slots_[i].state.store(kReady);
                return i;
            }
        }
        return -1;
    }

    void Remove(int slot) {
        if (slot >= 0) slots_[slot].state.store(kFree);
    }

private:
    static constexpr int kSlots = 64;
    static constexpr int kFree = 0, kFilling = 1, kReady = 2;
    static constexpr std::array<int, 3> kSignals = {SIGINT, SIGTERM, SIGHUP};

    struct Slot {
        std::atomic<int> state{kFree};
        char path[PATH_MAX] = {};
    };

    void InstallHandlersOnce() {
        std::call_once(installed_, [this] {
            for (std::size_t k = 0; k < kSignals.size(); ++k) {
                struct sigaction current {};
                ::sigaction(kSignals[k], nullptr, &current);
                // A signal that is ignored (nohup) stays ignored.
                if (!(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_IGN) continue;
                previous_[k] = current;
                struct sigaction ours {};
                ours.sa_handler = &OnSignal;
                sigemptyset(&ours.sa_mask);
                ::sigaction(kSignals[k], &ours, nullptr);
            }
        });
    }

    static void OnSignal(int signal) {
        const int savedErrno = errno;
        PendingTemporaries &self = Instance();
        for (Slot &slot : self.slots_)
            if (slot.state.load() == kReady) ::unlink(slot.path);
        for (std::size_t k = 0; k < kSignals.size(); ++k) {
            if (kSignals[k] != signal) continue;
            const struct sigaction &before = self.previous_[k];
            if (before.sa_flags & SA_SIGINFO) {
                // An earlier handler of the program's own: let it decide.
                siginfo_t info{};
                info.si_signo = signal;
                before.sa_sigaction(signal, &info, nullptr);
            } else if (before.sa_handler != SIG_DFL && before.sa_handler != SIG_IGN) {
                before.sa_handler(signal);
            } else {
                // End the process the way the signal would have.
                ::sigaction(signal, &before, nullptr);
                ::raise(signal);
            }
        }
        errno = savedErrno;
    }

    std::array<Slot, kSlots> slots_;
    std::array<struct sigaction, kSignals.size()> previous_{};
    std::once_flag installed_;
};

// Blocks the signals above for its lifetime, so that creating or renaming a
// temporary file and recording it happen as one step for the handler.
class SignalsHeld {
public:
    SignalsHeld() {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGINT);
        sigaddset(&set, SIGTERM);
        sigaddset(&set, SIGHUP);
        ::pthread_sigmask(SIG_BLOCK, &set, &old_);
    }
    ~SignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &old_, nullptr); }
    SignalsHeld(const SignalsHeld &) = delete;
    SignalsHeld &operator=(const SignalsHeld &) = delete;

private:
    sigset_t old_;
};

bool WriteAll(int fd, std::string_view bytes) {
    const char *data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

mode_t NewFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// A short name that is not taken yet in `folder`, for the temporary file.
std::string TemporaryName(const fs::path &folder) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static std::atomic<unsigned> counter{0};
    std::uint64_t seed = static_cast<std::uint64_t>(::getpid()) * 0x9E3779B97F4A7C15ull ^
                         static_cast<std::uint64_t>(counter++) << 32 ^
                         static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    std::string name = ".kelvra-";
    for (int i = 0; i < 6; ++i) {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        name += kLetters[(seed >> 33) % (sizeof kLetters - 1)];
    }
    return (folder / name).string();
}

enum class TemporaryKind { UnnamedWherePossible, Named };

// The temporary file: unnamed in `folder` where the file system allows
// (O_TMPFILE) and asked for, otherwise created under a short unique name. A
// named one is recorded for the signal handler and removed again unless it
// was renamed into place.
class TemporaryFile {
public:
    TemporaryFile(const fs::path &folder, TemporaryKind kind) : folder_(folder) {
        if (kind == TemporaryKind::UnnamedWherePossible)
            fd_ = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (fd_ >= 0) return;
        std::string pattern = (folder / ".kelvra-XXXXXX").string();
        SignalsHeld held;
        fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd_ < 0) {
            error_ = errno;
            return;
        }
        Named(pattern);
    }
    ~TemporaryFile() {
        if (fd_ >= 0) ::close(fd_);
        SignalsHeld held;
        if (!path_.empty()) ::unlink(path_.c_str());
        PendingTemporaries::Instance().Remove(slot_);
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;

    int Descriptor() const { return fd_; }
    int CreationError() const { return error_; }
    // Empty while the file has no name.
    const std::string &Path() const { return path_; }

    // Gives an unnamed file a name, once its bytes are all there; false (with
    // errno set) when that cannot be done, as without /proc.
    bool GiveName() {
        if (!path_.empty()) return true;
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::string name = TemporaryName(folder_);
            SignalsHeld held;
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                Named(name);
                return true;
            }
            if (errno != EEXIST) break;
        }
        namingFailed_ = true;
        return false;
    }
    bool NamingFailed() const { return namingFailed_; }

    // Closes the file, reporting errors that show only then.
    bool Close() {
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

    bool RenameTo(const fs::path &target) {
        SignalsHeld held;
        if (::rename(path_.c_str(), target.c_str()) != 0) return false;
        path_.clear();
        PendingTemporaries::Instance().Remove(slot_);
        slot_ = -1;
        return true;
    }

private:
    // Call with the signals held.
    void Named(const std::string &path) {
        path_ = path;
        slot_ = PendingTemporaries::Instance().Add(path_);
    }

    fs::path folder_;
    bool namingFailed_ = false;
    int fd_ = -1;
    int error_ = 0;
    int slot_ = -1;
    std::string path_;
};

void SyncFolder(const fs::path &folder) {
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    ::fsync(dir);
    ::close(dir);
}

// Gives the new file the old one's owner, group and mode. The owner can only be
// given by a privileged process and the group only to one of the user's groups;
// where that is refused the file keeps what it has, which is what an editor
// that rewrote the file in place would leave too.
bool CopyOwnerAndMode(int fd, const struct stat *old) {
    if (!old) return ::fchmod(fd, NewFileMode()) == 0;
    if (::fchown(fd, old->st_uid, old->st_gid) != 0) (void)::fchown(fd, static_cast<uid_t>(-1), old->st_gid);
    // After the change of owner, which clears set-user-ID and set-group-ID bits.
    return ::fchmod(fd, old->st_mode & 07777) == 0;
}

// The names in a list from listxattr: NUL-terminated, one after the other.
std::vector<std::string> AttributeNames(const fs::path &file, int &error) {
    std::vector<char> list;
    for (;;) {
        const ssize_t size = ::listxattr(file.c_str(), nullptr, 0);
        if (size < 0) {
            error = errno == ENOTSUP ? 0 : errno; // no attributes on this file system
            return {};
        }
        list.resize(static_cast<std::size_t>(size));
        const ssize_t got = ::listxattr(file.c_str(), list.data(), list.size());
        if (got >= 0) {
            list.resize(static_cast<std::size_t>(got));
            break;
        }
        if (errno != ERANGE) { // ERANGE: one was added meanwhile; ask again
            error = errno;
            return {};
        }
    }
    std::vector<std::string> names;
    for (std::size_t at = 0; at < list.size();) {
        names.emplace_back(list.data() + at);
        at += names.back().size() + 1;
    }
    return names;
}

// Gives the new file the old one's extended attributes, its access control
// list among them (system.posix_acl_access); after the mode, which setting the
// ACL adjusts. One that cannot be given fails the write, so that nothing is
// replaced by a file with less.
Status CopyExtendedAttributes(const fs::path &from, int to) {
    int error = 0;
    const std::vector<std::string> names = AttributeNames(from, error);
    if (error) return Failure("cannot read the extended attributes of", from, error);
    std::vector<char> value;
    for (const std::string &name : names) {
        ssize_t size = ::getxattr(from.c_str(), name.c_str(), nullptr, 0);
        if (size >= 0) {
            value.resize(static_cast<std::size_t>(size));
            size = ::getxattr(from.c_str(), name.c_str(), value.data(), value.size());
        }
        if (size < 0) return Failure("cannot read the extended attribute " + name + " of", from, errno);
        if (::fsetxattr(to, name.c_str(), value.data(), static_cast<std::size_t>(size), 0) != 0)
            return Status::Failure(from.string() + ": its extended attribute " + name +
                                   " cannot be given to the new file (" + std::strerror(errno) + "); left alone");
    }
    return {};
}

// The new file, complete and named, ready to be renamed over `target`: the old
// file's owner, mode and attributes (`old`: null for a new file), then the bytes.
Status FillTemporary(TemporaryFile &temp, const fs::path &target, const struct stat *old, std::string_view bytes) {
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    if (temp.Descriptor() < 0) return Failure("cannot create a file in", folder, temp.CreationError());
    if (!CopyOwnerAndMode(temp.Descriptor(), old)) return Failure("cannot set permissions for", target, errno);
    if (old) {
        if (Status kept = CopyExtendedAttributes(target, temp.Descriptor()); !kept) return kept;
    }
    if (!WriteAll(temp.Descriptor(), bytes) || ::fsync(temp.Descriptor()) != 0)
        return Failure("cannot write", target, errno);
    if (!temp.GiveName()) return Failure("cannot create a file in", folder, errno);
    if (!temp.Close()) return Failure("cannot write", target, errno);
    return {};
}

FileIdentity IdentityOfStat(const struct stat &st) {
    auto ns = [](const struct timespec &t) { return std::int64_t{t.tv_sec} * 1000000000 + t.tv_nsec; };
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::uint64_t>(st.st_size), ns(st.st_mtim), ns(st.st_ctim)};
}

// The size of the pieces a read hands over: the whole of a small file in one,
// without a large buffer for each of many small files.
std::size_t PieceSize(const struct stat &st) {
    constexpr std::size_t kSmallest = 1 << 12, kLargest = 1 << 20;
    if (!S_ISREG(st.st_mode)) return 1 << 16;
    // Some files (as in /proc) say 0 and hold more.
    return std::clamp(static_cast<std::size_t>(st.st_size) + 1, kSmallest, kLargest);
}

} // namespace

Status WriteFileSafely(const fs::path &path, std::string_view bytes, const SafeWriteOptions &options) {
    struct stat old {};
    if (!options.followLinks && ::lstat(path.c_str(), &old) == 0 && S_ISLNK(old.st_mode))
        return Status::Failure(path.string() + " " + kSymbolicLinkMessage);
    const fs::path target = options.followLinks ? FollowLinks(path) : path;
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) return Failure("not a regular file:", target, EISDIR);
    if (exists && ::access(target.c_str(), W_OK) != 0) return Failure("cannot write", target, errno);
    // Replacing one name of a file with several would leave the others with the
    // old text; writing through the shared file instead could leave it half
    // written. So such a file is refused unless the caller allows the break.
    if (exists && old.st_nlink > 1 && !options.breakHardLinks)
        return Status::Failure(target.string() + " has " + std::to_string(old.st_nlink - 1) +
                               " other name(s) (hard links); replacing it would leave them with the old text, "
                               "so it was not written");
    if (options.expected && (!exists || IdentityOfStat(old) != *options.expected))
        return Status::Failure(kFileChangedMessage);

    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::optional<TemporaryFile> temp;
    temp.emplace(folder, TemporaryKind::UnnamedWherePossible);
    Status filled = FillTemporary(*temp, target, exists ? &old : nullptr, bytes);
    if (!filled && temp->NamingFailed()) { // written, but it could get no name: once more, named from the start
        temp.emplace(folder, TemporaryKind::Named);
        filled = FillTemporary(*temp, target, exists ? &old : nullptr, bytes);
    }
    if (!filled) return filled;
    if (options.beforeReplace) options.beforeReplace(temp->Path());
    // The last look before the rename: what was read must still be what is there.
    struct stat now {};
    if (options.expected && (::stat(target.c_str(), &now) != 0 || IdentityOfStat(now) != *options.expected))
        return Status::Failure(kFileChangedMessage);
    if (!temp->RenameTo(target)) return Failure("cannot replace", target, errno);
    SyncFolder(folder);
    return {};
}

std::optional<FileIdentity> IdentityOf(const fs::path &path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return IdentityOfStat(st);
}

std::size_t OtherHardLinks(const fs::path &path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink < 1) return 0;
    return static_cast<std::size_t>(st.st_nlink - 1);
}

Status ReadFileBytes(const fs::path &path, std::string &bytes) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Failure("cannot open", path, errno);
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return Failure("cannot read", path, EISDIR);
    }
    bytes.clear();
    if (st.st_size > 0) bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[1 << 16];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int err = errno;
            ::close(fd);
            return Failure("cannot read", path, err);
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return {};
}

bool MayWriteIn(const fs::path &folder) { return ::access(folder.c_str(), W_OK | X_OK) == 0; }

fs::path ExecutableFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe.parent_path();
}

bool IsReadOnlyFile(const fs::path &path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    return ::access(path.c_str(), W_OK) != 0 || (st.st_mode & S_IWUSR) == 0;
}

fs::path PathFromUtf8(std::string_view utf8) { return fs::path(utf8); }

std::string PathToUtf8(const fs::path &path) { return path.string(); }

Status ReadFileInPieces(const fs::path &path, const std::function<bool(std::string_view)> &take,
                        const ReadOptions &options) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | (options.followLinks ? 0 : O_NOFOLLOW));
    if (fd < 0 && errno == ELOOP && !options.followLinks) return Status::Failure(kSymbolicLinkMessage);
    if (fd < 0) return Status::Failure(std::string("cannot open: ") + std::strerror(errno));
    struct stat st {};
    int err = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) ? EISDIR : 0;
    if (options.identity) *options.identity = S_ISREG(st.st_mode) ? std::optional(IdentityOfStat(st)) : std::nullopt;
    const std::size_t size = PieceSize(st);
    const std::unique_ptr<char[]> piece = std::make_unique_for_overwrite<char[]>(size);
    while (err == 0) {
        const ssize_t n = ::read(fd, piece.get(), size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) err = errno;
        if (n <= 0 || !take(std::string_view(piece.get(), static_cast<std::size_t>(n)))) break;
    }
    ::close(fd);
    if (err != 0) return Status::Failure(std::string("cannot read: ") + std::strerror(err));
    return {};
}

} // namespace kelvra

#include "platform/Files.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

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

// The temporary file: created in `folder` under a short unique name, recorded
// for the signal handler, and removed again unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(const fs::path &folder) {
        std::string pattern = (folder / ".kelvra-XXXXXX").string();
        SignalsHeld held;
        fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd_ < 0) {
            error_ = errno;
            return;
        }
        path_ = pattern;
        slot_ = PendingTemporaries::Instance().Add(path_);
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
    const std::string &Path() const { return path_; }

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

} // namespace

fs::path FollowLinks(const fs::path &path) {
    fs::path current = path;
    for (int depth = 0; depth < 40; ++depth) {
        std::error_code ec;
        if (!fs::is_symlink(current, ec)) return current;
        fs::path next = fs::read_symlink(current, ec);
        if (ec) return current;
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    return current;
}

Status WriteFileSafely(const fs::path &path, std::string_view bytes, const SafeWriteOptions &options) {
    const fs::path target = FollowLinks(path);
    struct stat old {};
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

    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    TemporaryFile temp(folder);
    if (temp.Descriptor() < 0) return Failure("cannot create a file in", folder, temp.CreationError());
    if (!CopyOwnerAndMode(temp.Descriptor(), exists ? &old : nullptr))
        return Failure("cannot set permissions for", target, errno);
    if (!WriteAll(temp.Descriptor(), bytes) || ::fsync(temp.Descriptor()) != 0)
        return Failure("cannot write", target, errno);
    if (!temp.Close()) return Failure("cannot write", target, errno);
    if (options.beforeReplace) options.beforeReplace(temp.Path());
    if (!temp.RenameTo(target)) return Failure("cannot replace", target, errno);
    SyncFolder(folder);
    return {};
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

Status ReadFileInPieces(const fs::path &path, const std::function<bool(std::string_view)> &take) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Status::Failure(std::string("cannot open: ") + std::strerror(errno));
    struct stat st {};
    int err = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) ? EISDIR : 0;
    std::string piece(1 << 20, '\0');
    while (err == 0) {
        const ssize_t n = ::read(fd, piece.data(), piece.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) err = errno;
        if (n <= 0 || !take(std::string_view(piece.data(), static_cast<std::size_t>(n)))) break;
    }
    ::close(fd);
    if (err != 0) return Status::Failure(std::string("cannot read: ") + std::strerror(err));
    return {};
}

} // namespace kelvra

#include "platform/Files.h"

#include "platform/WindowsText.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>

namespace kelvra {
namespace {

namespace fs = std::filesystem;

Status Failure(const std::string &what, const fs::path &path, DWORD error) {
    return Status::Failure(what + " " + PathToUtf8(path) + ": " + SystemErrorText(error));
}

// A handle that is closed when it goes out of scope.
class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (Valid()) ::CloseHandle(h_);
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return h_; }
    void Reset(HANDLE h) {
        if (Valid()) ::CloseHandle(h_);
        h_ = h;
    }
    // Closes now, reporting errors that show only then.
    bool Close() {
        const HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return ::CloseHandle(h) != 0;
    }

private:
    HANDLE h_;
};

Handle OpenExisting(const fs::path &path, DWORD access) {
    return Handle(::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// Temporary files being written, so that Ctrl+C, Ctrl+Break or closing the
// console window removes them. The handler runs on a thread of its own.
class PendingTemporaries {
public:
    static PendingTemporaries &Instance() {
        static PendingTemporaries instance;
        return instance;
    }
    void Add(const std::wstring &path) {
        std::call_once(installed_, [] { ::SetConsoleCtrlHandler(&OnConsoleEvent, TRUE); });
        std::lock_guard lock(mutex_);
        paths_.insert(path);
    }
    void Remove(const std::wstring &path) {
        std::lock_guard lock(mutex_);
        paths_.erase(path);
    }

private:
    static BOOL WINAPI OnConsoleEvent(DWORD) {
        PendingTemporaries &self = Instance();
        std::lock_guard lock(self.mutex_);
        for (const std::wstring &path : self.paths_) ::DeleteFileW(path.c_str());
        return FALSE; // the next handler (by default: end the process) goes on
    }

    std::mutex mutex_;
    std::set<std::wstring> paths_;
    std::once_flag installed_;
};

// The temporary file: created in `folder` under a short unique name and
// removed again unless it was moved into place.
class TemporaryFile {
public:
    explicit TemporaryFile(const fs::path &folder) : handle_(INVALID_HANDLE_VALUE) {
        static std::atomic<unsigned> counter{0};
        for (int attempt = 0; attempt < 100 && !handle_.Valid(); ++attempt) {
            const unsigned unique = ::GetCurrentProcessId() * 7919u + ::GetTickCount() + counter++ * 104729u;
            wchar_t name[32];
            ::swprintf(name, 32, L".kelvra-%06x", unique & 0xFFFFFF);
            path_ = (folder / name).wstring();
            PendingTemporaries::Instance().Add(path_);
            handle_.Reset(
                // Shared for deletion, so that the Ctrl+C handler can remove it while it is open.
                ::CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
            error_ = handle_.Valid() ? 0 : ::GetLastError();
            if (!handle_.Valid()) PendingTemporaries::Instance().Remove(path_);
            if (error_ != ERROR_FILE_EXISTS && error_ != ERROR_ALREADY_EXISTS) break;
        }
        if (!handle_.Valid()) path_.clear();
    }
    ~TemporaryFile() {
        if (handle_.Valid()) handle_.Close();
        if (!path_.empty()) {
            ::DeleteFileW(path_.c_str());
            PendingTemporaries::Instance().Remove(path_);
        }
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;

    bool Created() const { return handle_.Valid(); }
    DWORD CreationError() const { return error_; }
    HANDLE Get() const { return handle_.Get(); }
    fs::path Path() const { return fs::path(path_); }
    bool Close() { return handle_.Close(); }

    // Puts the file in the target's place. An existing target is replaced
    // with ReplaceFileW, which keeps its security descriptor and attributes;
    // it needs absolute paths.
    bool MoveTo(const fs::path &target, bool targetExists) {
        const std::wstring to = fs::absolute(target).wstring();
        const bool moved = targetExists ? ::ReplaceFileW(to.c_str(), fs::absolute(path_).wstring().c_str(), nullptr,
                                                         REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0
                                        : ::MoveFileExW(path_.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
        if (!moved) return false;
        PendingTemporaries::Instance().Remove(path_);
        path_.clear();
        return true;
    }

private:
    Handle handle_;
    DWORD error_ = 0;
    std::wstring path_;
};

bool WriteAll(HANDLE h, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(h, bytes.data(), chunk, &written, nullptr)) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

// Number of names of the file, 0 when it cannot be asked.
DWORD LinkCount(const fs::path &path) {
    Handle h = OpenExisting(path, 0);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!h.Valid() || !::GetFileInformationByHandle(h.Get(), &info)) return 0;
    return info.nNumberOfLinks;
}

// What GetFileInformationByHandle tells of an open file, for a regular file on a disk.
std::optional<FileIdentity> IdentityOfHandle(HANDLE h) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(h) != FILE_TYPE_DISK || !::GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    auto wide = [](DWORD high, DWORD low) { return std::uint64_t{high} << 32 | low; };
    FileIdentity id;
    id.device = info.dwVolumeSerialNumber;
    id.inode = wide(info.nFileIndexHigh, info.nFileIndexLow);
    id.size = wide(info.nFileSizeHigh, info.nFileSizeLow);
    // Hundreds of nanoseconds since 1601; only compared, never shown.
    id.modifiedNs =
        static_cast<std::int64_t>(wide(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime)) * 100;
    return id;
}

// The size of the pieces a read hands over: the whole of a small file in one,
// without a large buffer for each of many small files.
DWORD PieceSize(const std::optional<FileIdentity> &identity) {
    constexpr std::uint64_t kSmallest = 1 << 12, kLargest = 1 << 20;
    if (!identity) return 1 << 16;
    return static_cast<DWORD>(std::clamp(identity->size + 1, kSmallest, kLargest));
}

} // namespace

fs::path PathFromUtf8(std::string_view utf8) { return fs::path(WideFromUtf8(utf8)); }

std::string PathToUtf8(const fs::path &path) { return Utf8FromWide(path.native()); }

Status WriteFileSafely(const fs::path &path, std::string_view bytes, const SafeWriteOptions &options) {
    const fs::path target = FollowLinks(path);
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Failure("not a regular file:", target, ERROR_DIRECTORY);
    if (exists && IsReadOnlyFile(target)) return Failure("cannot write", target, ERROR_ACCESS_DENIED);
    // Replacing one name of a file with several would leave the others with
    // the old text, so such a file is refused unless the caller allows it.
    const DWORD links = exists ? LinkCount(target) : 0;
    if (links > 1 && !options.breakHardLinks)
        return Status::Failure(PathToUtf8(target) + " has " + std::to_string(links - 1) +
                               " other name(s) (hard links); replacing it would leave them with the old text, "
                               "so it was not written");

    if (options.expected && IdentityOf(target) != options.expected) return Status::Failure(kFileChangedMessage);

    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    TemporaryFile temp(folder);
    if (!temp.Created()) return Failure("cannot create a file in", folder, temp.CreationError());
    if (!WriteAll(temp.Get(), bytes) || !::FlushFileBuffers(temp.Get()) || !temp.Close())
        return Failure("cannot write", target, ::GetLastError());
    if (options.beforeReplace) options.beforeReplace(temp.Path());
    // The last look before the move: what was read must still be what is there.
    if (options.expected && IdentityOf(target) != options.expected) return Status::Failure(kFileChangedMessage);
    if (!temp.MoveTo(target, exists)) return Failure("cannot replace", target, ::GetLastError());
    return {};
}

std::size_t OtherHardLinks(const fs::path &path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return 0;
    const DWORD links = LinkCount(path);
    return links > 1 ? links - 1 : 0;
}

std::optional<FileIdentity> IdentityOf(const fs::path &path) {
    Handle h = OpenExisting(path, 0);
    return h.Valid() ? IdentityOfHandle(h.Get()) : std::nullopt;
}

Status ReadFileInPieces(const fs::path &path, const std::function<bool(std::string_view)> &take,
                        const ReadOptions &options) {
    Handle h(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!h.Valid()) {
        const DWORD error = ::GetLastError();
        // A folder cannot be opened as a file; say so as a read of one fails elsewhere.
        const DWORD attributes = ::GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return Status::Failure("cannot read: " + SystemErrorText(ERROR_DIRECTORY));
        return Status::Failure("cannot open: " + SystemErrorText(error));
    }
    const std::optional<FileIdentity> identity = IdentityOfHandle(h.Get());
    if (options.identity) *options.identity = identity;
    const DWORD size = PieceSize(identity);
    const std::unique_ptr<char[]> piece = std::make_unique_for_overwrite<char[]>(size);
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(h.Get(), piece.get(), size, &n, nullptr))
            return Status::Failure("cannot read: " + SystemErrorText(::GetLastError()));
        if (n == 0 || !take(std::string_view(piece.get(), n))) return {};
    }
}

Status ReadFileBytes(const fs::path &path, std::string &bytes) {
    bytes.clear();
    Status read = ReadFileInPieces(path, [&](std::string_view piece) {
        bytes.append(piece);
        return true;
    });
    if (!read) read.message.insert(read.message.find(':'), " " + PathToUtf8(path));
    return read;
}

bool MayWriteIn(const fs::path &folder) {
    // The folder's access control list decides; creating a file that goes
    // away on closing asks it exactly.
    const fs::path probe = folder / (L".kelvra-probe-" + std::to_wstring(::GetCurrentProcessId()));
    Handle h(::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return h.Valid();
}

fs::path ExecutableFolder() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) return fs::path(buffer.substr(0, n)).parent_path();
        buffer.resize(buffer.size() * 2);
    }
}

bool IsReadOnlyFile(const fs::path &path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    if (attributes & FILE_ATTRIBUTE_READONLY) return true;
    // The access control list may still refuse writing; a file that is only
    // busy (open elsewhere) is not read-only.
    Handle h = OpenExisting(path, GENERIC_WRITE);
    return !h.Valid() && ::GetLastError() == ERROR_ACCESS_DENIED;
}

} // namespace kelvra

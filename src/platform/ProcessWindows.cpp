#include "platform/Process.h"

#include "platform/TextCodec.h"
#include "platform/WindowsText.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <iostream>
#include <shellapi.h>
#include <streambuf>

namespace kelvra {
namespace {

// Writes what the program sends to a console window as the console's own
// characters (WriteConsoleW), so that Japanese shows whatever the console's
// code page. Text that is not UTF-8 (a Shift-JIS result) goes out as bytes,
// for the console to read in its code page.
class ConsoleBuffer : public std::streambuf {
public:
    explicit ConsoleBuffer(HANDLE console) : console_(console) {}
    ~ConsoleBuffer() override { sync(); }

protected:
    int_type overflow(int_type c) override {
        if (c != traits_type::eof()) pending_ += traits_type::to_char_type(c);
        if (pending_.size() >= 1 << 16) sync();
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char *s, std::streamsize n) override {
        pending_.append(s, static_cast<std::size_t>(n));
        if (pending_.size() >= 1 << 16) sync();
        return n;
    }
    int sync() override {
        // A character cut at the end waits for the rest of it.
        std::size_t complete = pending_.size();
        for (std::size_t back = 1; back <= 3 && back <= pending_.size(); ++back) {
            const auto c = static_cast<unsigned char>(pending_[pending_.size() - back]);
            if ((c & 0xC0) == 0x80) continue;
            if (c >= 0xC0 && Utf8CharLength(c) > back) complete = pending_.size() - back;
            break;
        }
        const std::string_view text(pending_.data(), complete);
        bool ok = true;
        if (IsValidUtf8(text)) {
            const std::wstring wide = WideFromUtf8(text);
            DWORD written = 0;
            ok = wide.empty() ||
                 ::WriteConsoleW(console_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        } else {
            DWORD written = 0;
            ok = ::WriteFile(console_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        }
        pending_.erase(0, complete);
        return ok ? 0 : -1;
    }

private:
    HANDLE console_;
    std::string pending_;
};

bool IsConsole(HANDLE h) {
    DWORD mode = 0;
    return h != INVALID_HANDLE_VALUE && h != nullptr && ::GetConsoleMode(h, &mode);
}

// A standard handle as a stream that writes through ConsoleBuffer; flushed
// after each output operation and at the end of the process.
class ConsoleStream : public std::ostream {
public:
    explicit ConsoleStream(HANDLE h) : std::ostream(nullptr), buffer_(h) {
        rdbuf(&buffer_);
        setf(std::ios::unitbuf);
    }
    ~ConsoleStream() override { flush(); }

private:
    ConsoleBuffer buffer_;
};

} // namespace

std::vector<std::string> CommandLineArguments(int, char **) {
    // The narrow argv holds the arguments in the ANSI code page, which loses
    // every character outside it; the wide command line has them all.
    int count = 0;
    wchar_t **wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) args.push_back(Utf8FromWide(wide[i]));
    ::LocalFree(wide);
    return args;
}

void UseBinaryStandardStreams() {
    // Text mode would turn LF into CR LF on the way out and stop reading at a
    // 0x1A byte on the way in.
    ::_setmode(::_fileno(stdin), _O_BINARY);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
}

std::ostream &StandardOutput() {
    static const HANDLE h = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (!IsConsole(h)) return std::cout;
    static ConsoleStream console(h);
    return console;
}

std::ostream &StandardError() {
    static const HANDLE h = ::GetStdHandle(STD_ERROR_HANDLE);
    if (!IsConsole(h)) return std::cerr;
    static ConsoleStream console(h);
    return console;
}

void KeepLargeBuffersApart() {
    // The Windows heap gives large blocks back to the system by itself.
}

std::filesystem::path UserSettingsFolder() {
    const wchar_t *appData = ::_wgetenv(L"APPDATA");
    if (!appData || !*appData) return {};
    return std::filesystem::path(appData) / L"Kelvra";
}

} // namespace kelvra

#pragma once
// How an operation on files ended: success, or failure with a message for the user.

#include <string>

namespace kelvra {

struct Status {
    bool ok = true;
    std::string message; // empty when ok
    explicit operator bool() const { return ok; }
    static Status Failure(std::string why) { return {false, std::move(why)}; }
};

// Older names of the same type, still used by the windows.
using FileStatus = Status;
using SettingsOutcome = Status;

} // namespace kelvra

#pragma once
// An environment variable set (or unset) for the life of the object, then
// given its old value back.

#include <cstdlib>
#include <optional>
#include <string>

namespace kelvra::test {

class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, const char *value) : name_(std::move(name)) {
        if (const char *old = std::getenv(name_.c_str())) saved_ = old;
        Set(value);
    }
    ~ScopedEnvironment() { Set(saved_ ? saved_->c_str() : nullptr); }
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;

private:
    // Null unsets the variable.
    void Set(const char *value) {
#if defined(_WIN32)
        ::_putenv_s(name_.c_str(), value ? value : ""); // an empty value removes it
#else
        if (value)
            ::setenv(name_.c_str(), value, 1);
        else
            ::unsetenv(name_.c_str());
#endif
    }

    std::string name_;
    std::optional<std::string> saved_;
};

// The variable that names the per-user settings folder's parent on this system.
inline const char *UserConfigVariable() {
#if defined(_WIN32)
    return "APPDATA";
#else
    return "XDG_CONFIG_HOME";
#endif
}

} // namespace kelvra::test

#pragma once
// Runs a check as a user without root's rights, so that permission tests mean
// something when the suite runs as root (as CI does).

#include <string>

#if defined(_WIN32)
namespace kelvra::test {
// No root to drop from: the check runs as it is.
template <class Check> std::string AsUnprivilegedUser(Check check) { return check(); }
} // namespace kelvra::test
#else
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kelvra::test {

// Calls `check` (which returns a description of what went wrong, empty when
// all is well). As root, the call happens in a child process that has become
// the user nobody; its answer comes back through a pipe. Otherwise it is a
// plain call.
template <class Check> std::string AsUnprivilegedUser(Check check) {
    if (::geteuid() != 0) return check();
    const passwd *nobody = ::getpwnam("nobody");
    if (!nobody) return "no user nobody to run the check as";
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return "no pipe to the child";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeEnds[0]);
        std::string answer;
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0 || ::geteuid() == 0)
            answer = "could not drop to nobody";
        else
            answer = check();
        const ssize_t written = ::write(pipeEnds[1], answer.data(), answer.size());
        ::_exit(written == static_cast<ssize_t>(answer.size()) ? 0 : 1);
    }
    ::close(pipeEnds[1]);
    std::string answer;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        answer.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeEnds[0]);
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        answer += " (the unprivileged child did not finish cleanly)";
    return answer;
}

} // namespace kelvra::test
#endif

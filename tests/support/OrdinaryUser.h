#pragma once

#include <cstdio>
#include <grp.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

// Runs `check` with the rights of an ordinary user, since permission bits do not stop root:
// directly when the tests do not run as root, otherwise in a child process that has given
// root up for the user and group "nobody". Everything `check` opens must be reachable by that
// user. Returns what `check` returned; false when the child could not be made.
template <typename Check> bool AsOrdinaryUser(Check check)
{
    if (geteuid() != 0)
        return check();
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)
            _exit(2);
        _exit(check() ? 0 : 1);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

#include "runtime/shell_command.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

extern char** environ;

namespace morvu {

namespace {

// The parent's signal state while a command runs, as system() arranges it:
// SIGINT and SIGQUIT ignored, SIGCHLD blocked; restored on every way out.
class SIGNALS_DURING_COMMAND {
public:
    SIGNALS_DURING_COMMAND() {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGINT, &ignore, &saved_int);
        sigaction(SIGQUIT, &ignore, &saved_quit);
        sigset_t child;
        sigemptyset(&child);
        sigaddset(&child, SIGCHLD);
        sigprocmask(SIG_BLOCK, &child, &saved_mask);
    }
    ~SIGNALS_DURING_COMMAND() {
        sigaction(SIGINT, &saved_int, nullptr);
        sigaction(SIGQUIT, &saved_quit, nullptr);
        sigprocmask(SIG_SETMASK, &saved_mask, nullptr);
    }
    SIGNALS_DURING_COMMAND(const SIGNALS_DURING_COMMAND&) = delete;
    SIGNALS_DURING_COMMAND& operator=(const SIGNALS_DURING_COMMAND&) = delete;

    const sigset_t& mask() const { return saved_mask; }

private:
    struct sigaction saved_int {};
    struct sigaction saved_quit {};
    sigset_t saved_mask{};
};

// The spawn attributes of the child: the caller's signal mask and the
// default actions for the two signals the parent ignores.
class SPAWN_ATTRIBUTES {
public:
    explicit SPAWN_ATTRIBUTES(const sigset_t& mask) {
        posix_spawnattr_init(&attributes);
        sigset_t defaults;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGINT);
        sigaddset(&defaults, SIGQUIT);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setsigmask(&attributes, &mask);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    }
    ~SPAWN_ATTRIBUTES() { posix_spawnattr_destroy(&attributes); }
    SPAWN_ATTRIBUTES(const SPAWN_ATTRIBUTES&) = delete;
    SPAWN_ATTRIBUTES& operator=(const SPAWN_ATTRIBUTES&) = delete;

    const posix_spawnattr_t* get() const { return &attributes; }

private:
    posix_spawnattr_t attributes{};
};

}  // namespace

int run_shell_command(const std::string& command, const char* shell) {
    SIGNALS_DURING_COMMAND signals;
    SPAWN_ATTRIBUTES attributes(signals.mask());
    std::string name = "sh";
    std::string option = "-c";
    std::string line = command;  // posix_spawn takes the arguments as non-const texts
    char* arguments[] = {name.data(), option.data(), line.data(), nullptr};
    pid_t child = 0;
    if (posix_spawn(&child, shell, nullptr, attributes.get(), arguments, environ) != 0) return -1;
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace morvu

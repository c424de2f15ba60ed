#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace ffkit {

namespace {

void close_fd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments)
{
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        error_ = std::string("cannot create pipes: ") + std::strerror(errno);
        close_fd(out[0]);
        close_fd(out[1]);
        return;
    }

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);

    // The child starts with default signal handling and nothing blocked, whatever this
    // process does with its own signals, and in its own process group so that a terminal's
    // interrupt reaches it only through us.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGQUIT);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

    pid_t pid = -1;
    const int rc = ::posix_spawnp(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close_fd(out[1]);
    close_fd(err[1]);
    if (rc != 0) {
        error_ = "cannot start " + program + ": " + std::strerror(rc);
        close_fd(out[0]);
        close_fd(err[0]);
        return;
    }
    pid_ = pid;
    stdout_fd_ = out[0];
    stderr_fd_ = err[0];
}

ChildProcess::~ChildProcess()
{
    close_fd(stdout_fd_);
    close_fd(stderr_fd_);
    // A child that was never waited for is killed and reaped rather than left a zombie.
    if (pid_ > 0 && !reaped_) {
        signal(SIGKILL);
        wait();
    }
}

void ChildProcess::close_stdout() { close_fd(stdout_fd_); }
void ChildProcess::close_stderr() { close_fd(stderr_fd_); }

bool ChildProcess::signal(int signal_number)
{
    std::lock_guard guard(lock_);
    if (pid_ <= 0 || reaped_)
        return false;
    return ::kill(pid_, signal_number) == 0;
}

bool ChildProcess::has_exited() const
{
    std::lock_guard guard(lock_);
    if (pid_ <= 0 || reaped_)
        return true;
    siginfo_t info{};
    if (::waitid(P_PID, id_t(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        return errno == ECHILD;
    return info.si_pid == pid_;
}

std::optional<int> ChildProcess::wait()
{
    if (pid_ <= 0)
        return std::nullopt;
    // Wait without reaping, so that the pid stays ours (a zombie) until the lock is held;
    // signal() never sees a pid that the system may have handed to another process.
    siginfo_t info{};
    while (::waitid(P_PID, id_t(pid_), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
    }
    std::lock_guard guard(lock_);
    int status = 0;
    pid_t reaped = -1;
    while ((reaped = ::waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
    }
    reaped_ = true;
    if (reaped != pid_)
        return std::nullopt;
    return status;
}

}  // namespace ffkit

#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
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

// The program's path as execve takes it: a name without a slash is looked up in PATH here,
// before the fork, since the child may only make async-signal-safe calls.
std::string resolve_program(const std::string& program)
{
    if (program.find('/') != std::string::npos)
        return program;
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = std::min(dirs.find(':', start), dirs.size());
        std::string dir = dirs.substr(start, end - start);
        const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + program;
        struct stat st {};
        if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

// Runs in the forked child until exec: async-signal-safe calls only. On failure the errno
// goes to the parent through the report pipe.
[[noreturn]] void exec_child(const char* path, char* const* argv, int out, int err, int report,
                             pid_t parent)
{
    // The child dies with the thread that started it (the run's thread, which lives until
    // the child is reaped), and so with the application, whatever ends it.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent)
        ::_exit(127);
    // Default signal handling and nothing blocked, whatever this process does with its own
    // signals; its own process group, so that a terminal's interrupt reaches it only through us.
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    for (int s : {SIGINT, SIGTERM, SIGPIPE, SIGQUIT})
        ::sigaction(s, &defaults, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::setpgid(0, 0);
    const int in = ::open("/dev/null", O_RDONLY);
    if (in < 0 || ::dup2(in, STDIN_FILENO) < 0 || ::dup2(out, STDOUT_FILENO) < 0 ||
        ::dup2(err, STDERR_FILENO) < 0) {
        const int code = errno;
        (void)!::write(report, &code, sizeof code);
        ::_exit(127);
    }
    ::execve(path, argv, environ);
    const int code = errno;
    (void)!::write(report, &code, sizeof code);
    ::_exit(127);
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments)
{
    const std::string path = resolve_program(program);
    if (path.empty()) {
        error_ = "cannot start " + program + ": " + std::strerror(ENOENT);
        return;
    }
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    int report[2] = {-1, -1};
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0 || ::pipe2(report, O_CLOEXEC) != 0) {
        error_ = std::string("cannot create pipes: ") + std::strerror(errno);
        for (int* fd : {&out[0], &out[1], &err[0], &err[1], &report[0], &report[1]})
            close_fd(*fd);
        return;
    }

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0)
        exec_child(path.c_str(), argv.data(), out[1], err[1], report[1], parent);
    const int fork_error = errno;
    close_fd(out[1]);
    close_fd(err[1]);
    close_fd(report[1]);
    if (pid < 0) {
        error_ = "cannot start " + program + ": " + std::strerror(fork_error);
        close_fd(out[0]);
        close_fd(err[0]);
        close_fd(report[0]);
        return;
    }
    pid_ = pid;
    // The report pipe closes on a successful exec; otherwise it carries the errno.
    int code = 0;
    ssize_t n = 0;
    while ((n = ::read(report[0], &code, sizeof code)) < 0 && errno == EINTR) {
    }
    close_fd(report[0]);
    if (n > 0) {
        error_ = "cannot start " + program + ": " + std::strerror(code);
        close_fd(out[0]);
        close_fd(err[0]);
        wait();
        pid_ = -1;
        return;
    }
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

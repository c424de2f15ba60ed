#pragma once

#include <sys/types.h>

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace ffkit {

// One program run as a child process without a shell: standard input from /dev/null,
// standard output and standard error each into a pipe that the parent reads.
// The pid is signalled only while the child has not been reaped, so a signal can never
// reach an unrelated process that got the pid again. The child is killed when the thread
// that created it ends (and so when this process dies, however it dies): create it on a
// thread that outlives it.
class ChildProcess {
public:
    // Starts program (looked up in PATH when it has no slash) with the arguments (argv[0]
    // excluded). On failure the result is not running and error() says why.
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    const std::string& error() const { return error_; }
    // Read ends; -1 once closed. The caller reads them and closes each at its end.
    int stdout_fd() const { return stdout_fd_; }
    int stderr_fd() const { return stderr_fd_; }
    void close_stdout();
    void close_stderr();

    // Sends a signal unless the child is already reaped; false when nothing was sent.
    bool signal(int signal_number);
    // Whether the child has exited, without reaping it (no waiting).
    bool has_exited() const;
    // Waits for the exit and reaps the child; gives the wait status, or nullopt when it is
    // lost (something else in the process reaped the child). Call once.
    std::optional<int> wait();

private:
    pid_t pid_ = -1;
    int stdout_fd_ = -1;
    int stderr_fd_ = -1;
    bool reaped_ = false;
    std::string error_;
    mutable std::mutex lock_;
};

}  // namespace ffkit

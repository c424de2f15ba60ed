#include "update_log_capture.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace updatetest {

StdoutCapture::StdoutCapture()
{
    char name[] = "/tmp/update-log-XXXXXX";
    file_ = mkstemp(name);
    unlink(name);
    std::fflush(stdout);
    saved_ = dup(STDOUT_FILENO);
    dup2(file_, STDOUT_FILENO);
}

StdoutCapture::~StdoutCapture()
{
    // What was caught (the test framework's failure messages too) goes on to the real output.
    const std::string caught = text();
    dup2(saved_, STDOUT_FILENO);
    std::fwrite(caught.data(), 1, caught.size(), stdout);
    std::fflush(stdout);
    close(saved_);
    close(file_);
}

std::string StdoutCapture::text() const
{
    std::fflush(stdout);
    std::string out;
    char buffer[4096];
    for (off_t at = 0;;) {
        const ssize_t n = pread(file_, buffer, sizeof buffer, at);
        if (n <= 0)
            break;
        out.append(buffer, static_cast<size_t>(n));
        at += n;
    }
    return out;
}

}  // namespace updatetest

#pragma once

#include <string>

namespace updatetest {

// Sends the process's standard output into a file for the object's life, so a test can read
// the lines the code logged; they are passed on to the real output at the end.
class StdoutCapture {
public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    // Everything written so far.
    std::string text() const;

private:
    int saved_ = -1;
    int file_ = -1;
};

}  // namespace updatetest

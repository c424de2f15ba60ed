#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// Path of a generated fixture file, by name.
std::string fixture(const std::string& name);

// Runs a program (found on PATH) and gives its standard output; nullopt when it could not
// start or did not exit with 0. Spawned without fork-and-continue, so sanitizer builds keep
// seeing this process's locks.
std::optional<std::string> run_program(const std::vector<std::string>& argv);

// Runs the Qt event loop until done() holds or the time-out passes; false on time-out. The
// default only catches a hang: a loaded machine under a sanitizer is slow.
bool pump_until(const std::function<bool()>& done,
                std::chrono::milliseconds timeout = std::chrono::seconds(120));

// The names in a directory, hidden ones included, sorted; empty when it cannot be read.
std::vector<std::string> entries(const std::string& directory);

// The threads of this process with the given name.
int threads_named(const std::string& name);
// The live threads of this process.
int thread_count();
// Runs one task on the worker pool and waits for it. A count taken after this includes the
// threads that the thread sanitizer's runtime starts beside the first thread and keeps.
void start_first_pool_thread();

// An environment variable with another value while this lives, and as it was after.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A fresh empty directory for one test, removed by the destructor.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

}  // namespace testsupport

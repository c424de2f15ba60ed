#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace testsupport {

// The processes whose parent is `parent` and whose program is `name` (all of them for an
// empty name), zombies included.
std::vector<pid_t> children_of(pid_t parent, const std::string& name = {});

// Until it goes out of scope, a child that a signal ends writes no core file, here or into
// the system's crash collector.
class NoCoreFiles {
public:
    NoCoreFiles();
    ~NoCoreFiles();
    NoCoreFiles(const NoCoreFiles&) = delete;
    NoCoreFiles& operator=(const NoCoreFiles&) = delete;

private:
    unsigned long long old_limit_ = 0;
};

}  // namespace testsupport

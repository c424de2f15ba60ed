#include "processes.h"

#include <QDir>
#include <QString>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sys/resource.h>

namespace testsupport {

std::vector<pid_t> children_of(pid_t parent, const std::string& name)
{
    std::vector<pid_t> found;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const pid_t pid = entry.toInt(&number);
        if (!number)
            continue;
        std::ifstream stat("/proc/" + entry.toStdString() + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        // "pid (comm) state ppid ...": the name may hold blanks and parentheses.
        const auto open = text.find('(');
        const auto close = text.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close < open)
            continue;
        char state = 0;
        int ppid = 0;
        if (std::sscanf(text.c_str() + close + 1, " %c %d", &state, &ppid) == 2 && ppid == parent &&
            (name.empty() || text.substr(open + 1, close - open - 1) == name))
            found.push_back(pid);
    }
    return found;
}

// A limit of one byte: a file core is smaller than its least size, and the kernel hands no
// core to a crash collector under exactly this limit (a limit of zero does not stop that).
NoCoreFiles::NoCoreFiles()
{
    rlimit limit{};
    getrlimit(RLIMIT_CORE, &limit);
    old_limit_ = limit.rlim_cur;
    limit.rlim_cur = 1;
    setrlimit(RLIMIT_CORE, &limit);
}

NoCoreFiles::~NoCoreFiles()
{
    rlimit limit{};
    getrlimit(RLIMIT_CORE, &limit);
    limit.rlim_cur = old_limit_;
    setrlimit(RLIMIT_CORE, &limit);
}

}  // namespace testsupport

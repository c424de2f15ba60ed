#include "sanitizer_report.h"

#include <algorithm>
#include <initializer_list>

namespace testsupport {

std::string sanitizer_report(const std::string& errors)
{
    // "WARNING: ThreadSanitizer: data race", "ERROR: AddressSanitizer: ...", "ERROR:
    // LeakSanitizer: ...", and undefined behaviour's "file:line:column: runtime error: ...".
    std::size_t first = std::string::npos;
    for (const char* marker : {"Sanitizer:", "runtime error:"})
        first = std::min(first, errors.find(marker));
    if (first == std::string::npos)
        return {};
    const std::size_t line = errors.rfind('\n', first);
    return errors.substr(line == std::string::npos ? 0 : line + 1);
}

}  // namespace testsupport

#pragma once

#include <string>

namespace testsupport {

// The part of a child's standard error from a sanitizer's first report on, or empty when it
// holds none. The programs that the tests start carry the test programs' sanitizer rules
// (tests/sanitizers/rules.cpp), so a report in one of them is a fault like one in the test.
std::string sanitizer_report(const std::string& errors);

}  // namespace testsupport

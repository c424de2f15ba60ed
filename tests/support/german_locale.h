#pragma once

#include <QLocale>
#include <string>

#include "support.h"

namespace testsupport {

// Puts the process under a German locale for one test: the C library's numbers (decimal comma)
// and Qt's default locale. The C locale is compiled with localedef into a temporary folder of
// its own, removed with it, since a fresh machine has no German locale installed.
class GermanLocale {
public:
    GermanLocale();
    ~GermanLocale();
    GermanLocale(const GermanLocale&) = delete;
    GermanLocale& operator=(const GermanLocale&) = delete;

    // True when the C library now writes and reads numbers with a decimal comma.
    bool c_library_is_german() const { return c_library_is_german_; }

private:
    TempDir locales_;
    std::string old_c_locale_;
    QLocale old_qt_locale_;
    bool c_library_is_german_ = false;
};

}  // namespace testsupport

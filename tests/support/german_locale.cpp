#include "german_locale.h"

#include <QDir>
#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "support.h"

namespace testsupport {

namespace {

// Compiles de_DE.UTF-8 into the folder; false when localedef failed.
bool compile_german(const std::string& folder)
{
    const std::string target = folder + "/de_DE.UTF-8";
    const auto made = run_program({"localedef", "-i", "de_DE", "-f", "UTF-8", target});
    return made && QDir(QString::fromStdString(target)).exists();
}

}  // namespace

GermanLocale::GermanLocale()
{
    old_c_locale_ = std::setlocale(LC_ALL, nullptr);
    if (compile_german(locales_.path())) {
        setenv("LOCPATH", locales_.path().c_str(), 1);
        if (std::setlocale(LC_ALL, "de_DE.UTF-8")) {
            char text[16];
            std::snprintf(text, sizeof text, "%.1f", 1.5);
            c_library_is_german_ = std::string(text) == "1,5";
        }
    }
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
}

GermanLocale::~GermanLocale()
{
    std::setlocale(LC_ALL, old_c_locale_.c_str());
    unsetenv("LOCPATH");
    QLocale::setDefault(old_qt_locale_);
}

}  // namespace testsupport

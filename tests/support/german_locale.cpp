#include "german_locale.h"

#include <QDir>
#include <QTemporaryDir>
#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "support.h"

namespace testsupport {

namespace {

// The folder holding the compiled de_DE.UTF-8, made on first use; empty when localedef failed.
const QString& compiled_locales()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const std::string target = (dir.path() + QStringLiteral("/de_DE.UTF-8")).toStdString();
        const auto made = run_program({"localedef", "-i", "de_DE", "-f", "UTF-8", target});
        return made && QDir(QString::fromStdString(target)).exists() ? dir.path() : QString();
    }();
    return path;
}

}  // namespace

GermanLocale::GermanLocale()
{
    old_c_locale_ = std::setlocale(LC_ALL, nullptr);
    if (!compiled_locales().isEmpty()) {
        setenv("LOCPATH", compiled_locales().toLocal8Bit().constData(), 1);
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

#include "app/shell/translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

// The translation files' suffix for a UI language such as "en-US" or "zh-Hans-CN".
QStringList suffixes_for(const QString& language)
{
    const QLocale locale(language);
    QStringList out;
    out << QLocale::languageToCode(locale.language()) + QLatin1Char('_') + QLocale::territoryToCode(locale.territory());
    out << QLocale::languageToCode(locale.language());
    return out;
}

}  // namespace

void install_translations(QCoreApplication& app, const QLocale& locale)
{
    const QDir dir(QStringLiteral(":/i18n"));
    for (const QString& language : locale.uiLanguages()) {
        for (const QString& suffix : suffixes_for(language)) {
            const QStringList files = dir.entryList({QStringLiteral("*_") + suffix + QStringLiteral(".qm")}, QDir::Files);
            if (files.isEmpty())
                continue;
            for (const QString& file : files) {
                auto* translator = new QTranslator(&app);
                if (translator->load(dir.filePath(file)))
                    app.installTranslator(translator);
                else
                    delete translator;
            }
            auto* qt = new QTranslator(&app);
            if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
                app.installTranslator(qt);
            else
                delete qt;
            return;
        }
    }
}

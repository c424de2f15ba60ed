#include "app/shell/translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QMap>
#include <QTranslator>
#include <functional>

namespace {

const QString kDirectory = QStringLiteral(":/i18n");

// The file-name tags of a UI language, best first: "zh-Hans-CN" gives zh_CN, then zh.
QStringList tags_for(const QLocale& language)
{
    const QString code = QLocale::languageToCode(language.language());
    return {code + QLatin1Char('_') + QLocale::territoryToCode(language.territory()), code};
}

// The shipped file of each area for the language: "<area>_<tag>.qm", the best tag winning.
QMap<QString, QString> files_for(const QLocale& language)
{
    const QStringList files = QDir(kDirectory).entryList({QStringLiteral("*.qm")}, QDir::Files);
    QMap<QString, QString> chosen;
    for (const QString& tag : tags_for(language)) {
        const QString ending = QLatin1Char('_') + tag + QStringLiteral(".qm");
        for (const QString& file : files) {
            if (!file.endsWith(ending))
                continue;
            // Area names may hold underscores themselves ("settings_panes_en.qm").
            const QString area = file.chopped(ending.size());
            if (!chosen.contains(area))
                chosen.insert(area, QDir(kDirectory).filePath(file));
        }
    }
    return chosen;
}

QTranslator* install(QCoreApplication& app, const std::function<bool(QTranslator&)>& load)
{
    auto* translator = new QTranslator(&app);
    if (load(*translator) && QCoreApplication::installTranslator(translator))
        return translator;
    delete translator;
    return nullptr;
}

}  // namespace

QList<QTranslator*> install_translations(QCoreApplication& app, const QLocale& locale)
{
    QList<QTranslator*> installed;
    for (const QString& ui_language : locale.uiLanguages()) {
        const QLocale language(ui_language);
        const QMap<QString, QString> files = files_for(language);
        if (files.isEmpty() && language.language() != QLocale::Chinese)
            continue;
        for (const QString& file : files) {
            if (QTranslator* t = install(app, [&](QTranslator& tr) { return tr.load(file); }))
                installed << t;
        }
        const QString qt_dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        if (QTranslator* t = install(app, [&](QTranslator& tr) {
                return tr.load(language, QStringLiteral("qtbase"), QStringLiteral("_"), qt_dir);
            }))
            installed << t;
        break;
    }
    return installed;
}

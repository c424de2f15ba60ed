#pragma once

#include <QCoreApplication>
#include <QList>
#include <QLocale>
#include <QStringList>
#include <QTranslator>

#include "app/shell/translations.h"

namespace apptest {

// The application's translations for one language, installed while it lives.
class InstalledTranslations {
public:
    explicit InstalledTranslations(const QLocale& locale) : translators_(install_translations(*qApp, locale)) {}
    ~InstalledTranslations()
    {
        for (QTranslator* t : translators_) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
    }
    InstalledTranslations(const InstalledTranslations&) = delete;
    InstalledTranslations& operator=(const InstalledTranslations&) = delete;

    qsizetype count() const { return translators_.size(); }
    QStringList files() const
    {
        QStringList out;
        for (const QTranslator* t : translators_)
            out << t->filePath();
        return out;
    }

private:
    QList<QTranslator*> translators_;
};

}  // namespace apptest

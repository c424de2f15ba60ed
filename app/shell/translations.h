#pragma once

#include <QLocale>

class QCoreApplication;

// Installs the application's translations for the language (every :/i18n/*_<lang>.qm,
// first match among the locale's UI languages) and Qt's own for standard dialogs.
// Without a matching translation the source (Chinese) texts show.
void install_translations(QCoreApplication& app, const QLocale& locale = QLocale::system());

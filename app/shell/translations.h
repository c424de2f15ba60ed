#pragma once

#include <QList>
#include <QLocale>

class QCoreApplication;
class QTranslator;

// Installs the application's translations for one language and Qt's own for the standard
// dialogs. The language is the first of the locale's UI languages that the application has
// texts for; Chinese, the language of the source texts, needs no file but takes the few
// Chinese files there are. Every area's file of that one language is loaded, so a window
// never mixes two languages. Without a matching language the source texts show.
// Gives the translators installed; they belong to the application.
QList<QTranslator*> install_translations(QCoreApplication& app, const QLocale& locale = QLocale::system());

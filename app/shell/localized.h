#pragma once

#include <QCoreApplication>
#include <QString>

// The localized text for a key of the default table; the key itself when no translation has it.
inline QString L(const char* key) { return QCoreApplication::translate("Localizable", key); }

// The localized text for a key of the update alert's table.
inline QString L_update(const char* key) { return QCoreApplication::translate("Localizable_upate", key); }

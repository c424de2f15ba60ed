#pragma once

#include <QDebug>
#include <QString>
#include <QVariant>
#include <ostream>

// Readable Qt values in test failure messages (found by GoogleTest through the argument's type).
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

inline void PrintTo(const QVariant& value, std::ostream* out)
{
    QString text;
    QDebug(&text) << value;
    *out << text.toStdString();
}

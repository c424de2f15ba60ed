#pragma once

#include <QString>
#include <QUrl>
#include <string>

#include "support/support.h"

// Generated fixtures, as the paths and URLs the engine takes.
inline QString fixture_path(const std::string& name)
{
    return QString::fromStdString(testsupport::fixture(name));
}

inline QUrl fixture_url(const std::string& name) { return QUrl::fromLocalFile(fixture_path(name)); }

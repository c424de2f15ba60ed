#pragma once

#include <QCoreApplication>
#include <QString>

namespace media {

// A text for people, in the application's language: the source texts are Chinese, as the
// application's own, and the application installs the translations of the "media" context.
inline QString translated(const char* source) { return QCoreApplication::translate("media", source); }

}  // namespace media

#pragma once

#include <QString>
#include <QUrl>
#include <optional>

// The addresses that the Help menu's two web items open.
namespace web_pages {

// The README that comes with the application: the installed copy under the install prefix of
// the binary in binary_dir, else the copy in the source tree the binary was built from (a
// build tree, as ./run uses, is never installed). None when neither is there.
std::optional<QUrl> readme(const QString& binary_dir);

// A page fixed at configure time as it stands; an empty one is the README. None when the
// address does not form a URL or no README is found.
std::optional<QUrl> page(const char* configured, const QString& binary_dir);

}  // namespace web_pages

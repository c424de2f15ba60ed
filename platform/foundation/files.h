#pragma once

#include <QString>
#include <QUrl>
#include <optional>

// File URLs, paths and file operations.
namespace foundation {

QUrl file_url(const QString& path, bool is_directory = false);
// The URL with ".ext" added to its last component; an empty extension changes nothing.
QUrl appending_path_extension(const QUrl& url, const QString& extension);
QString path_extension(const QUrl& url);

bool file_exists(const QString& path);
bool is_directory(const QString& path);
// Removes a file or a whole directory; false when nothing was removed.
bool remove_item(const QString& path);
// Creates the directory and every missing parent; an existing directory is success.
bool create_directories(const QString& path);

// The temporary directory that TMPDIR names, with a trailing slash; "/tmp/" where TMPDIR names
// no folder this process can make files in.
QString temporary_directory();
// A new globally unique text (for unique file names).
QString globally_unique_string();

// Whole-string number parsing in the C locale: no leading or trailing blanks, no partial
// numbers; nullopt when the text is not a number.
std::optional<double> parse_double(const QString& text);
// The same rule read as a single-precision number: a value beyond the float range is no number.
std::optional<float> parse_float(const QString& text);
std::optional<long long> parse_integer(const QString& text);

}  // namespace foundation

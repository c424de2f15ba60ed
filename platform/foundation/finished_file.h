#pragma once

#include <QString>

// A file that appears under its final name only once it is complete: it is written under a
// hidden temporary name in the same folder and renamed at the end, never over another file.
namespace foundation {

// A new hidden name beside path, recognisable as unfinished and keeping path's extension
// (so that tools that pick a format by the extension still do): "dir/.name.converting-<hex>.ext".
// The name stays within the system's limit of 255 bytes by shortening the part from path, and
// holds no line break or carriage return (each becomes '_').
QString unfinished_file_path(const QString& path);

// Gives the file `from` the name `to` unless `to` exists. 0 on success, else the errno: EEXIST
// when `to` is taken. On filesystems that cannot rename without replacing, a hard link is
// tried, then a check followed by a rename.
int rename_without_replacing(const QString& from, const QString& to);

}  // namespace foundation

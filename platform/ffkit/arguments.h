#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The ffmpeg argument string: one text that splits back exactly into the argument vector.
namespace ffkit {

// Splits an argument string into arguments. Blanks (space, tab, line break) separate
// arguments; inside single quotes every character stands for itself; inside double quotes a
// backslash escapes a double quote or a backslash; outside quotes a backslash escapes the
// next character. Adjacent quoted and unquoted pieces join into one argument ('a'\''b' is
// a'b). nullopt when a quote is left open or the text ends in a lone backslash.
std::optional<QStringList> split_arguments(const QString& text);

// The text between single quotes, with each embedded single quote written as '\'' so that
// split_arguments gives the text back whole: 'a b' for "a b", 'it'\''s' for "it's".
QString quote_argument(const QString& text);

// A file path as one quoted argument that ffmpeg can only read as a file: relative paths are
// made absolute first, so that no path starts with a dash (an option) or a "name:" prefix
// (a protocol).
QString quote_path(const QString& path);

}  // namespace ffkit

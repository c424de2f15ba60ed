#pragma once

#include <QString>
#include <optional>
#include <utility>
#include <vector>

namespace ffkit {

// Paths to hand ffmpeg that hold no line break or carriage return. Its log is read line by
// line and names the paths it was given, so such a character in a name could split a line
// or forge one. A path that holds one is replaced by a symbolic link in a private temporary
// folder (mode 0700) made for the run; other paths are handed over as they are. The links
// and their folder go with remove(), or with the object.
class PlainPaths {
public:
    PlainPaths() = default;
    ~PlainPaths();
    PlainPaths(const PlainPaths&) = delete;
    PlainPaths& operator=(const PlainPaths&) = delete;

    // The path of an existing file to read: the path itself, or a link to the file.
    // nullopt when the link cannot be made; error() says why.
    std::optional<QString> input(const QString& path);
    // The path of a file to create, whose own name must hold no line break: the path itself,
    // or the name within a link to the file's folder. nullopt when that cannot be; error()
    // says why.
    std::optional<QString> output(const QString& path);

    // The text with each link's path replaced by the path it stands for, so that a message
    // of ffmpeg names what the user knows. Also after remove().
    QString real_paths_in(QString text) const;

    // Removes the links and their folder, once; the links stay known to real_paths_in.
    void remove();

    const QString& error() const { return error_; }

private:
    std::optional<QString> link(const QString& target, const QString& name);
    void fail(const QString& path, int code);

    QString folder_;
    // Each link's path, with the path it stands for.
    std::vector<std::pair<QString, QString>> links_;
    QString error_;
};

}  // namespace ffkit

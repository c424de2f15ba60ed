#pragma once

#include <QString>
#include <vector>

namespace ffkit {

// Writes JSON in ffprobe's layout: four blanks per level, keys in the order given,
// "key": value with one blank after the colon, empty containers on two lines.
class JsonLayout {
public:
    JsonLayout();
    void begin_object(const QString& key = {});
    void end_object();
    void begin_array(const QString& key);
    void end_array();
    void text(const QString& key, const QString& value);
    void number(const QString& key, long long value);
    // The finished text, with a final line break.
    QString result() const;

private:
    void begin_entry(const QString& key);
    void open(const QString& key, QChar bracket);
    void close(QChar bracket);
    static QString quoted(const QString& text);

    QString out_;
    std::vector<int> counts_;  // entries written at each open level
};

}  // namespace ffkit

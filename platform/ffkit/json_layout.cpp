#include "json_layout.h"

namespace ffkit {

JsonLayout::JsonLayout() = default;

QString JsonLayout::quoted(const QString& text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"': out += QStringLiteral("\\\""); break;
        case '\\': out += QStringLiteral("\\\\"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        case '\b': out += QStringLiteral("\\b"); break;
        case '\f': out += QStringLiteral("\\f"); break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out + u'"';
}

void JsonLayout::begin_entry(const QString& key)
{
    if (!counts_.empty()) {
        if (counts_.back()++ > 0)
            out_ += u',';
        out_ += u'\n';
        out_ += QString(qsizetype(counts_.size()) * 4, u' ');
    }
    if (!key.isEmpty())
        out_ += quoted(key) + QStringLiteral(": ");
}

void JsonLayout::open(const QString& key, QChar bracket)
{
    begin_entry(key);
    out_ += bracket;
    counts_.push_back(0);
}

void JsonLayout::close(QChar bracket)
{
    counts_.pop_back();
    out_ += u'\n';
    out_ += QString(qsizetype(counts_.size()) * 4, u' ');
    out_ += bracket;
}

void JsonLayout::begin_object(const QString& key) { open(key, u'{'); }
void JsonLayout::end_object() { close(u'}'); }
void JsonLayout::begin_array(const QString& key) { open(key, u'['); }
void JsonLayout::end_array() { close(u']'); }

void JsonLayout::text(const QString& key, const QString& value)
{
    begin_entry(key);
    out_ += quoted(value);
}

void JsonLayout::number(const QString& key, long long value)
{
    begin_entry(key);
    out_ += QString::number(value);
}

QString JsonLayout::result() const { return out_ + u'\n'; }

}  // namespace ffkit

#include "arguments.h"

#include <QFileInfo>

namespace ffkit {

namespace {

bool is_blank(QChar c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

}  // namespace

std::optional<QStringList> split_arguments(const QString& text)
{
    QStringList arguments;
    QString current;
    bool in_argument = false;  // an argument has begun, even an empty quoted one
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (is_blank(c)) {
            if (in_argument) {
                arguments.append(current);
                current.clear();
                in_argument = false;
            }
            continue;
        }
        in_argument = true;
        if (c == u'\'') {
            const qsizetype end = text.indexOf(u'\'', i + 1);
            if (end < 0)
                return std::nullopt;
            current += text.mid(i + 1, end - i - 1);
            i = end;
        } else if (c == u'"') {
            bool closed = false;
            for (++i; i < n; ++i) {
                if (text[i] == u'"') {
                    closed = true;
                    break;
                }
                if (text[i] == u'\\' && i + 1 < n && (text[i + 1] == u'"' || text[i + 1] == u'\\'))
                    ++i;
                current += text[i];
            }
            if (!closed)
                return std::nullopt;
        } else if (c == u'\\') {
            if (i + 1 >= n)
                return std::nullopt;
            current += text[++i];
        } else {
            current += c;
        }
    }
    if (in_argument)
        arguments.append(current);
    return arguments;
}

QString quote_argument(const QString& text)
{
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

QString quote_path(const QString& path)
{
    if (path.startsWith(u'/'))
        return quote_argument(path);
    return quote_argument(QFileInfo(path).absoluteFilePath());
}

}  // namespace ffkit

#include "progress_parser.h"

#include <algorithm>
#include <limits>

namespace ffkit {

namespace {

// A number at the start of the text ("1234.5kbits/s", "1.02x"); 0 for "N/A".
double leading_number(const QString& text)
{
    qsizetype end = 0;
    while (end < text.size() && (text[end].isDigit() || text[end] == u'.' || text[end] == u'-' ||
                                 text[end] == u'+' || text[end] == u'e'))
        ++end;
    bool ok = false;
    const double value = text.left(end).toDouble(&ok);
    return ok ? value : 0;
}

}  // namespace

std::optional<Statistics> ProgressParser::feed_line(const QString& line)
{
    const qsizetype equals = line.indexOf(u'=');
    if (equals <= 0)
        return std::nullopt;
    const QString key = line.left(equals).trimmed();
    const QString value = line.mid(equals + 1).trimmed();
    bool ok = false;
    if (key == u"out_time_us") {
        // "out_time_ms" is microseconds too; "out_time_us" says so.
        const qlonglong us = value.toLongLong(&ok);
        if (ok) {
            const qlonglong ms = std::clamp<qlonglong>(us / 1000, std::numeric_limits<int32_t>::min(),
                                                       std::numeric_limits<int32_t>::max());
            current_.time = int32_t(ms);
        }
    } else if (key == u"frame") {
        current_.frame = value.toLongLong(&ok);
    } else if (key == u"fps") {
        current_.fps = leading_number(value);
    } else if (key.startsWith(u"stream_") && key.endsWith(u"_q") && current_.quality == 0) {
        current_.quality = leading_number(value);
    } else if (key == u"total_size") {
        current_.size = value.toLongLong(&ok);
    } else if (key == u"bitrate") {
        current_.bitrate = leading_number(value);
    } else if (key == u"speed") {
        current_.speed = leading_number(value);
    } else if (key == u"progress") {
        Statistics report = current_;
        current_.quality = 0;
        return report;
    }
    return std::nullopt;
}

}  // namespace ffkit

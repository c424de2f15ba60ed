// The source duration of the conversion job, from the probe.
#include <QRegularExpression>

#include "engine/one_exporter.h"
#include "engine/stdout_log.h"
#include "platform/ffkit/probe.h"
#include "platform/foundation/files.h"

std::optional<media::Time> OneExporter::probe_duration()
{
    if (!raw_asset || !raw_asset->url().isLocalFile())
        return std::nullopt;
    const ffkit::ProbeSession session = ffkit::get_media_information(raw_asset->path());
    std::optional<QString> text;
    if (session.media_information)
        text = session.media_information->duration;
    if (!text)
        text = parse_ffprobe_duration(session.output);
    if (!text)
        return std::nullopt;
    // parse_double gives no infinite or NaN value, so anything unreadable counts as 0.
    return media::Time::from_seconds(foundation::parse_double(*text).value_or(0), 600);
}

std::optional<QString> OneExporter::parse_ffprobe_duration(const std::optional<QString>& text)
{
    if (!text)
        return std::nullopt;
    static const QRegularExpression pattern(QStringLiteral("\"duration\": \"(.*)\""),
                                            QRegularExpression::CaseInsensitiveOption);
    if (!pattern.isValid()) {
        logLine(pattern.errorString());
        return std::nullopt;
    }
    const QRegularExpressionMatch match = pattern.match(*text);
    if (!match.hasMatch())
        return std::nullopt;
    QString value = match.captured(0);
    value.remove(QStringLiteral("\"duration\": \""));
    value.remove(u'"');
    return value;
}

#include "log_line.h"

#include <QRegularExpression>
#include <array>
#include <utility>

namespace ffkit {

namespace {

constexpr std::array<std::pair<const char*, LogLevel>, 8> kLevels = {{
    {"panic", LogLevel::panic},
    {"fatal", LogLevel::fatal},
    {"error", LogLevel::error},
    {"warning", LogLevel::warning},
    {"info", LogLevel::info},
    {"verbose", LogLevel::verbose},
    {"debug", LogLevel::debug},
    {"trace", LogLevel::trace},
}};

std::optional<LogLevel> level_named(QStringView name)
{
    for (const auto& [text, level] : kLevels)
        if (name == QLatin1String(text))
            return level;
    return std::nullopt;
}

// libx265 prints on its own, past ffmpeg's log: "x265 [error]: …". Its line stays whole.
std::optional<LogLevel> encoder_line_level(const QString& line)
{
    static const QRegularExpression own(QStringLiteral(R"(^x265 \[(error|warning|info|debug)\]: )"));
    const QRegularExpressionMatch match = own.match(line);
    return match.hasMatch() ? level_named(match.capturedView(1)) : std::nullopt;
}

}  // namespace

Log read_log_line(int64_t session_id, const QString& line)
{
    // ffmpeg puts the level after the prefixes of the logging components, if any.
    static const QRegularExpression tagged(QStringLiteral(
        R"(^((?:\[[^\]]* @ (?:0x[0-9a-fA-F]+|\(nil\))\] )*)\[(panic|fatal|error|warning|info|verbose|debug|trace)\] )"));
    const QRegularExpressionMatch match = tagged.match(line);
    if (!match.hasMatch())
        return Log{session_id, line, encoder_line_level(line)};
    return Log{session_id, match.captured(1) + line.mid(match.capturedEnd(0)), level_named(match.capturedView(2))};
}

std::optional<int> reported_stop_signal(const Log& log)
{
    // ffmpeg's own last words after SIGINT or SIGTERM, logged without a component.
    static const QRegularExpression report(QStringLiteral(R"(^Exiting normally, received signal (\d{1,2})\.$)"));
    if (log.level != LogLevel::info)
        return std::nullopt;
    const QRegularExpressionMatch match = report.match(log.message);
    return match.hasMatch() ? std::optional<int>(match.capturedView(1).toInt()) : std::nullopt;
}

}  // namespace ffkit

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

}  // namespace

Log read_log_line(int64_t session_id, const QString& line)
{
    // ffmpeg puts the level after the prefixes of the logging components, if any.
    static const QRegularExpression tagged(QStringLiteral(
        R"(^((?:\[[^\]]* @ (?:0x[0-9a-fA-F]+|\(nil\))\] )*)\[(panic|fatal|error|warning|info|verbose|debug|trace)\] )"));
    const QRegularExpressionMatch match = tagged.match(line);
    if (!match.hasMatch())
        return Log{session_id, line, std::nullopt};
    Log log{session_id, match.captured(1) + line.mid(match.capturedEnd(0)), std::nullopt};
    for (const auto& [name, level] : kLevels)
        if (match.capturedView(2) == QLatin1String(name))
            log.level = level;
    return log;
}

}  // namespace ffkit

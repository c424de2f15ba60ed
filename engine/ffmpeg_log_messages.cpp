#include "ffmpeg_log_messages.h"

#include <QRegularExpression>

namespace {

// One or more "[component @ address] " prefixes at the start of a message.
const QString kPrefixes = QStringLiteral(R"((?:\[[^\]]* @ (?:0x[0-9a-fA-F]+|\(nil\))\] )+)");

}  // namespace

QString without_addresses(const QString& message)
{
    static const QRegularExpression prefixes(QStringLiteral("^") + kPrefixes);
    static const QRegularExpression address(QStringLiteral(R"( @ (?:0x[0-9a-fA-F]+|\(nil\))\])"));
    const QRegularExpressionMatch match = prefixes.match(message);
    if (!match.hasMatch())
        return message;
    QString bare = match.captured(0);
    bare.replace(address, QStringLiteral("]"));
    return bare + message.mid(match.capturedEnd(0));
}

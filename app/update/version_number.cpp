#include "app/update/version_number.h"

#include <QRegularExpression>
#include <charconv>
#include <cmath>

#include "platform/foundation/files.h"

namespace update {

std::optional<float> version_number(const QString& text)
{
    // Only plain decimal notation counts, not the C library's hexadecimal numbers.
    static const QRegularExpression decimal(QStringLiteral(R"(\A[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)?\z)"));
    if (!decimal.match(text).hasMatch())
        return std::nullopt;
    return foundation::parse_float(text);
}

QString version_text(float number)
{
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, number);
    QString text = error == std::errc() ? QString::fromLatin1(buffer, end - buffer) : QString();
    if (std::isfinite(number) && !text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e')))
        text += QStringLiteral(".0");
    return text;
}

}  // namespace update

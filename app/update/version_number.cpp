#include "app/update/version_number.h"

#include <QRegularExpression>
#include <charconv>
#include <cmath>

namespace update {

std::optional<float> version_number(const QString& text)
{
    // Only plain decimal notation counts: from_chars alone would also take "inf" and "nan".
    static const QRegularExpression decimal(QStringLiteral(R"(\A[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)?\z)"));
    if (!decimal.match(text).hasMatch())
        return std::nullopt;
    const QByteArray bytes = text.toLatin1();
    const char* begin = bytes.constData();
    if (*begin == '+')
        ++begin;
    float value = 0;
    const auto [end, error] = std::from_chars(begin, bytes.constData() + bytes.size(), value);
    if (error != std::errc() || end != bytes.constData() + bytes.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
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

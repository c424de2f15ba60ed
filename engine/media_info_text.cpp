#include "media_info_text.h"

#include <bit>
#include <climits>
#include <cmath>

#include "platform/media/identifiers.h"

namespace {

// A size side as a whole number, truncated toward zero; nonsense sizes count as 0.
int64_t whole_side(double side)
{
    if (!std::isfinite(side) || side <= -1e15 || side >= 1e15)
        return 0;
    return static_cast<int64_t>(side);
}

uint64_t magnitude(int64_t v)
{
    return v < 0 ? uint64_t(0) - uint64_t(v) : uint64_t(v);
}

}  // namespace

int64_t gcd(int64_t a, int64_t b)
{
    uint64_t u = magnitude(a), v = magnitude(b);
    if (u == 0)
        return int64_t(v);
    if (v == 0)
        return int64_t(u);
    // Common factors of two, then odd differences.
    const int shift = std::countr_zero(u | v);
    u >>= std::countr_zero(u);
    while (v != 0) {
        v >>= std::countr_zero(v);
        if (u > v)
            std::swap(u, v);
        v -= u;
    }
    return int64_t(u << shift);
}

QString size_text(int64_t width, int64_t height)
{
    if (width == 0 || height == 0)
        return QString();
    const int64_t g = gcd(width, height);
    return QStringLiteral(" %1X%2(%3:%4)").arg(width).arg(height).arg(width / g).arg(height / g);
}

QString fourcc_text(uint32_t code)
{
    QByteArray bytes;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = char((code >> shift) & 0xff);
        if (c == 0)
            break;
        bytes.append(c);
    }
    while (!bytes.isEmpty() && (bytes.front() == ' ' || bytes.front() == '\t'))
        bytes.remove(0, 1);
    while (!bytes.isEmpty() && (bytes.back() == ' ' || bytes.back() == '\t'))
        bytes.chop(1);
    // Bytes outside ASCII are no characters of any code page we could rely on: show them
    // as hexadecimal escapes rather than as unreadable symbols.
    QString text;
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80)
            text += QStringLiteral("\\x%1").arg(uint(byte), 2, 16, QLatin1Char('0'));
        else
            text += QLatin1Char(c);
    }
    return text;
}

QString track_format_text(const media::AssetTrack& track)
{
    QStringList parts;
    for (const auto& description : track.format_descriptions)
        parts << (description ? fourcc_text(description->media_subtype) : QString());
    return parts.join(QLatin1Char(','));
}

QString build_info_text(const media::Asset& asset)
{
    const auto& tracks = asset.tracks();
    const size_t n = tracks.size();
    QString text;
    for (size_t i = 0; i < n; ++i) {
        const media::AssetTrack& track = *tracks[i];
        QString line = QStringLiteral("%1-%2 %3").arg(n).arg(i + 1).arg(track.media_type);
        if (track.media_type == QLatin1String(AVMediaTypeVideo)) {
            line += size_text(whole_side(track.natural_size.width), whole_side(track.natural_size.height));
            line += QString::asprintf(" %.2f", double(track.nominal_frame_rate));
            line += QLatin1Char(' ') + track_format_text(track);
            const float megabits = track.estimated_data_rate / 1000000.0f;
            line += QString::asprintf(" %.2fMbps", double(megabits));
        } else if (track.media_type == QLatin1String(AVMediaTypeAudio)) {
            line += QLatin1Char(' ') + track_format_text(track);
        }
        text += line + QLatin1Char('\n');
    }
    return text;
}

QString duration_text(const media::Time& time)
{
    const double s = time.seconds();
    // Invalid, indefinite, infinite, negative or absurdly long times have no clock text.
    if (!std::isfinite(s) || s < 0 || s / 3600 >= double(INT_MAX))
        return QStringLiteral("00:00");
    const int h = int(s / 3600);
    const int m = int(std::fmod(s, 3600) / 60);
    const int sec = int(std::fmod(s, 60));
    if (h < 1)
        return QString::asprintf("%02i:%02i", m, sec);
    return QString::asprintf("%i:%02i:%02i", h, m, sec);
}

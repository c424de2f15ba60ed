#include "time.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <numeric>

namespace media {

namespace {

constexpr uint32_t kSpecial = Time::PositiveInfinity | Time::NegativeInfinity | Time::Indefinite;

// value * new_scale / old_scale rounded half away from zero, without overflow.
int64_t rescale(int64_t value, int64_t old_scale, int64_t new_scale)
{
    const __int128 num = static_cast<__int128>(value) * new_scale;
    __int128 q = num / old_scale;
    const __int128 r = num % old_scale;
    if (2 * (r < 0 ? -r : r) >= old_scale)
        q += (num < 0) ? -1 : 1;
    if (q > std::numeric_limits<int64_t>::max())
        return std::numeric_limits<int64_t>::max();
    if (q < std::numeric_limits<int64_t>::min())
        return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(q);
}

}  // namespace

Time Time::make(int64_t value, int32_t timescale)
{
    if (timescale <= 0)
        return invalid();
    return Time{value, timescale, Valid, 0};
}

Time Time::from_seconds(double seconds, int32_t timescale)
{
    if (std::isnan(seconds) || timescale <= 0)
        return invalid();
    if (std::isinf(seconds))
        return seconds > 0 ? positive_infinity() : negative_infinity();
    const double v = std::round(seconds * timescale);
    if (v >= 9.2e18 || v <= -9.2e18)
        return seconds > 0 ? positive_infinity() : negative_infinity();
    return make(static_cast<int64_t>(v), timescale);
}

bool Time::is_numeric() const { return is_valid() && (flags & kSpecial) == 0 && timescale > 0; }

double Time::seconds() const
{
    if (is_positive_infinity())
        return std::numeric_limits<double>::infinity();
    if (is_negative_infinity())
        return -std::numeric_limits<double>::infinity();
    if (!is_numeric())
        return std::numeric_limits<double>::quiet_NaN();
    return static_cast<double>(value) / timescale;
}

Time Time::converted(int32_t new_timescale) const
{
    if (!is_numeric() || new_timescale <= 0)
        return *this;
    Time t = make(rescale(value, timescale, new_timescale), new_timescale);
    if (rescale(t.value, new_timescale, timescale) != value)
        t.flags |= HasBeenRounded;
    return t;
}

std::string Time::description() const
{
    char buf[160];
    std::snprintf(buf, sizeof buf, "{%lld/%d = %.3f, flags:%u, epoch:%lld}",
                  static_cast<long long>(value), timescale, seconds(), flags,
                  static_cast<long long>(epoch));
    return buf;
}

namespace {

Time combine(const Time& a, const Time& b, int sign)
{
    if (!a.is_valid() || !b.is_valid())
        return Time::invalid();
    if (a.is_indefinite() || b.is_indefinite())
        return Time::indefinite();
    const bool a_inf = a.is_positive_infinity() || a.is_negative_infinity();
    const bool b_inf = b.is_positive_infinity() || b.is_negative_infinity();
    if (a_inf || b_inf) {
        const int sa = a.is_positive_infinity() ? 1 : a.is_negative_infinity() ? -1 : 0;
        const int sb = (b.is_positive_infinity() ? 1 : b.is_negative_infinity() ? -1 : 0) * sign;
        if (sa != 0 && sb != 0 && sa != sb)
            return Time::invalid();
        return (sa + sb) > 0 ? Time::positive_infinity() : Time::negative_infinity();
    }
    if (a.timescale == b.timescale)
        return Time::make(a.value + sign * b.value, a.timescale);
    const int64_t scale = std::lcm<int64_t>(a.timescale, b.timescale);
    const int32_t ts = scale <= std::numeric_limits<int32_t>::max()
                           ? static_cast<int32_t>(scale)
                           : std::max(a.timescale, b.timescale);
    const Time x = a.converted(ts), y = b.converted(ts);
    return Time::make(x.value + sign * y.value, ts);
}

}  // namespace

Time operator+(const Time& a, const Time& b) { return combine(a, b, 1); }
Time operator-(const Time& a, const Time& b) { return combine(a, b, -1); }

int compare(const Time& a, const Time& b)
{
    if (!a.is_valid() || !b.is_valid())
        return a.is_valid() == b.is_valid() ? 0 : (a.is_valid() ? 1 : -1);
    auto rank = [](const Time& t) {
        return t.is_negative_infinity() ? -1 : (t.is_positive_infinity() || t.is_indefinite()) ? 1 : 0;
    };
    const int ra = rank(a), rb = rank(b);
    if (ra != rb || ra != 0)
        return ra < rb ? -1 : (ra > rb ? 1 : 0);
    const __int128 l = static_cast<__int128>(a.value) * b.timescale;
    const __int128 r = static_cast<__int128>(b.value) * a.timescale;
    return l < r ? -1 : (l > r ? 1 : 0);
}

bool TimeRange::is_valid() const
{
    return start.is_valid() && duration.is_valid() && !duration.is_negative_infinity() &&
           !(duration.is_numeric() && duration.value < 0);
}

}  // namespace media

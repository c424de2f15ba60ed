#pragma once

#include <cstdint>
#include <string>

namespace media {

// A rational time: value / timescale seconds, with flags for the special values.
struct Time {
    enum Flags : uint32_t {
        Valid = 1,
        HasBeenRounded = 2,
        PositiveInfinity = 4,
        NegativeInfinity = 8,
        Indefinite = 16,
    };

    int64_t value = 0;
    int32_t timescale = 0;
    uint32_t flags = 0;
    int64_t epoch = 0;

    static Time make(int64_t value, int32_t timescale);
    // Seconds at the given timescale (600 by default), rounded to the nearest unit.
    static Time from_seconds(double seconds, int32_t timescale = 600);
    static Time zero() { return make(0, 1); }
    static Time invalid() { return Time{}; }
    static Time positive_infinity() { return Time{0, 0, Valid | PositiveInfinity, 0}; }
    static Time negative_infinity() { return Time{0, 0, Valid | NegativeInfinity, 0}; }
    static Time indefinite() { return Time{0, 0, Valid | Indefinite, 0}; }

    bool is_valid() const { return (flags & Valid) != 0; }
    bool is_numeric() const;  // valid and finite
    bool is_positive_infinity() const { return is_valid() && (flags & PositiveInfinity); }
    bool is_negative_infinity() const { return is_valid() && (flags & NegativeInfinity); }
    bool is_indefinite() const { return is_valid() && (flags & Indefinite); }

    // NaN for invalid or indefinite times, +-inf for the infinities.
    double seconds() const;
    // The same time at another timescale, rounded to the nearest unit.
    Time converted(int32_t new_timescale) const;

    // Printable form: {value/timescale = seconds, flags, epoch}.
    std::string description() const;
};

Time operator+(const Time& a, const Time& b);
Time operator-(const Time& a, const Time& b);
// Orders numeric times by value; -inf < numeric < +inf; invalid compares equal only to invalid.
int compare(const Time& a, const Time& b);
inline bool operator==(const Time& a, const Time& b) { return compare(a, b) == 0; }
inline bool operator<(const Time& a, const Time& b) { return compare(a, b) < 0; }
inline bool operator<=(const Time& a, const Time& b) { return compare(a, b) <= 0; }
inline bool operator>(const Time& a, const Time& b) { return compare(a, b) > 0; }
inline bool operator>=(const Time& a, const Time& b) { return compare(a, b) >= 0; }

struct TimeRange {
    Time start = Time::zero();
    Time duration = Time::zero();

    static TimeRange make(Time start, Time duration) { return {start, duration}; }
    // From zero to positive infinity: "everything".
    static TimeRange everything() { return {Time::zero(), Time::positive_infinity()}; }
    Time end() const { return start + duration; }
    bool is_valid() const;
    bool contains(const Time& t) const { return t >= start && t < end(); }
};

}  // namespace media

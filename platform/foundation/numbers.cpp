#include <cerrno>
#include <cmath>
#include <ctype.h>
#include <locale.h>
#include <stdlib.h>
#include <string>
#include <type_traits>

#include "files.h"

namespace foundation {

namespace {

// The user's locale must not turn "12,5" into a number or "12.5" into 12.
locale_t c_locale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return locale;
}

// strto* skip leading blanks; a whole-string parse must not.
bool starts_like_a_number(const std::string& text)
{
    return !text.empty() && !isspace_l(static_cast<unsigned char>(text.front()), c_locale());
}

// Runs one C-library conversion over the whole text; nullopt unless it consumed every
// character and gave a usable value (finite, in range).
template <typename T, typename Convert>
std::optional<T> parse_whole(const QString& text, Convert convert)
{
    const std::string s = text.toStdString();
    if (!starts_like_a_number(s))
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const T value = convert(s.c_str(), &end);
    if (end != s.c_str() + s.size())
        return std::nullopt;
    if constexpr (std::is_floating_point_v<T>) {
        if (!std::isfinite(value))
            return std::nullopt;
    } else if (errno == ERANGE) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<double> parse_double(const QString& text)
{
    return parse_whole<double>(text, [](const char* s, char** end) { return strtod_l(s, end, c_locale()); });
}

std::optional<float> parse_float(const QString& text)
{
    return parse_whole<float>(text, [](const char* s, char** end) { return strtof_l(s, end, c_locale()); });
}

std::optional<long long> parse_integer(const QString& text)
{
    return parse_whole<long long>(text,
                                  [](const char* s, char** end) { return strtoll_l(s, end, 10, c_locale()); });
}

}  // namespace foundation

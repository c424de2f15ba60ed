#include <cerrno>
#include <cmath>
#include <ctype.h>
#include <locale.h>
#include <stdlib.h>
#include <string>

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

}  // namespace

std::optional<double> parse_double(const QString& text)
{
    const std::string s = text.toStdString();
    if (!starts_like_a_number(s))
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const double value = strtod_l(s.c_str(), &end, c_locale());
    if (end != s.c_str() + s.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<long long> parse_integer(const QString& text)
{
    const std::string s = text.toStdString();
    if (!starts_like_a_number(s))
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long long value = strtoll_l(s.c_str(), &end, 10, c_locale());
    if (end != s.c_str() + s.size() || errno == ERANGE)
        return std::nullopt;
    return value;
}

}  // namespace foundation

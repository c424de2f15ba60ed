#pragma once

#include <QString>
#include <cstring>

namespace media {

// An error of the media layer, with a description for people.
struct Error {
    QString domain;
    int code = 0;
    QString description;
};

// The domain of errors whose code is a system error number (errno).
inline constexpr const char* kPOSIXErrorDomain = "posix";

// A failure caused by the system error `code`: "what: <the system's text for code>".
inline Error posix_error(int code, const QString& what)
{
    return Error{QString::fromLatin1(kPOSIXErrorDomain), code,
                 what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(code))};
}

inline bool is_posix_error(const Error& error, int code)
{
    return error.domain == QLatin1String(kPOSIXErrorDomain) && error.code == code;
}

}  // namespace media

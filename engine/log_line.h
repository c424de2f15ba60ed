#pragma once

#include <QString>
#include <cstdio>
#include <mutex>

// Writes one plain line on stdout; lines from different threads never interleave.
inline void log_line(const QString& line)
{
    static std::mutex lock;
    const QByteArray bytes = line.toUtf8();
    std::lock_guard guard(lock);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

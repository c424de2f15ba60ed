#include "stdout_log.h"

#include <cstdio>
#include <mutex>

void logLine(const QString& line)
{
    static std::mutex lock;
    const QByteArray bytes = line.toUtf8();
    std::lock_guard guard(lock);
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

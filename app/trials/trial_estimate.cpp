#include "app/trials/trial_estimate.h"

#include <QLocale>
#include <cmath>

std::optional<int64_t> estimate_output_size(uint64_t trial_bytes, double source_seconds, double trial_seconds)
{
    if (!std::isfinite(source_seconds) || !(source_seconds > 0) || !std::isfinite(trial_seconds) ||
        !(trial_seconds > 0))
        return std::nullopt;
    const double estimate = std::trunc(double(trial_bytes) * (source_seconds / trial_seconds));
    // 2^63 is the first double past the signed 64-bit range.
    if (!std::isfinite(estimate) || estimate >= 9223372036854775808.0)
        return std::nullopt;
    return int64_t(estimate);
}

QString byte_count_text(int64_t bytes)
{
    return QLocale().formattedDataSize(bytes, 2, QLocale::DataSizeSIFormat);
}

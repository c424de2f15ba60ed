#include "app/update/skip_record.h"

#include <QSettings>

#include "app/update/version_number.h"

namespace update {

namespace {
// A remembered text that is not a number counts as 0.
float remembered_number(const QSettings& settings, const char* key, const QString& absent)
{
    return version_number(settings.value(QLatin1String(key), absent).toString()).value_or(0.0f);
}
}  // namespace

bool alert_skipped(float own_version, float store_version)
{
    // A QSettings of its own: the check runs off the main thread.
    QSettings settings;
    const bool flag = settings.value(QLatin1String(kNoAlertAgainKey), false).toBool();
    // Nothing remembered yet: the flag alone decides, and nothing is written.
    if (!settings.contains(QLatin1String(kSkippedOwnVersionKey)))
        return flag;
    const float remembered_own = remembered_number(settings, kSkippedOwnVersionKey, QString());
    const float remembered_store = remembered_number(settings, kSkippedStoreVersionKey, QStringLiteral("0"));
    if (flag && own_version == remembered_own && store_version == remembered_store)
        return true;
    settings.setValue(QLatin1String(kNoAlertAgainKey), false);
    settings.sync();
    return false;
}

void remember_skip(const QString& own_version_text, const QString& store_version_text)
{
    QSettings settings;
    settings.setValue(QLatin1String(kNoAlertAgainKey), true);
    settings.setValue(QLatin1String(kSkippedOwnVersionKey), own_version_text);
    settings.setValue(QLatin1String(kSkippedStoreVersionKey), store_version_text);
    settings.sync();
}

}  // namespace update

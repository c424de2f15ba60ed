#include "app/batch/review_prompt.h"

#include <QSettings>
#include <chrono>

#include "app/build_info.h"
#include "app/table/view_controller.h"
#include "engine/stdout_log.h"
#include "platform/dispatch/queue.h"

namespace review {

namespace {

const QString kCountKey = QStringLiteral("requestReviewID");
const QString kVersionKey = QStringLiteral("lastVersionPromptedForReview");
constexpr std::chrono::milliseconds kRequestDelay{2000};

RequestHook& hook()
{
    static RequestHook instance;
    return instance;
}

}  // namespace

void set_request_hook(RequestHook new_hook) { hook() = std::move(new_hook); }

void check_request_review(const QString& build_version)
{
    QSettings settings;
    const qint64 n = settings.value(kCountKey, 0).toLongLong() + 1;
    settings.setValue(kCountKey, n);
    // The version is fixed when the program is built; a build without one asks for nothing.
    if (build_version.isEmpty()) {
        logLine(QStringLiteral("no build version: the review request is skipped"));
        return;
    }
    const QVariant stored = settings.value(kVersionKey);
    const std::optional<QString> last = stored.isValid() ? std::optional<QString>(stored.toString()) : std::nullopt;
    logLine(build_version + u' ' + last.value_or(QStringLiteral("nil")) + u' ' +
            (n > 4 ? QStringLiteral("true") : QStringLiteral("false")) + u' ' + QString::number(n));
    if (n >= 5 && last != build_version)
        dispatch::Queue::main().after(kRequestDelay, [build_version] { request_review(build_version); });
}

void request_review(const QString& version)
{
    if (hook())
        hook()(version);
    else
        logLine(QStringLiteral("requestReview ") + version);
    QSettings().setValue(kVersionKey, version);
}

}  // namespace review

void ViewController::check_request_review()
{
    review::check_request_review(QString::fromUtf8(build_info::build_version));
}

#include "app/update/update_manager.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>
#include <QUrl>
#include <QVariantList>
#include <optional>

#include "app/build_info.h"
#include "app/update/lookup_read.h"
#include "app/update/skip_record.h"
#include "app/update/update_alert.h"
#include "app/update/version_number.h"
#include "engine/stdout_log.h"
#include "platform/desktop/services.h"

namespace {

// The alert comes this long after the check has decided to show it.
constexpr std::chrono::milliseconds kAlertDelay(2000);

// The lookup address: the service's scheme and host, path "/lookup", query key "id".
// Empty when the configured address is no http or https address with a host.
QUrl lookup_url(const QString& address, const QString& app_id)
{
    QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return {};
    QString path = url.path();
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    url.setPath(path + QStringLiteral("/lookup"));
    url.setQuery(QStringLiteral("id=") + QString::fromLatin1(QUrl::toPercentEncoding(app_id)));
    return url;
}

// The answer as text; nullopt when it is not valid UTF-8.
std::optional<QString> utf8_text(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// "results", its last element, that element's "version": the store's version text.
std::optional<QString> store_version_text(const QVariantMap& answer)
{
    const QVariant results = answer.value(QStringLiteral("results"));
    if (results.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    const QVariantList list = results.toList();
    if (list.isEmpty() || list.last().typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariant version = list.last().toMap().value(QStringLiteral("version"));
    if (version.typeId() != QMetaType::QString)
        return std::nullopt;
    return version.toString();
}

}  // namespace

UpdateManager::Config UpdateManager::Config::from_build()
{
    Config config;
    config.lookup_address = QString::fromUtf8(build_info::update_lookup_url);
    config.app_id = QString::fromUtf8(build_info::update_app_id);
    config.own_version = QString::fromUtf8(build_info::short_version);
    config.product_page = QString::fromUtf8(build_info::product_page_url);
    return config;
}

UpdateManager::UpdateManager(Config config)
    : queue(dispatch::Queue::concurrent("update_manager_queue")), config_(std::move(config))
{
}

std::weak_ptr<UpdateManager> UpdateManager::start(Config config)
{
    const QUrl url = lookup_url(config.lookup_address, config.app_id);
    // No service to ask: the check ends at once, as a failed read does.
    if (url.isEmpty())
        return {};
    std::shared_ptr<UpdateManager> manager(new UpdateManager(std::move(config)));
    // The read runs on the main thread's event loop without blocking it; the rest of the
    // check runs on the manager's queue.
    update::LookupRead::start(url, manager->config_.timeout, [manager](std::optional<QByteArray> answer) {
        if (answer)
            manager->group.async(manager->queue, [manager, bytes = std::move(*answer)] { manager->check_update(bytes); });
    });
    return manager;
}

QVariantMap UpdateManager::parse_json(const QString& text)
{
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    return document.isObject() ? document.object().toVariantMap() : QVariantMap();
}

void UpdateManager::check_update(const QByteArray& answer)
{
    const std::optional<QString> text = utf8_text(answer);
    if (!text)
        return;
    const std::optional<QString> store_text = store_version_text(parse_json(*text));
    if (!store_text)
        return;
    const std::optional<float> store_version = update::version_number(*store_text);
    const std::optional<float> own_version = update::version_number(config_.own_version);
    if (!store_version || !own_version)
        return;
    const bool skipped = update::alert_skipped(*own_version, *store_version);
    if (*store_version > *own_version && !skipped) {
        dispatch::Queue::main().after(kAlertDelay, [self = shared_from_this(), own = *own_version, store = *store_version,
                                                    own_text = config_.own_version, store_text = *store_text] {
            self->show_update_alert(own, store, own_text, store_text);
        });
        return;
    }
    logLine(QStringLiteral("已经是最新版本了哦"));
}

void UpdateManager::show_update_alert(float own_version, float store_version, const QString& own_text,
                                      const QString& store_text)
{
    QWidget* window = update::first_window();
    if (!window)
        return;
    update::show_alert(window, own_version, store_version,
                       [self = shared_from_this(), store_text, own_text](int code) {
                           self->on_update_alert_response(code, store_text, own_text);
                       });
}

void UpdateManager::on_update_alert_response(int code, const QString& store_text, const QString& own_text)
{
    if (code == update::kGoToUpdateAnswer)
        open_update_page();
    else if (code == update::kSkipAnswer)
        skip_this_version(store_text, own_text);
}

void UpdateManager::skip_this_version(const QString& store_text, const QString& own_text)
{
    update::remember_skip(own_text, store_text);
}

void UpdateManager::open_update_page()
{
    const QUrl page(config_.product_page, QUrl::StrictMode);
    if (page.isValid() && !page.isEmpty())
        desktop::services().open_url(page);
}

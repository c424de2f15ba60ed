#pragma once

#include <QString>
#include <QVariantMap>
#include <chrono>
#include <memory>

#include "platform/dispatch/queue.h"
#include "platform/dispatch/sync.h"

// The version check: once per launch it asks the lookup service for the newest version of the
// application and, when that is newer than its own and the user has not skipped it, offers it
// in an alert on the first window. Every failure ends the check silently.
class UpdateManager : public std::enable_shared_from_this<UpdateManager> {
public:
    // Where the check looks and what it compares with; the defaults come from the build.
    struct Config {
        QString lookup_address;  // scheme and host of the lookup service; empty: no check
        QString app_id;          // the application's identifier there (query key "id")
        QString own_version;     // the application's own version text
        QString product_page;    // the page the first button opens
        std::chrono::milliseconds timeout = std::chrono::seconds(15);  // for the whole read

        static Config from_build();
    };

    // Creates a manager and starts its check; call on the main thread. The check keeps the
    // manager alive until it ends, or until the user answers the alert; the result only
    // observes that.
    static std::weak_ptr<UpdateManager> start(Config config = Config::from_build());

    // The answer as a JSON object; empty when the text is no JSON object.
    static QVariantMap parse_json(const QString& text);

private:
    explicit UpdateManager(Config config);

    void check_update(const QByteArray& answer);
    void show_update_alert(float own_version, float store_version, const QString& own_text,
                           const QString& store_text);
    void on_update_alert_response(int code, const QString& store_text, const QString& own_text);
    void open_update_page();
    void skip_this_version(const QString& store_text, const QString& own_text);

    const dispatch::Group group;
    const dispatch::Queue queue;
    const Config config_;
};

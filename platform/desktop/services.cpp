#include "platform/desktop/services.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>

namespace desktop {
namespace {

const QString kFileManager = QStringLiteral("org.freedesktop.FileManager1");

// A folder opens itself; a file opens the folder that holds it.
void open_holding_folder(const QUrl& url)
{
    const QFileInfo info(url.toLocalFile());
    QDesktopServices::openUrl(QUrl::fromLocalFile(info.isDir() ? info.absoluteFilePath() : info.absolutePath()));
}

class DesktopServices : public Services {
public:
    explicit DesktopServices(const QDBusConnection& bus) : bus_(bus) {}

    void reveal(const QUrl& url) override
    {
        if (!bus_.isConnected()) {
            open_holding_folder(url);
            return;
        }
        QDBusMessage call = QDBusMessage::createMethodCall(kFileManager, QStringLiteral("/org/freedesktop/FileManager1"),
                                                           kFileManager, QStringLiteral("ShowItems"));
        call << QStringList{url.toString(QUrl::FullyEncoded)} << QString();
        // Asynchronous: a file manager that the bus first has to start must not freeze the window.
        auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call));
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [url](QDBusPendingCallWatcher* done) {
            if (done->isError())
                open_holding_folder(url);
            done->deleteLater();
        });
    }

    bool open_url(const QUrl& url) override { return QDesktopServices::openUrl(url); }

private:
    QDBusConnection bus_;
};

Services* g_replacement = nullptr;

}  // namespace

Services& services()
{
    // Never destroyed: its bus connection must not outlive the application object at exit.
    static Services* const real = make_desktop_services(QDBusConnection::sessionBus()).release();
    return g_replacement ? *g_replacement : *real;
}

void set_services(Services* replacement) { g_replacement = replacement; }

std::unique_ptr<Services> make_desktop_services(const QDBusConnection& bus)
{
    return std::make_unique<DesktopServices>(bus);
}

}  // namespace desktop

#include "platform/desktop/services.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>

namespace desktop {
namespace {

constexpr const char* kFileManagerService = "org.freedesktop.FileManager1";

// The freedesktop file-manager interface selects the item; without a session bus or a file
// manager that offers it, the folder that holds the item is opened instead.
class RealServices : public Services {
public:
    void reveal(const QUrl& url) override
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (bus.isConnected() && bus.interface()
            && bus.interface()->isServiceRegistered(QString::fromLatin1(kFileManagerService)).value()) {
            QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kFileManagerService),
                QStringLiteral("/org/freedesktop/FileManager1"), QString::fromLatin1(kFileManagerService),
                QStringLiteral("ShowItems"));
            call << QStringList{url.toString(QUrl::FullyEncoded)} << QString();
            if (bus.send(call))
                return;
        }
        const QFileInfo info(url.toLocalFile());
        QDesktopServices::openUrl(QUrl::fromLocalFile(info.isDir() ? info.absoluteFilePath() : info.absolutePath()));
    }

    bool open_url(const QUrl& url) override { return QDesktopServices::openUrl(url); }
};

Services* g_replacement = nullptr;

}  // namespace

Services& services()
{
    static RealServices real;
    return g_replacement ? *g_replacement : real;
}

void set_services(Services* replacement) { g_replacement = replacement; }

}  // namespace desktop

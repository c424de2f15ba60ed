#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include "app_env.h"
#include "platform/desktop/services.h"

namespace {

// A private session bus for one test, so that the test decides which services exist.
class PrivateBus {
public:
    PrivateBus()
    {
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        if (daemon_.waitForStarted(120000) && daemon_.waitForReadyRead(120000))
            address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        for (const QString& name : names_)
            QDBusConnection::disconnectFromBus(name);
        daemon_.kill();
        daemon_.waitForFinished(120000);
    }
    // A new connection to the bus under its own name.
    QDBusConnection connect(const QString& name)
    {
        names_ << name;
        return QDBusConnection::connectToBus(address_, name);
    }
    bool ok() const { return !address_.isEmpty(); }

private:
    QProcess daemon_;
    QString address_;
    QStringList names_;
};

// Stands in for the file manager on the private bus and records what it was asked to show.
class FileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;
    QString startup_id = QStringLiteral("unset");
public slots:
    Q_SCRIPTABLE void ShowItems(const QStringList& uris, const QString& startup)
    {
        shown << uris;
        startup_id = startup;
    }
};

// Records what the desktop was asked to open when the file manager could not be reached.
class OpenedFolders : public QObject {
    Q_OBJECT
public:
    OpenedFolders() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~OpenedFolders() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

}  // namespace

// Revealing asks the file manager on the bus to show the item, even one whose name needs
// escaping, and opens nothing else.
TEST(ShellDesktop, RevealAsksTheFileManagerOnTheBus)
{
    apptest::AppEnv env;
    PrivateBus bus;
    ASSERT_TRUE(bus.ok());
    QDBusConnection service_side = bus.connect(QStringLiteral("file-manager"));
    FileManager manager;
    ASSERT_TRUE(service_side.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager,
                                            QDBusConnection::ExportScriptableSlots));
    ASSERT_TRUE(service_side.registerService(QStringLiteral("org.freedesktop.FileManager1")));
    OpenedFolders opened;

    const std::unique_ptr<desktop::Services> services = desktop::make_desktop_services(bus.connect(QStringLiteral("app")));
    const QUrl file = QUrl::fromLocalFile(QString::fromStdString(env.home()) + QStringLiteral("/a #1 ü.mov"));
    services->reveal(file);
    ASSERT_TRUE(testsupport::pump_until([&] { return !manager.shown.isEmpty(); }));
    EXPECT_EQ(manager.shown, QStringList{file.toString(QUrl::FullyEncoded)});
    EXPECT_EQ(QUrl(manager.shown.first()).toLocalFile(), file.toLocalFile());
    EXPECT_EQ(manager.startup_id, QString());
    testsupport::pump_until([] { return false; }, std::chrono::milliseconds(100));
    EXPECT_TRUE(opened.urls.isEmpty());
}

// Without the file manager on the bus, or without a bus, the folder holding a file opens,
// and a folder opens itself.
TEST(ShellDesktop, RevealFallsBackToOpeningTheFolderWithoutTheFileManager)
{
    apptest::AppEnv env;
    PrivateBus bus;
    ASSERT_TRUE(bus.ok());
    OpenedFolders opened;
    const QString home = QString::fromStdString(env.home());
    const QString folder = home + QStringLiteral("/out put");
    ASSERT_TRUE(QDir().mkpath(folder));

    const std::unique_ptr<desktop::Services> on_bus = desktop::make_desktop_services(bus.connect(QStringLiteral("app")));
    on_bus->reveal(QUrl::fromLocalFile(folder + QStringLiteral("/clip.mov")));
    ASSERT_TRUE(testsupport::pump_until([&] { return opened.urls.size() == 1; }));
    EXPECT_EQ(opened.urls[0], QUrl::fromLocalFile(folder));

    const std::unique_ptr<desktop::Services> no_bus =
        desktop::make_desktop_services(QDBusConnection(QStringLiteral("never connected")));
    no_bus->reveal(QUrl::fromLocalFile(folder));
    ASSERT_EQ(opened.urls.size(), 2);
    EXPECT_EQ(opened.urls[1], QUrl::fromLocalFile(folder));
}

#include "shell_desktop_test.moc"

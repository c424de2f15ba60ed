#pragma once

#include <QDBusConnection>
#include <QUrl>
#include <memory>

// The desktop's services that the application calls: the file manager and the browser.
// Tests replace them with set_services.
namespace desktop {

class Services {
public:
    virtual ~Services() = default;
    // Shows the file or folder selected in the file manager.
    virtual void reveal(const QUrl& url) = 0;
    // Opens the address with the desktop's default handler; false when nothing took it.
    virtual bool open_url(const QUrl& url) = 0;
};

// The services in use: the real desktop's unless a replacement is set.
Services& services();
// Replaces the services (nullptr restores the real ones). The caller keeps ownership.
void set_services(Services* replacement);

// The real services, talking to the file manager on the given bus (the session bus in the
// application). Revealing asks the bus's org.freedesktop.FileManager1 to show the item; when
// the bus is not connected or the call fails (no such service), the folder that holds the
// item opens instead. It never waits for the bus.
std::unique_ptr<Services> make_desktop_services(const QDBusConnection& bus);

}  // namespace desktop

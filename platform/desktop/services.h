#pragma once

#include <QUrl>

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

}  // namespace desktop

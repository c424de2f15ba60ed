#pragma once

#include <QList>
#include <QSettings>
#include <QStringList>
#include <QUrl>
#include <memory>

#include "platform/desktop/services.h"
#include "support/support.h"

namespace apptest {

// A test's own home: HOME, the XDG folders and QSettings point into a fresh temporary
// directory for the test's life, so nothing leaks between tests or into the machine.
class AppEnv {
public:
    AppEnv();
    ~AppEnv();
    AppEnv(const AppEnv&) = delete;
    AppEnv& operator=(const AppEnv&) = delete;

    const std::string& home() const { return home_.path(); }

private:
    testsupport::TempDir home_;
    QByteArray old_home_, old_config_, old_data_, old_videos_;
};

// The log lines (standard output) written while it lives.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Ends the capture and gives its lines.
    QStringList take();

private:
    bool capturing_ = true;
};

// Stands in for the desktop (file manager, browser) while it lives and records the requests.
class RecordingDesktop : public desktop::Services {
public:
    RecordingDesktop();
    ~RecordingDesktop() override;

    void reveal(const QUrl& url) override { revealed << url; }
    bool open_url(const QUrl& url) override
    {
        opened << url;
        return true;
    }

    QList<QUrl> revealed;
    QList<QUrl> opened;
};

}  // namespace apptest

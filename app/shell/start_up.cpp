#include "app/shell/start_up.h"

#include <QApplication>

#include "app/shell/app_delegate.h"
#include "app/shell/main_window.h"
#include "engine/stdout_log.h"

void configure_application(QApplication& app, const QString& name)
{
    // An empty name makes Qt fall back to the program's file name.
    QApplication::setApplicationName(name);
    if (name.isEmpty())
        logLine(QStringLiteral("The application has no name; using the program's: ") + QApplication::applicationName());
    QApplication::setOrganizationName(QString::fromUtf8(build_info::organization));
    QApplication::setApplicationVersion(QString::fromUtf8(build_info::short_version));
    app.setQuitOnLastWindowClosed(AppDelegate::applicationShouldTerminateAfterLastWindowClosed());
}

std::unique_ptr<MainWindow> launch(AppDelegate& delegate)
{
    delegate.applicationDidFinishLaunching();
    auto window = std::make_unique<MainWindow>();
    window->show();
    return window;
}

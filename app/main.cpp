#include <QApplication>

#include "app/shell/app_delegate.h"
#include "app/shell/main_window.h"
#include "app/shell/translations.h"
#include "app/build_info.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(build_info::app_name));
    QApplication::setOrganizationName(QString::fromUtf8(build_info::organization));
    QApplication::setApplicationVersion(QString::fromUtf8(build_info::short_version));
    install_translations(app);

    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    MainWindow window;
    window.show();
    return app.exec();
}

#include <QApplication>

#include "app/shell/app_delegate.h"
#include "app/shell/main_window.h"
#include "app/shell/quit_on_signals.h"
#include "app/shell/start_up.h"
#include "app/shell/translations.h"
#include "platform/foundation/memory.h"

int main(int argc, char* argv[])
{
    foundation::tune_malloc();
    QApplication app(argc, argv);
    // First, so that a signal during start-up already takes the orderly road.
    QuitOnSignals quit_on_signals;
    configure_application(app);
    install_translations(app);
    AppDelegate delegate;
    const std::unique_ptr<MainWindow> window = launch(delegate);
    return app.exec();
}

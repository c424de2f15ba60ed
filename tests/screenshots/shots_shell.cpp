#include <QMenu>

#include "app/shell/help_view_controller.h"
#include "app/shell/main_window.h"
#include "shots.h"

namespace {
const shots::Registrar main_window("main_window", [] { return new MainWindow; });
const shots::Registrar help_window("help_window", [] { return new Help_ViewController; });
// The Help menu on its own, as it drops down; its window goes with it.
const shots::Registrar help_menu("help_menu", [] {
    auto* window = new MainWindow;
    QObject::connect(window->help_menu, &QObject::destroyed, window, &QObject::deleteLater);
    return window->help_menu;
});
}  // namespace

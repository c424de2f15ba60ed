#include <QFileDialog>
#include <QMenu>

#include "app/settings/setup_ns_view_controller.h"
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
// The output folder dialog, which shows Qt's own texts in the window's language.
const shots::Registrar folder_dialog("output_folder_dialog", [] {
    auto* column = new Setup_NSViewController;
    column->out_path_ac();
    QObject::connect(column->folder_dialog, &QObject::destroyed, column, &QObject::deleteLater);
    column->folder_dialog->resize(760, 460);
    return column->folder_dialog.data();
});
}  // namespace

#include "app/shell/help_view_controller.h"
#include "app/shell/main_window.h"
#include "shots.h"

namespace {
const shots::Registrar main_window("main_window", [] { return new MainWindow; });
const shots::Registrar help_window("help_window", [] { return new Help_ViewController; });
}  // namespace

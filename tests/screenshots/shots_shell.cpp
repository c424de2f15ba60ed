#include "app/shell/main_window.h"
#include "shots.h"

namespace {
const shots::Registrar main_window("main_window", [] { return new MainWindow; });
}  // namespace

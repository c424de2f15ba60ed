// Temporary bodies until the batch runner is built.
#include "app/table/view_controller.h"

void ViewController::start_run() {}
void ViewController::stop_run() {}
void ViewController::export_progress(float) {}
void ViewController::export_finished(const QUrl&) {}

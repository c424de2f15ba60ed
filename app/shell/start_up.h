#pragma once

#include <QString>
#include <memory>

#include "app/build_info.h"

class QApplication;
class AppDelegate;
class MainWindow;

// The application's names and version, and quitting when its last window closes. An empty
// name leaves the program's own file name in place (logged), so that the settings and the
// default output folder still have one.
void configure_application(QApplication& app, const QString& name = QString::fromUtf8(build_info::app_name));

// The launch: the delegate's start-up steps first, then the main window, shown.
std::unique_ptr<MainWindow> launch(AppDelegate& delegate);

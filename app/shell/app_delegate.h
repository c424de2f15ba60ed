#pragma once

#include <QObject>

// The application's start-up steps and its menu actions that open web pages.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Registers the name tables, then starts the version check.
    void applicationDidFinishLaunching();

public slots:
    void adout_us();
    void more_excellent_app();
};

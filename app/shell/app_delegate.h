#pragma once

#include <QObject>

// The application's start-up steps, its answer on quitting, and the menu actions that open
// web pages. It keeps no state.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Registers the name tables (file types, video codecs, audio formats), then starts the
    // version check without waiting for it.
    void applicationDidFinishLaunching();

    // Closing the last window quits the application.
    static bool applicationShouldTerminateAfterLastWindowClosed() { return true; }

    // Menu actions: the maker's page about itself and its page of other applications.
    static void adout_us();
    static void more_excellent_app();
};

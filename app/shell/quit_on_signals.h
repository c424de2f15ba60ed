#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM and SIGINT end the application the orderly way: they close every window, as if the
// user had closed them, and the application quits when the last one has closed (see
// MainWindow::closeEvent). The handler only writes a byte into a pipe; the event loop reads it.
// One instance at a time; it restores the default handlers when it goes.
class QuitOnSignals : public QObject {
    Q_OBJECT
public:
    explicit QuitOnSignals(QObject* parent = nullptr);
    ~QuitOnSignals() override;

private:
    void signal_arrived();
    QSocketNotifier* notifier_ = nullptr;
};

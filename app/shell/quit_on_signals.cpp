#include "app/shell/quit_on_signals.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "engine/stdout_log.h"

namespace {

int g_pipe[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGINT};

// Async-signal-safe: one write, errno kept for the interrupted code.
void on_signal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

void set_handler(void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : kSignals)
        sigaction(number, &action, nullptr);
}

}  // namespace

QuitOnSignals::QuitOnSignals(QObject* parent) : QObject(parent)
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        // Without the pipe the signals keep their default action, which still ends the process.
        logLine(QStringLiteral("Could not watch for SIGTERM and SIGINT: ") + QString::fromLocal8Bit(std::strerror(errno)));
        g_pipe[0] = g_pipe[1] = -1;
        return;
    }
    notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &QuitOnSignals::signal_arrived);
    set_handler(on_signal);
}

QuitOnSignals::~QuitOnSignals()
{
    if (!notifier_)
        return;
    set_handler(SIG_DFL);
    delete notifier_;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void QuitOnSignals::signal_arrived()
{
    char bytes[64];
    while (::read(g_pipe[0], bytes, sizeof bytes) > 0) {
    }
    // The same road as the user closing the windows. A window that must first finish its work
    // refuses the close and closes itself later; the others still close now, so that the
    // application ends as soon as that one has.
    QList<QPointer<QWidget>> windows;
    for (QWidget* window : QApplication::topLevelWidgets())
        windows << window;
    for (const QPointer<QWidget>& window : windows) {
        if (window && window->isVisible())
            window->close();
    }
}

#include "main_loop.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "pool.h"

namespace dispatch::detail {

namespace {

using Clock = std::chrono::steady_clock;

QCoreApplication* application()
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        std::printf("dispatch: no application object; a main-queue task was dropped\n");
        std::fflush(stdout);
    }
    return app;
}

// Main thread only. Re-arms itself if the timer fires early, so the delay is a lower bound.
void start_timer(Clock::time_point deadline, Task task)
{
    const auto left = std::max(std::chrono::milliseconds(0),
                               std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()));
    QTimer::singleShot(left, Qt::PreciseTimer, QCoreApplication::instance(),
                       [deadline, task = std::move(task)]() mutable {
                           if (Clock::now() < deadline)
                               start_timer(deadline, std::move(task));
                           else
                               run_guarded(task);
                       });
}

}  // namespace

bool on_main_thread()
{
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

bool post_to_main(Task task)
{
    QCoreApplication* app = application();
    if (!app)
        return false;
    return QMetaObject::invokeMethod(
        app, [task = std::move(task)] { run_guarded(task); }, Qt::QueuedConnection);
}

bool post_to_main_at(Clock::time_point deadline, Task task)
{
    if (on_main_thread()) {
        start_timer(deadline, std::move(task));
        return true;
    }
    QCoreApplication* app = application();
    if (!app)
        return false;
    return QMetaObject::invokeMethod(
        app, [deadline, task = std::move(task)]() mutable { start_timer(deadline, std::move(task)); },
        Qt::QueuedConnection);
}

}  // namespace dispatch::detail

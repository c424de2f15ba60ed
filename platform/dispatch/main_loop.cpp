#include "main_loop.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <deque>
#include <mutex>
#include <sys/eventfd.h>
#include <unistd.h>

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

// Tasks travel to the main thread through this queue, and an eventfd watched by a socket
// notifier on the main thread wakes the loop. Posting a Qt event per task would hand Qt's own
// event objects across threads, whose locking the thread sanitizer cannot see.
struct Handoff {
    std::mutex mutex;
    std::deque<Task> tasks;
    const int wake_fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
};

// Never destroyed: other threads may still post while the process exits.
Handoff& handoff()
{
    static Handoff* instance = new Handoff;
    return *instance;
}

// Runs the tasks that were queued when it started; later ones come with the next wake-up,
// so a task that posts again cannot keep the loop from its other events.
void run_queued()
{
    Handoff& h = handoff();
    uint64_t count = 0;
    if (::read(h.wake_fd, &count, sizeof count) < 0) {
        // Nothing to clear (already read by a nested call): the queue below decides.
    }
    size_t pending = 0;
    {
        std::lock_guard lock(h.mutex);
        pending = h.tasks.size();
    }
    for (; pending > 0; --pending) {
        Task task;
        {
            std::lock_guard lock(h.mutex);
            if (h.tasks.empty())
                return;
            task = std::move(h.tasks.front());
            h.tasks.pop_front();
        }
        run_guarded(task);
    }
}

// Called on the main thread whenever an application object is constructed.
void watch_wake_fd()
{
    if (handoff().wake_fd < 0)
        return;
    auto* notifier = new QSocketNotifier(handoff().wake_fd, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] { run_queued(); });
}

Q_COREAPP_STARTUP_FUNCTION(watch_wake_fd)

void wake_main(QCoreApplication* app)
{
    const uint64_t one = 1;
    if (handoff().wake_fd >= 0 && ::write(handoff().wake_fd, &one, sizeof one) == sizeof one)
        return;
    QMetaObject::invokeMethod(app, [] { run_queued(); }, Qt::QueuedConnection);
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
    {
        std::lock_guard lock(handoff().mutex);
        handoff().tasks.push_back(std::move(task));
    }
    // One event per task, and the tasks leave in the order they came, so each event runs
    // the oldest one.
    wake_main(app);
    return true;
}

bool post_to_main_at(Clock::time_point deadline, Task task)
{
    if (on_main_thread()) {
        start_timer(deadline, std::move(task));
        return true;
    }
    return post_to_main([deadline, task = std::move(task)]() mutable { start_timer(deadline, std::move(task)); });
}

}  // namespace dispatch::detail

#include "main_loop.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <deque>
#include <mutex>

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

// Tasks travel to the main thread through this queue, under a standard mutex, and a queued
// call without arguments only says "run the next one". The hand-over is then visible to the
// thread sanitizer, which cannot see the locks inside the (uninstrumented) Qt library.
std::mutex& pending_mutex()
{
    static auto* mutex = new std::mutex;
    return *mutex;
}

std::deque<Task>& pending_tasks()
{
    static auto* tasks = new std::deque<Task>;
    return *tasks;
}

void run_next_pending()
{
    Task task;
    {
        std::lock_guard lock(pending_mutex());
        if (pending_tasks().empty())
            return;
        task = std::move(pending_tasks().front());
        pending_tasks().pop_front();
    }
    run_guarded(task);
}

// Lives on the main thread and runs one pending task per queued call.
class MainTaskRunner : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void runNext() { run_next_pending(); }
};

// The runner of the current application object; pending_mutex() is held.
MainTaskRunner* runner_locked(QCoreApplication* app)
{
    static QCoreApplication* owner = nullptr;
    static MainTaskRunner* runner = nullptr;
    if (owner != app) {
        runner = new MainTaskRunner;
        runner->moveToThread(app->thread());
        owner = app;
    }
    return runner;
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
    MainTaskRunner* runner = nullptr;
    {
        std::lock_guard lock(pending_mutex());
        pending_tasks().push_back(std::move(task));
        runner = runner_locked(app);
    }
    // One call per task, so the tasks keep their order and interleave with other events.
    return QMetaObject::invokeMethod(runner, "runNext", Qt::QueuedConnection);
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

#include "main_loop.moc"

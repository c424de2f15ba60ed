#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <algorithm>
#include <ctime>

// How long the main thread's event loop goes without a turn, for the benchmarks of the window.
namespace bench {

inline qint64 thread_cpu_ns()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Measures the longest gap between turns of the event loop, through a timer that wants to
// run every millisecond.
class StallWatch {
public:
    StallWatch()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 gap = clock_.nsecsElapsed();
            const qint64 cpu = thread_cpu_ns();
            if (gap > longest_) {
                longest_ = gap;
                longest_at_ = since_start_.nsecsElapsed();
                longest_cpu_ = cpu - cpu_;
            }
            most_work_ = std::max(most_work_, cpu - cpu_);
            cpu_ = cpu;
            clock_.restart();
        });
        since_start_.start();
        clock_.start();
        timer_.start();
    }
    double longest_ms() const { return double(longest_) / 1e6; }
    // How much of the longest stall the main thread spent working (the rest it waited for a core).
    double longest_cpu_ms() const { return double(longest_cpu_) / 1e6; }
    // The most the main thread worked between two turns: what our code held it for, whatever
    // the other load on the machine.
    double most_work_ms() const { return double(most_work_) / 1e6; }
    // When the longest stall ended, from the start of the watch.
    double longest_at_ms() const { return double(longest_at_) / 1e6; }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    QElapsedTimer since_start_;
    qint64 longest_ = 0;
    qint64 longest_at_ = 0;
    qint64 longest_cpu_ = 0;
    qint64 most_work_ = 0;
    qint64 cpu_ = thread_cpu_ns();
};

}  // namespace bench

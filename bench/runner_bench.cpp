// The batch runner against the engine alone: the same files, the same preset, converted one
// after another either by the list pane's Start (worker, hand-overs, table and label updates)
// or by starting each row's job directly and waiting for its completion. Prints the wall time
// and, for the runner, the longest stall of the main thread while progress flows.
// Usage: runner_bench runner|direct SOURCE_FOLDER OUTPUT_FOLDER
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QPushButton>
#include <QTabWidget>
#include <cstdio>
#include <sys/resource.h>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "app/settings/setup_ns_view_controller.h"
#include "app/shell/main_window.h"
#include "app/table/items_model.h"
#include "app/table/view_controller.h"
#include "engine/one_exporter.h"
#include "engine/run_task_obj.h"
#include "platform/dispatch/sync.h"
#include "stall_watch.h"

namespace {

// H.264 at 5 Mbit/s at the source's size and AAC into a QuickTime movie, as pipeline_bench.
My_Prest bench_preset()
{
    My_Prest p;
    p.fileType = AVFileTypeQuickTimeMovie;
    p.set_size(-100, -100);
    p.video_outputSettings.insert(AVVideoCodecKey, QString(AVVideoCodecTypeH264));
    p.video_outputSettings.insert(AVVideoCompressionPropertiesKey, QVariantMap{{AVVideoAverageBitRateKey, 5000000}});
    p.audio_outputSettings = QVariantMap{{AVFormatIDKey, uint(kAudioFormatMPEG4AAC)},
                                         {AVSampleRateKey, 48000.0f},
                                         {AVNumberOfChannelsKey, 2},
                                         {AVEncoderBitRateKey, 128000}};
    return p;
}

std::vector<std::shared_ptr<Run_task_obj>> build_rows(const QString& folder)
{
    std::vector<std::shared_ptr<Run_task_obj>> rows;
    for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name)) {
        rows.push_back(std::make_shared<Run_task_obj>(QUrl::fromLocalFile(QDir(folder).filePath(name))));
        rows.back()->set_state(EnumState::read());
    }
    return rows;
}

// CPU seconds of the whole process so far (every thread): less disturbed than the wall time
// when other work shares the machine.
double process_cpu_seconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop until the condition holds, looking every 20 ms.
void run_until(const std::function<bool()>& done)
{
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (done())
            loop.quit();
    });
    look.start(20);
    loop.exec();
}

// Waits for one completion per start, as the worker does.
class Waiter : public vrkSleepDelegate {
public:
    void export_progress(float) override {}
    void export_finished(const QUrl&) override { done.signal(); }
    dispatch::Semaphore done{0};
};

// What one batch cost: wall and CPU time, the main thread's share, and its stalls.
class Measure {
public:
    Measure() : cpu_(process_cpu_seconds()), main_cpu_(bench::thread_cpu_ns()) { clock_.start(); }
    void print(const char* mode, size_t rows, int failed) const
    {
        std::printf("%s seconds=%.3f cpu_seconds=%.3f main_thread_cpu_seconds=%.3f longest_stall_ms=%.1f "
                    "longest_stall_working_ms=%.1f most_work_between_turns_ms=%.1f rows=%zu failed=%d\n",
                    mode, clock_.elapsed() / 1000.0, process_cpu_seconds() - cpu_,
                    double(bench::thread_cpu_ns() - main_cpu_) / 1e9, watch_.longest_ms(), watch_.longest_cpu_ms(),
                    watch_.most_work_ms(), rows, failed);
    }

private:
    bench::StallWatch watch_;
    double cpu_;
    qint64 main_cpu_;
    QElapsedTimer clock_;
};

int run_direct(const std::vector<std::shared_ptr<Run_task_obj>>& rows, const QString& output)
{
    ViewController list;
    list.my_Prest = bench_preset();
    const auto waiter = std::make_shared<Waiter>();
    std::vector<std::shared_ptr<My_Prest>> presets;
    for (const auto& row : rows)
        presets.push_back(std::make_shared<My_Prest>(list.get_task_prest(*row)));
    const Measure measure;
    // Off the main thread, as the worker: the pipeline finishes each run on the main queue.
    std::atomic<bool> done{false};
    std::atomic<int> failed{0};
    std::thread walker([&] {
        for (size_t i = 0; i < rows.size(); ++i) {
            const auto job = rows[i]->out_Ex;
            job->delegate = std::shared_ptr<vrkSleepDelegate>(waiter);
            job->My_prest_obj = presets[i];
            rows[i]->make_output_path(QUrl::fromLocalFile(output), false);
            job->start_export(media::TimeRange{media::Time::zero(), job->raw_asset->duration()});
            waiter->done.wait();
            failed += job->status != 3;
        }
        done = true;
    });
    run_until([&] { return done.load(); });
    walker.join();
    measure.print("direct", rows.size(), failed);
    return failed ? 1 : 0;
}

int run_runner(const std::vector<std::shared_ptr<Run_task_obj>>& rows, const QString& output)
{
    MainWindow window;
    window.show();
    ViewController* list = window.split()->list_pane();
    Setup_NSViewController* column = window.split()->settings_column();
    column->set_out_path_url(QUrl::fromLocalFile(output));
    // Without the panes a settings read keeps the preset, so both sides convert alike.
    while (column->tab_view->count() > 0) {
        QWidget* pane = column->tab_view->widget(0);
        column->tab_view->removeTab(0);
        delete pane;
    }
    list->my_Prest = bench_preset();
    for (const auto& row : rows)
        list->items_model->append(row);
    QApplication::processEvents();

    const Measure measure;
    column->start_button->click();
    run_until([&] { return !list->batch_running(); });
    int failed = 0;
    for (const auto& row : rows)
        failed += row->out_Ex->status != 3;
    measure.print("runner", rows.size(), failed);
    return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 4 || (qstrcmp(argv[1], "runner") != 0 && qstrcmp(argv[1], "direct") != 0)) {
        std::fprintf(stderr, "usage: %s runner|direct SOURCE_FOLDER OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    register_file_type_names();
    register_codec_names();
    register_audio_format_names();
    const auto rows = build_rows(QString::fromLocal8Bit(argv[2]));
    const QString output = QString::fromLocal8Bit(argv[3]);
    return qstrcmp(argv[1], "runner") == 0 ? run_runner(rows, output) : run_direct(rows, output);
}

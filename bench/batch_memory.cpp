// Resident memory and threads of a real batch, run as a user runs it: the folder picked with
// the add button, the window's default settings, Start. Prints the figures once the rows are
// in (before Start), after every finished row, the batch's peak, and once the batch has been
// idle long enough for the worker pool's idle threads to end.
// Usage: batch_memory SOURCE_FOLDER OUTPUT_FOLDER
#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "app/settings/setup_ns_view_controller.h"
#include "app/shell/main_window.h"
#include "app/table/view_controller.h"
#include "engine/one_exporter.h"
#include "engine/presets.h"
#include "engine/run_task_obj.h"
#include "platform/foundation/memory.h"

namespace {

// A field of /proc/self/status in MiB ("VmRSS", "VmHWM").
double status_mib(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').front().toDouble() / 1024;
    return -1;
}

int threads()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("Threads:"))
            return line.mid(8).trimmed().toInt();
    return -1;
}

// The peak so far starts again from the present size.
void reset_peak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

void print(const char* when, int row = -1)
{
    std::printf("%s%s%s rss_mib=%.1f threads=%d peak_mib=%.1f\n", when, row >= 0 ? " " : "",
                row >= 0 ? QByteArray::number(row).constData() : "", status_mib("VmRSS"), threads(),
                status_mib("VmHWM"));
    std::fflush(stdout);
}

void run_until(const std::function<bool()>& done, int poll_ms = 20)
{
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (done())
            loop.quit();
    });
    look.start(poll_ms);
    loop.exec();
}

void idle_for(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main(int argc, char* argv[])
{
    // As the application does.
    foundation::tune_malloc();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SOURCE_FOLDER OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    register_file_type_names();
    register_codec_names();
    register_audio_format_names();
    MainWindow window;
    window.show();
    ViewController* list = window.split()->list_pane();
    Setup_NSViewController* column = window.split()->settings_column();
    column->set_out_path_url(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[2])));

    // The folder as the add button's dialog hands it over.
    list->add_file_urls({QUrl::fromLocalFile(QString::fromLocal8Bit(argv[1]))});
    run_until([&] { return !list->items().isEmpty() && list->wj_load->isHidden(); });
    // Compatibility answers and the pool's idle threads settle before the figures are taken.
    idle_for(8000);
    const auto rows = list->items();
    print("before_start");

    reset_peak();
    column->start_button->click();
    size_t finished = 0;
    run_until([&] {
        size_t now = 0;
        for (const auto& row : rows)
            now += row->out_Ex->status >= 3;
        for (; finished < now; ++finished)
            print("after_row", int(finished + 1));
        return !list->batch_running();
    }, 5);
    int failed = 0;
    for (const auto& row : rows)
        failed += row->out_Ex->status != 3;
    std::printf("batch rows=%lld failed=%d peak_mib=%.1f\n", static_cast<long long>(rows.size()), failed,
                status_mib("VmHWM"));
    idle_for(8000);
    print("idle");
    return failed ? 1 : 0;
}

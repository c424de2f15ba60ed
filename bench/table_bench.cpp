// The file table under load: adding a folder of small media files (time until the last row
// is in the table, longest stall of the main thread meanwhile), then painting a table of
// 10,000 rows while it scrolls (time per frame), and deleting them all.
// Usage: table_bench FOLDER [ROWS_TO_PAINT]
#include <QApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include "app/shell/main_window.h"
#include "app/table/items_model.h"
#include "app/table/view_controller.h"
#include "stall_watch.h"

namespace {

struct Frames {
    double mean = 0, p95 = 0, max = 0;
};

Frames frames(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    Frames f;
    for (double m : ms)
        f.mean += m / double(ms.size());
    f.p95 = ms[size_t(0.95 * double(ms.size() - 1))];
    f.max = ms.back();
    return f;
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: table_bench FOLDER [ROWS_TO_PAINT]\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const int paint_rows = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10000;
    MainWindow window;
    window.show();
    ViewController* list = window.split()->list_pane();
    QApplication::processEvents();

    // Adding: from the drop (or the dialog) until the last row is in the table.
    qint64 last_row_ns = 0, done_ns = 0;
    double stall_ms = 0, stall_at_ms = 0, stall_cpu_ms = 0, most_work_ms = 0;
    {
        bench::StallWatch watch;
        QElapsedTimer clock;
        clock.start();
        list->add_file_urls({QUrl::fromLocalFile(folder)});
        const qint64 walked_ns = clock.nsecsElapsed();
        int seen = 0;
        while (!list->wj_load->isHidden()) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            if (list->items_model->rowCount() > seen) {
                seen = list->items_model->rowCount();
                last_row_ns = clock.nsecsElapsed();
            }
        }
        done_ns = clock.nsecsElapsed();
        stall_ms = watch.longest_ms();
        stall_at_ms = watch.longest_at_ms();
        stall_cpu_ms = watch.longest_cpu_ms();
        most_work_ms = watch.most_work_ms();
        std::fprintf(stderr, "walk and classification on the main thread: %.1f ms\n", double(walked_ns) / 1e6);
    }
    const int added = list->items_model->rowCount();

    // Painting: the rows repeated up to the count, scrolled a little more than a row per frame.
    const QList<std::shared_ptr<Run_task_obj>> rows = list->items();
    if (rows.isEmpty()) {
        std::fprintf(stderr, "no rows were added\n");
        return 1;
    }
    while (list->items_model->rowCount() < paint_rows)
        list->items_model->append(rows.mid(0, std::min<qsizetype>(rows.size(), paint_rows - list->items_model->rowCount())));
    QApplication::processEvents();
    QTableView* table = list->tableView;
    QScrollBar* bar = table->verticalScrollBar();
    std::vector<double> ms, cpu_ms;
    QElapsedTimer clock;
    for (int frame = 0; frame < 600 && bar->value() < bar->maximum(); ++frame) {
        clock.start();
        const qint64 cpu = bench::thread_cpu_ns();
        bar->setValue(bar->value() + 97 * (frame % 50 == 49 ? 40 : 1));
        table->viewport()->repaint();
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
        cpu_ms.push_back(double(bench::thread_cpu_ns() - cpu) / 1e6);
    }
    const Frames f = frames(ms);
    const Frames c = frames(cpu_ms);

    // Deleting every row at once.
    clock.start();
    table->selectAll();
    list->del_cl();
    const double delete_ms = double(clock.nsecsElapsed()) / 1e6;
    const int painted_rows = paint_rows;

    std::printf("add a folder of %d files: last row in the table after %.0f ms, indicator off after %.0f ms; "
                "longest main-thread stall %.1f ms (ending at %.0f ms, %.1f ms of it working); "
                "most work between two turns of the event loop %.1f ms\n",
                added, double(last_row_ns) / 1e6, double(done_ns) / 1e6, stall_ms, stall_at_ms, stall_cpu_ms,
                most_work_ms);
    std::printf("paint %d rows while scrolling (%zu frames, %dx%d): mean %.2f ms, p95 %.2f ms, max %.2f ms per frame "
                "(main-thread CPU: mean %.2f ms, p95 %.2f ms, max %.2f ms)\n",
                painted_rows, ms.size(), table->viewport()->width(), table->viewport()->height(),
                f.mean, f.p95, f.max, c.mean, c.p95, c.max);
    std::printf("delete all %d rows: %.1f ms\n", painted_rows, delete_ms);
    return 0;
}

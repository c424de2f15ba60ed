// Adding files: the add button, drops, the classification of what came in, and the worker
// that builds the rows.
#include "app/table/add_files.h"

#include <QFileInfo>
#include <QMimeData>
#include <QProgressBar>
#include <QThread>

#include "app/shell/alerts.h"
#include "app/shell/localized.h"
#include "app/table/add_order.h"
#include "app/table/delegate_bridge.h"
#include "app/table/items_model.h"
#include "app/table/open_file_panel.h"
#include "app/table/view_controller.h"
#include "engine/one_exporter.h"
#include "engine/run_task_obj.h"
#include "engine/stdout_log.h"

void ViewController::add_cl()
{
    const std::optional<QList<QUrl>> urls = open_file_panel();
    if (!urls) {
        logLine(QStringLiteral("取消选择"));
        return;
    }
    add_file_urls(*urls);
}

std::optional<QList<QUrl>> ViewController::open_file_panel()
{
    std::optional<QList<QUrl>> urls = open_panel->run(this);
    if (urls) {
        for (const QUrl& url : *urls)
            logLine(url.toLocalFile());
    }
    return urls;
}

void ViewController::drag_files_in(const QMimeData* pasteboard)
{
    if (!pasteboard)
        return;
    const QList<QUrl> items = pasteboard->urls();
    if (items.isEmpty()) {
        // Data without any item at all counts as an empty drop; other data holds no file.
        if (pasteboard->formats().isEmpty())
            add_file_urls({});
        return;
    }
    // Only local files count: one item of any other kind drops the whole drop, silently, so
    // that the path of a web address is never taken for a local folder.
    for (const QUrl& url : items) {
        if (!url.isValid() || !url.isLocalFile())
            return;
    }
    add_file_urls(items);
}

void ViewController::add_file_urls(const QList<QUrl>& urls)
{
    QList<QUrl> collected;
    for (const QUrl& url : urls) {
        const QString path = url.toLocalFile();
        const QFileInfo info(path);
        if (path.isEmpty() || !info.exists())
            continue;
        if (info.isDir()) {
            for (const QString& file : get_all_file_paths(path))
                collected.append(QUrl::fromLocalFile(file));
        } else {
            collected.append(url);
        }
    }

    QList<QUrl> accepted;
    QList<QUrl> refused;
    for (const QUrl& url : collected) {
        const QString path = url.toLocalFile();
        // A pipe, socket or device named like a media file would block the row's reads for ever.
        if (is_supported_file(url) && is_regular_file(path)) {
            logLine(QStringLiteral("支持文件 ") + path);
            accepted.append(url);
        } else {
            logLine(QStringLiteral("不支持 ") + path);
            refused.append(url);
        }
    }
    start_add_files(accepted);
    show_import_failed_alert(refused);
}

void ViewController::start_add_files(const QList<QUrl>& urls)
{
    wj_load->show();
    AddFilesWork work;
    work.urls = urls;
    // The preset as it is now: the panes may replace my_Prest while the rows are built.
    work.preset = std::make_shared<My_Prest>(my_Prest);
    work.delegate = sleep_delegate;
    work.pane = this;
    work.ticket = add_order->begin();
    work.queue = queue_add_file;
    work.group = group_add_file;
    // One core is left to the main thread, which takes the rows in as they come.
    work.threads = std::max(1, QThread::idealThreadCount() - 1);
    group_add_file.async(queue_add_file, [work = std::move(work)] { add_files_worker(work); });
}

void ViewController::add_files_worker(const AddFilesWork& work)
{
    auto build = [&work](const QUrl& url) {
        auto row = std::make_shared<Run_task_obj>(url);
        if (row->out_Ex) {
            row->out_Ex->My_prest_obj = work.preset;
            row->out_Ex->delegate = work.delegate;
        }
        row->set_state(EnumState::read());
        return row;
    };
    auto append_on_main = [pane = work.pane, ticket = work.ticket](RowList rows) {
        dispatch::Queue::main().async([pane, ticket, rows = std::move(rows)] {
            if (pane)
                pane->add_order->deliver(ticket, rows);
        });
    };
    build_rows_in_order(work.urls, work.queue, work.threads, build, append_on_main);
    dispatch::Queue::main().async([pane = work.pane, ticket = work.ticket] {
        if (pane)
            pane->add_order->end(ticket);
    });

    // Once every add in progress has ended: show the new rows and hide the indicator.
    work.group.notify(dispatch::Queue::main(), [pane = work.pane] {
        if (!pane)
            return;
        pane->items_model->reload();
        pane->wj_load->hide();
    });
}

void ViewController::show_import_failed_alert(const QList<QUrl>& refused)
{
    if (refused.isEmpty())
        return;
    QString paths;
    for (const QUrl& url : refused)
        paths += url.toLocalFile() + QLatin1Char('\n');
    alerts::show_information(this, L("以下文件导入失败"), paths);
}

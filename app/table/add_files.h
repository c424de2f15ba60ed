#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

#include "platform/dispatch/queue.h"
#include "platform/dispatch/sync.h"

class My_Prest;
class Run_task_obj;
class ViewController;
class vrkSleepDelegate;

// What one add hands its worker. Everything the worker needs of the list pane is taken on
// the main thread when the add starts, so the worker never reads the pane's fields.
struct AddFilesWork {
    QList<QUrl> urls;
    std::shared_ptr<My_Prest> preset;
    std::shared_ptr<vrkSleepDelegate> delegate;
    QPointer<ViewController> pane;  // read on the main thread only
    quint64 ticket = 0;             // the add's place among all adds (AddOrder)
    dispatch::Queue queue = dispatch::Queue::global();  // where the rows are built
    dispatch::Group group;          // the group of every add's work
    int threads = 1;                // how many rows are built at once
};

using RowList = QList<std::shared_ptr<Run_task_obj>>;

// Builds one row per URL on up to `threads` tasks of the queue (the caller's thread is one of
// them) and hands the finished rows to deliver in URL order, in runs of consecutive rows.
// deliver is called one run at a time. Returns once every row has been handed over.
void build_rows_in_order(const QList<QUrl>& urls, const dispatch::Queue& queue, int threads,
                         const std::function<std::shared_ptr<Run_task_obj>(const QUrl&)>& build,
                         const std::function<void(RowList)>& deliver);

// A regular file, after links are followed (no folder, pipe, socket or device).
bool is_regular_file(const QString& path);

#pragma once

#include <QPointer>
#include <atomic>
#include <functional>
#include <memory>

#include "app/table/view_controller.h"
#include "platform/dispatch/sync.h"

// What a batch worker holds: the list pane through a guarded pointer that is read only on the
// main thread, the semaphore and cancel flag it shares with the pane, and the settings read at
// its Start. A worker still winding down when the pane goes never reaches into it. Every row
// of the batch converts with those settings: a later settings read (a preview's, an
// estimate's) changes nothing of it.
struct BatchWorkerContext {
    QPointer<ViewController> pane;
    std::shared_ptr<dispatch::Semaphore> sema;
    std::shared_ptr<std::atomic<bool>> is_cancelExport;
    My_Prest preset;
    std::optional<QUrl> folder;
    bool keep_source_folders;

    // Main thread, at the Start.
    explicit BatchWorkerContext(ViewController& list)
        : pane(&list), sema(list.sema), is_cancelExport(list.is_cancelExport), preset(list.my_Prest),
          folder(list.out_path_obj), keep_source_folders(list.is_add_rawpath)
    {
    }

    // Runs the hand-over on the main queue and waits for it; false when the pane is gone.
    bool on_main(const std::function<void(ViewController&)>& task) const;
    bool cancelled() const { return is_cancelExport->load(); }
};

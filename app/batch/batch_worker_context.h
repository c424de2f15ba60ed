#pragma once

#include <QPointer>
#include <atomic>
#include <functional>
#include <memory>

#include "app/table/view_controller.h"
#include "platform/dispatch/sync.h"

// What a batch worker holds: the list pane through a guarded pointer that is read only on the
// main thread, and the semaphore and cancel flag it shares with the pane. A worker still
// winding down when the pane goes never reaches into it.
struct BatchWorkerContext {
    QPointer<ViewController> pane;
    std::shared_ptr<dispatch::Semaphore> sema;
    std::shared_ptr<std::atomic<bool>> is_cancelExport;

    explicit BatchWorkerContext(ViewController& list)
        : pane(&list), sema(list.sema), is_cancelExport(list.is_cancelExport)
    {
    }

    // Runs the hand-over on the main queue and waits for it; false when the pane is gone.
    bool on_main(const std::function<void(ViewController&)>& task) const;
    bool cancelled() const { return is_cancelExport->load(); }
};

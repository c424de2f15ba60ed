#include "app/table/delegate_bridge.h"

#include "platform/dispatch/queue.h"

DelegateBridge::DelegateBridge(QObject* receiver, ProgressHandler on_progress, FinishedHandler on_finished)
    : receiver_(receiver), on_progress_(std::move(on_progress)), on_finished_(std::move(on_finished))
{
}

// The handlers are fixed after construction, so copying them off the engine thread is safe;
// the guarded pointer is read only on the main thread.
void DelegateBridge::export_progress(float progress)
{
    dispatch::Queue::main().async([receiver = receiver_, handler = on_progress_, progress] {
        if (receiver && handler)
            handler(progress);
    });
}

void DelegateBridge::export_finished(const QUrl& url)
{
    dispatch::Queue::main().async([receiver = receiver_, handler = on_finished_, url] {
        if (receiver && handler)
            handler(url);
    });
}

#pragma once

#include <QPointer>
#include <QObject>
#include <QUrl>
#include <functional>

#include "engine/one_exporter.h"

// What a job holds as its delegate. Jobs call it on engine threads and may drop it there,
// so it is no widget: it only hops to the main queue and reaches its receiver through a
// guarded pointer, which is read on the main thread. A receiver that is gone gets nothing.
class DelegateBridge : public vrkSleepDelegate {
public:
    using ProgressHandler = std::function<void(float)>;
    using FinishedHandler = std::function<void(const QUrl&)>;

    // The handlers run on the main thread, only while the receiver lives.
    DelegateBridge(QObject* receiver, ProgressHandler on_progress, FinishedHandler on_finished);

    void export_progress(float progress) override;
    void export_finished(const QUrl& url) override;

private:
    QPointer<QObject> receiver_;
    ProgressHandler on_progress_;
    FinishedHandler on_finished_;
};

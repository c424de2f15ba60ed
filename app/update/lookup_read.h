#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <functional>
#include <optional>

class QNetworkReply;

namespace update {

// The largest answer the lookup takes; a longer one is refused as a failed read.
inline constexpr qint64 kMaximumAnswerBytes = 1024 * 1024;

// One asynchronous HTTP read of the lookup address, on the main thread. It gives up when the
// whole read takes longer than the time-out, when the answer grows past kMaximumAnswerBytes,
// and when the application quits, so that nothing waits on a server that never answers.
class LookupRead : public QObject {
    Q_OBJECT
public:
    // The answer's bytes, or nullopt when the read failed.
    using Done = std::function<void(std::optional<QByteArray>)>;

    // Starts the read; call on the main thread. done runs once, on the main thread, and the
    // read deletes itself afterwards.
    static void start(const QUrl& url, std::chrono::milliseconds timeout, Done done);

private:
    explicit LookupRead(Done done);
    void begin(const QUrl& url, std::chrono::milliseconds timeout);
    void take_available();
    void on_finished();
    void end(std::optional<QByteArray> answer);

    QNetworkAccessManager network_;
    QPointer<QNetworkReply> reply_;
    QTimer deadline_;
    QByteArray answer_;
    bool too_large_ = false;
    Done done_;
};

}  // namespace update

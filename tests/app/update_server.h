#pragma once

#include <QByteArray>
#include <QString>
#include <QTcpServer>
#include <chrono>
#include <functional>
#include <optional>

class QTcpSocket;

namespace updatetest {

// A small HTTP server on 127.0.0.1 that answers every request the same way. It runs on the
// main thread, so the test must keep the event loop turning.
class LookupServer : public QObject {
public:
    enum class Mode { Answer, Chunked, Silent };

    LookupServer();

    // "http://127.0.0.1:<port>"
    QString address() const;

    // The next requests get this body with a Content-Length (Answer), in chunks without one
    // (Chunked), or nothing at all while the connection stays open (Silent).
    void set_answer(QByteArray body, int status = 200, Mode mode = Mode::Answer);

    int requests() const { return requests_; }
    // The last request's target, such as "/lookup?id=1".
    QByteArray last_target() const { return last_target_; }
    // When the last answer was handed to the socket.
    std::optional<std::chrono::steady_clock::time_point> answered_at() const { return answered_at_; }
    // Connections the client has not closed yet.
    int open_connections() const { return open_; }
    // Called once a request has been read, before it is answered.
    void on_request(std::function<void()> callback) { on_request_ = std::move(callback); }

private:
    void accept();
    void read_request(QTcpSocket* socket);
    void answer(QTcpSocket* socket);

    QTcpServer server_;
    QByteArray body_;
    int status_ = 200;
    Mode mode_ = Mode::Answer;
    int requests_ = 0;
    int open_ = 0;
    QByteArray last_target_;
    std::optional<std::chrono::steady_clock::time_point> answered_at_;
    std::function<void()> on_request_;
};

// An address on 127.0.0.1 where nothing listens.
QString refused_address();

// The lookup answer that names one store version.
QByteArray answer_with_version(const QByteArray& version);

}  // namespace updatetest

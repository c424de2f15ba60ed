#include "update_server.h"

#include <QTcpSocket>

namespace updatetest {

LookupServer::LookupServer()
{
    server_.listen(QHostAddress::LocalHost);
    connect(&server_, &QTcpServer::newConnection, this, &LookupServer::accept);
}

QString LookupServer::address() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort());
}

void LookupServer::set_answer(QByteArray body, int status, Mode mode)
{
    body_ = std::move(body);
    status_ = status;
    mode_ = mode;
}

void LookupServer::accept()
{
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        ++open_;
        socket->setProperty("request", QByteArray());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read_request(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            --open_;
            socket->deleteLater();
        });
    }
}

void LookupServer::read_request(QTcpSocket* socket)
{
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n"))
        return;
    socket->setProperty("request", QByteArray());
    ++requests_;
    last_target_ = request.left(request.indexOf("\r\n")).split(' ').value(1);
    if (on_request_)
        on_request_();
    if (mode_ != Mode::Silent)
        answer(socket);
}

void LookupServer::answer(QTcpSocket* socket)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status_) + " Status\r\nContent-Type: application/json\r\n"
                      "Connection: close\r\n";
    if (mode_ == Mode::Chunked) {
        socket->write(head + "Transfer-Encoding: chunked\r\n\r\n");
        constexpr qsizetype kChunk = 60000;
        for (qsizetype at = 0; at < body_.size(); at += kChunk) {
            const QByteArray piece = body_.mid(at, kChunk);
            socket->write(QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n");
        }
        socket->write("0\r\n\r\n");
    } else {
        socket->write(head + "Content-Length: " + QByteArray::number(body_.size()) + "\r\n\r\n" + body_);
    }
    answered_at_ = std::chrono::steady_clock::now();
    socket->disconnectFromHost();
}

QString refused_address()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1").arg(port);
}

QByteArray answer_with_version(const QByteArray& version)
{
    return R"({"resultCount":2,"results":[{"version":"0.1"},{"version":")" + version + R"("}]})";
}

}  // namespace updatetest

#include "app/update/lookup_read.h"

#include <QCoreApplication>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace update {

namespace {
// Bytes the network thread may buffer before the main thread takes them.
constexpr qint64 kReadBufferBytes = 64 * 1024;
}  // namespace

void LookupRead::start(const QUrl& url, std::chrono::milliseconds timeout, Done done)
{
    auto* read = new LookupRead(std::move(done));
    read->begin(url, timeout);
}

LookupRead::LookupRead(Done done) : done_(std::move(done))
{
    deadline_.setSingleShot(true);
}

void LookupRead::begin(const QUrl& url, std::chrono::milliseconds timeout)
{
    reply_ = network_.get(QNetworkRequest(url));
    reply_->setReadBufferSize(kReadBufferBytes);
    connect(reply_, &QNetworkReply::readyRead, this, &LookupRead::take_available);
    connect(reply_, &QNetworkReply::finished, this, &LookupRead::on_finished);
    // abort() reports the reply finished at once, with an error.
    connect(&deadline_, &QTimer::timeout, reply_, &QNetworkReply::abort);
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, reply_, &QNetworkReply::abort);
    deadline_.start(timeout);
}

void LookupRead::take_available()
{
    const QVariant declared = reply_->header(QNetworkRequest::ContentLengthHeader);
    if (declared.isValid() && declared.toLongLong() > kMaximumAnswerBytes)
        too_large_ = true;
    else
        answer_ += reply_->readAll();
    if (answer_.size() > kMaximumAnswerBytes)
        too_large_ = true;
    if (too_large_)
        reply_->abort();
}

void LookupRead::on_finished()
{
    if (too_large_ || reply_->error() != QNetworkReply::NoError)
        return end(std::nullopt);
    take_available();
    end(too_large_ ? std::nullopt : std::optional<QByteArray>(answer_));
}

void LookupRead::end(std::optional<QByteArray> answer)
{
    deadline_.stop();
    reply_->disconnect(this);
    reply_->deleteLater();
    deleteLater();
    // The callback goes before this object does, so whatever it holds is released now.
    Done done = std::move(done_);
    done_ = nullptr;
    done(std::move(answer));
}

}  // namespace update

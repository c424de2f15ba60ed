#include "reader.h"

#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <mutex>

#include "libav.h"
#include "output_port.h"
#include "reader_session.h"
#include "texts.h"

namespace media {

namespace {

class Reader final : public AssetReader {
public:
    Reader(AssetRef asset, std::shared_ptr<ReaderSession> session)
        : asset_(std::move(asset)), session_(std::move(session))
    {
    }
    ~Reader() override { session_->shutdown(); }

    void set_time_range(const TimeRange& range) override
    {
        std::lock_guard lock(mutex_);
        if (session_->status() != Status::Unknown || !range.is_valid())
            return;
        session_->set_range(range);
    }

    bool can_add_output(const AssetReaderOutputRef& output) const override
    {
        std::lock_guard lock(mutex_);
        return can_add(output);
    }

    void add_output(const AssetReaderOutputRef& output) override
    {
        std::lock_guard lock(mutex_);
        if (!can_add(output)) {
            std::printf("AssetReader: an output that cannot be added was ignored\n");
            return;
        }
        dynamic_cast<OutputPort*>(output.get())->added = true;
        outputs_.push_back(output);
    }

    std::vector<AssetReaderOutputRef> outputs() const override
    {
        std::lock_guard lock(mutex_);
        return outputs_;
    }

    bool start_reading() override
    {
        std::lock_guard lock(mutex_);
        if (session_->status() != Status::Unknown || session_->released())
            return false;
        std::vector<OutputPort*> ports;
        for (const auto& output : outputs_) {
            auto* port = dynamic_cast<OutputPort*>(output.get());
            std::vector<int> streams;
            for (const auto& track : port->source_tracks())
                streams.push_back(track->stream_index);
            const int channel = session_->add_channel(streams);
            QString error;
            if (!port->attach(session_, channel, &error)) {
                session_->fail(error);
                return false;
            }
            ports.push_back(port);
        }
        session_->start();
        for (OutputPort* port : ports)
            port->begin();
        return session_->status() != Status::Failed;
    }

    void cancel_reading() override
    {
        session_->cancel();
        for (OutputPort* port : ports())
            port->wake();
    }

    void join_threads() override
    {
        dispatch::BlockingScope blocking;
        for (OutputPort* port : ports())
            port->join();
        session_->join();
    }

    void close() override
    {
        session_->cancel();
        session_->shutdown();
        for (OutputPort* port : ports())
            port->wake();
        join_threads();
        for (OutputPort* port : ports())
            port->release();
        session_->release();
    }

    Status status() const override { return session_->status(); }
    std::optional<Error> error() const override { return session_->error(); }

private:
    std::vector<OutputPort*> ports() const
    {
        std::lock_guard lock(mutex_);
        std::vector<OutputPort*> out;
        for (const auto& output : outputs_)
            out.push_back(dynamic_cast<OutputPort*>(output.get()));
        return out;
    }

    bool can_add(const AssetReaderOutputRef& output) const
    {
        auto* port = dynamic_cast<OutputPort*>(output.get());
        if (!port || port->added || session_->status() != Status::Unknown)
            return false;
        const auto tracks = port->source_tracks();
        if (tracks.empty())
            return false;
        const auto& mine = asset_->tracks();
        return std::all_of(tracks.begin(), tracks.end(), [&](const AssetTrackRef& t) {
            return std::any_of(mine.begin(), mine.end(), [&](const AssetTrackRef& m) {
                return m == t || (m->stream_index == t->stream_index && m->media_type == t->media_type);
            });
        });
    }

    AssetRef asset_;
    std::shared_ptr<ReaderSession> session_;
    mutable std::mutex mutex_;
    std::vector<AssetReaderOutputRef> outputs_;
};

}  // namespace

std::shared_ptr<AssetReader> AssetReader::create(const AssetRef& asset, Error* error)
{
    auto fail = [&](const QString& text) -> std::shared_ptr<AssetReader> {
        if (error)
            *error = Error{QStringLiteral("media.reader"), -1, text};
        return nullptr;
    };
    if (!asset)
        return fail(translated("没有可读取的素材。"));
    const QString name = QFileInfo(asset->path()).fileName();
    // The file as it is now: it may have gone, or lost its permission, since it was added.
    if (const auto reason = av::unreadable_file_reason(asset->path()))
        return fail(translated("无法读取文件“%1”：%2。").arg(name, *reason));
    if (!asset->is_openable() || asset->tracks().empty())
        return fail(translated("无法读取文件“%1”：其中没有可以打开的媒体。").arg(name));
    QString text;
    av::FormatPtr ctx = av::open_input(asset->path(), &text);
    if (!ctx)
        return fail(text);
    return std::make_shared<Reader>(asset, std::make_shared<ReaderSession>(std::move(ctx), asset->path()));
}

}  // namespace media

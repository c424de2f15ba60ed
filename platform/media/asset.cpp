#include "asset.h"

#include "libav.h"
#include "track_facts.h"

namespace media {

std::shared_ptr<Asset> Asset::from_url(const QUrl& file_url)
{
    auto asset = std::make_shared<Asset>(file_url);
    asset->load();
    return asset;
}

std::shared_ptr<Asset> Asset::from_path(const QString& path)
{
    return from_url(QUrl::fromLocalFile(path));
}

Asset::Asset(const QUrl& url) : url_(url) {}

void Asset::load()
{
    duration_ = Time::zero();
    if (!url_.isLocalFile())
        return;
    // Read everything now and close the file: a table of many rows must not keep
    // a demuxer open per file.
    av::FormatPtr ctx = av::open_input(path(), nullptr);
    if (!ctx)
        return;
    openable_ = true;
    format_name_ = ctx->iformat->name ? ctx->iformat->name : "";
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVStream* st = ctx->streams[i];
        if (av::is_hidden_stream(st))
            continue;
        tracks_.push_back(make_track(ctx.get(), st, static_cast<int>(tracks_.size()) + 1));
    }
    if (ctx->duration > 0) {
        duration_ = av::to_time(ctx->duration, AV_TIME_BASE_Q);
    } else {
        for (const auto& t : tracks_)
            if (t->time_range.end() > duration_)
                duration_ = t->time_range.end();
    }
}

std::vector<AssetTrackRef> Asset::tracks_with_media_type(const MediaType& type) const
{
    std::vector<AssetTrackRef> out;
    for (const auto& t : tracks_)
        if (t->media_type == type)
            out.push_back(t);
    return out;
}

std::string Asset::description() const
{
    return "<Asset " + url_.toString(QUrl::PreferLocalFile).toStdString() + ", " +
           std::to_string(tracks_.size()) + " tracks>";
}

}  // namespace media

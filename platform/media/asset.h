#pragma once

#include <QUrl>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "geometry.h"
#include "identifiers.h"
#include "sample_buffer.h"
#include "time.h"

namespace media {

// The facts of one track of a media file, read once when the asset is opened.
struct AssetTrack {
    int track_id = 0;      // 1-based, in file order
    int stream_index = 0;  // the demuxer's stream index
    MediaType media_type;  // "vide", "soun", "tmcd", "sbtl", "meta", ...
    // One description per sample description of the track (usually one).
    std::vector<FormatDescriptionRef> format_descriptions;
    Size natural_size;
    AffineTransform preferred_transform;
    float nominal_frame_rate = 0;
    Time min_frame_duration = Time::invalid();
    bool requires_frame_reordering = false;
    float estimated_data_rate = 0;  // bits per second
    TimeRange time_range;
};
using AssetTrackRef = std::shared_ptr<const AssetTrack>;

// A media file. Its facts are read at creation and cached; the file is not kept open.
// A file that cannot be opened gives an asset without tracks.
class Asset {
public:
    static std::shared_ptr<Asset> from_url(const QUrl& file_url);
    static std::shared_ptr<Asset> from_path(const QString& path);

    const QUrl& url() const { return url_; }
    QString path() const { return url_.toLocalFile(); }

    const std::vector<AssetTrackRef>& tracks() const { return tracks_; }
    std::vector<AssetTrackRef> tracks_with_media_type(const MediaType& type) const;
    Time duration() const { return duration_; }
    // A short text that names the asset, for log lines.
    std::string description() const;

    // Facts of the container, for the compatibility probe.
    const std::string& format_name() const { return format_name_; }
    bool is_openable() const { return openable_; }

    explicit Asset(const QUrl& url);

private:
    void load();

    QUrl url_;
    std::vector<AssetTrackRef> tracks_;
    Time duration_ = Time::invalid();
    std::string format_name_;
    bool openable_ = false;
};
using AssetRef = std::shared_ptr<Asset>;

}  // namespace media

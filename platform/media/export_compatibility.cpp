#include "export_compatibility.h"

#include <QStringList>

#include "libav.h"
#include "platform/dispatch/queue.h"

namespace media {

namespace {

// Containers the reader/writer pipeline reads natively (libavformat demuxer names).
bool is_native_container(const std::string& format_name)
{
    static const QStringList native = {"mov", "mp4", "m4a", "3gp", "wav", "aiff", "caf", "mp3", "ac3"};
    const QStringList names = QString::fromStdString(format_name).split(',');
    for (const QString& n : names)
        if (native.contains(n))
            return true;
    return false;
}

bool is_decodable(AVCodecID id)
{
    switch (id) {
    case AV_CODEC_ID_H264: case AV_CODEC_ID_HEVC: case AV_CODEC_ID_PRORES:
    case AV_CODEC_ID_MJPEG: case AV_CODEC_ID_MPEG4: case AV_CODEC_ID_AAC:
    case AV_CODEC_ID_MP3: case AV_CODEC_ID_ALAC: case AV_CODEC_ID_AC3:
        return true;
    default: break;
    }
    return av::is_pcm(id);
}

}  // namespace

bool is_export_compatible(const Asset& asset)
{
    if (!asset.is_openable() || !is_native_container(asset.format_name()))
        return false;
    bool has_media = false;
    for (const auto& track : asset.tracks()) {
        if (track->media_type != AVMediaTypeVideo && track->media_type != AVMediaTypeAudio)
            continue;
        has_media = true;
        for (const auto& fd : track->format_descriptions)
            if (!fd->codec_parameters || !is_decodable(fd->codec_parameters->codec_id))
                return false;
    }
    return has_media;
}

void determine_compatibility_of_export_preset(const QString& preset, const AssetRef& asset,
                                              const FileType& output_file_type,
                                              std::function<void(bool compatible)> completion)
{
    // Only the highest-quality preset to a QuickTime movie is asked for; any other pair
    // gets the same native-reading rule, as the pipeline reads the source the same way.
    Q_UNUSED(preset);
    Q_UNUSED(output_file_type);
    if (!completion)
        return;
    dispatch::Queue::global().async([asset, completion = std::move(completion)] {
        completion(asset && is_export_compatible(*asset));
    });
}

}  // namespace media

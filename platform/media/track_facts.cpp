#include "track_facts.h"

#include <cmath>

#include "libav.h"

extern "C" {
#include <libavutil/bswap.h>
#include <libavutil/intreadwrite.h>
}

namespace media {

namespace {

// codec_tag keeps the first character in the lowest byte.
FourCC from_codec_tag(uint32_t tag) { return av_bswap32(tag); }

bool is_tmcd(const AVCodecParameters* par)
{
    return par->codec_type == AVMEDIA_TYPE_DATA && par->codec_tag == MKTAG('t', 'm', 'c', 'd');
}

FourCC prores_subtype(const AVCodecParameters* par)
{
    switch (from_codec_tag(par->codec_tag)) {
    case fourcc("apco"): case fourcc("apcs"): case fourcc("apcn"): case fourcc("apch"):
    case fourcc("ap4h"): case fourcc("ap4x"):
        return from_codec_tag(par->codec_tag);
    default:
        break;
    }
    switch (par->profile) {
    case FF_PROFILE_PRORES_PROXY: return fourcc("apco");
    case FF_PROFILE_PRORES_LT: return fourcc("apcs");
    case FF_PROFILE_PRORES_HQ: return fourcc("apch");
    case FF_PROFILE_PRORES_4444: return fourcc("ap4h");
    case FF_PROFILE_PRORES_XQ: return fourcc("ap4x");
    default: return fourcc("apcn");
    }
}

// The display matrix turned into a transform whose picture starts at the origin.
AffineTransform display_transform(const AVStream* st, double width, double height)
{
    size_t size = 0;
    const auto* m = reinterpret_cast<const int32_t*>(
        av_stream_get_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, &size));
    if (!m || size < 9 * sizeof(int32_t))
        return AffineTransform::identity();
    AffineTransform t{m[0] / 65536.0, m[1] / 65536.0, m[3] / 65536.0,
                      m[4] / 65536.0, m[6] / 65536.0, m[7] / 65536.0};
    if (!std::isfinite(t.a * t.d - t.b * t.c) || t.a * t.d - t.b * t.c == 0)
        return AffineTransform::identity();
    // Files often store the rotation without its translation; the displayed picture is
    // the stored one turned and moved back to the origin.
    const Rect box = t.apply(Rect{{0, 0}, {width, height}});
    t.tx -= box.origin.x;
    t.ty -= box.origin.y;
    return t;
}

// The container's overall rate less what the other streams are known to take, shared
// among the video streams of unknown rate (or all streams when none is video).
float remainder_rate(const AVFormatContext* ctx, const AVStream* st)
{
    if (ctx->bit_rate <= 0)
        return 0;
    int64_t known = 0;
    int unknown = 0, unknown_video = 0;
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVStream* s = ctx->streams[i];
        if (av::is_hidden_stream(s))
            continue;
        if (s->codecpar->bit_rate > 0) {
            known += s->codecpar->bit_rate;
        } else {
            ++unknown;
            unknown_video += s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
        }
    }
    const bool is_video = st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
    if (unknown_video > 0 && !is_video)
        return 0;
    const int share = unknown_video > 0 ? unknown_video : unknown;
    if (share == 0 || ctx->bit_rate <= known)
        return 0;
    return static_cast<float>(ctx->bit_rate - known) / share;
}

// Bits per second: from the container, from the sizes of the indexed samples, or from
// the file's size and duration.
float data_rate(const AVFormatContext* ctx, const AVStream* st, double seconds)
{
    if (st->codecpar->bit_rate > 0)
        return static_cast<float>(st->codecpar->bit_rate);
    const int n = avformat_index_get_entries_count(st);
    double bytes = 0;
    for (int i = 0; i < n; ++i)
        bytes += avformat_index_get_entry(const_cast<AVStream*>(st), i)->size;
    // An index of key frames only (Matroska cues) says little about the size.
    if (bytes > 0 && seconds > 0 && n >= st->nb_frames && st->nb_frames > 0)
        return static_cast<float>(bytes * 8 / seconds);
    return remainder_rate(ctx, st);
}

void read_timecode_description(const AVCodecParameters* par, FormatDescription& fd)
{
    // The sample description of a timecode track: reserved(4) flags(4) timescale(4)
    // frame duration(4) frames per second(1).
    if (!par->extradata || par->extradata_size < 17)
        return;
    fd.timecode_flags = AV_RB32(par->extradata + 4);
    const uint32_t timescale = AV_RB32(par->extradata + 8);
    const uint32_t frame_duration = AV_RB32(par->extradata + 12);
    if (timescale > 0 && timescale <= INT32_MAX)
        fd.frame_duration = Time::make(frame_duration, static_cast<int32_t>(timescale));
    fd.frame_quanta = par->extradata[16];
}

// The size the picture is seen at: the stored width stretched by the pixel aspect.
Size display_size(const AVStream* st)
{
    const AVCodecParameters* par = st->codecpar;
    AVRational sar = st->sample_aspect_ratio;
    if (sar.num <= 0 || sar.den <= 0)
        sar = par->sample_aspect_ratio;
    double width = par->width;
    if (sar.num > 0 && sar.den > 0 && sar.num != sar.den) {
        const double stretched = std::round(par->width * av_q2d(sar));
        // A crafted ratio must not make a picture of no width or of a huge one.
        if (stretched >= 1 && stretched <= 16 * double(par->width))
            width = stretched;
    }
    return Size{width, double(par->height)};
}

}  // namespace

MediaType media_type_of(const AVStream* st)
{
    const AVCodecParameters* par = st->codecpar;
    switch (par->codec_type) {
    case AVMEDIA_TYPE_VIDEO: return AVMediaTypeVideo;
    case AVMEDIA_TYPE_AUDIO: return AVMediaTypeAudio;
    case AVMEDIA_TYPE_SUBTITLE:
        return par->codec_id == AV_CODEC_ID_EIA_608 ? AVMediaTypeClosedCaption : AVMediaTypeSubtitle;
    case AVMEDIA_TYPE_DATA: return is_tmcd(par) ? AVMediaTypeTimecode : AVMediaTypeMetadata;
    default: return AVMediaTypeMetadata;
    }
}

FourCC media_subtype_of(const AVCodecParameters* par)
{
    if (is_tmcd(par))
        return kCMTimeCodeFormatType_TimeCode32;
    switch (par->codec_id) {
    case AV_CODEC_ID_H264: return fourcc("avc1");
    case AV_CODEC_ID_HEVC: return fourcc("hvc1");
    case AV_CODEC_ID_PRORES: return prores_subtype(par);
    case AV_CODEC_ID_MJPEG: return fourcc("jpeg");
    case AV_CODEC_ID_MPEG4: return fourcc("mp4v");
    case AV_CODEC_ID_AAC: return kAudioFormatMPEG4AAC;
    case AV_CODEC_ID_MP3: return kAudioFormatMPEGLayer3;
    case AV_CODEC_ID_AC3: return kAudioFormatAC3;
    case AV_CODEC_ID_EAC3: return fourcc("ec-3");
    case AV_CODEC_ID_ALAC: return kAudioFormatAppleLossless;
    default: break;
    }
    if (av::is_pcm(par->codec_id))
        return kAudioFormatLinearPCM;
    return par->codec_tag ? from_codec_tag(par->codec_tag) : 0;
}

AssetTrackRef make_track(const AVFormatContext* ctx, const AVStream* st, int track_id)
{
    const AVCodecParameters* par = st->codecpar;
    auto track = std::make_shared<AssetTrack>();
    track->track_id = track_id;
    track->stream_index = st->index;
    track->media_type = media_type_of(st);

    auto fd = std::make_shared<FormatDescription>();
    fd->media_type = track->media_type;
    fd->media_subtype = media_subtype_of(par);
    fd->width = par->width;
    fd->height = par->height;
    fd->sample_rate = par->sample_rate;
    fd->channels = par->ch_layout.nb_channels;
    if (track->media_type == AVMediaTypeTimecode)
        read_timecode_description(par, *fd);
    fd->codec_parameters = share_codec_parameters(par);

    Time start = av::to_time(st->start_time, st->time_base);
    if (!start.is_numeric() || start.value < 0)
        start = Time::zero();
    Time duration = av::to_time(st->duration, st->time_base);
    if (!duration.is_numeric() || duration.value <= 0)
        duration = ctx->duration > 0 ? av::to_time(ctx->duration, AV_TIME_BASE_Q) : Time::zero();
    track->time_range = TimeRange::make(start, duration);

    if (track->media_type == AVMediaTypeVideo) {
        track->natural_size = display_size(st);
        track->preferred_transform =
            display_transform(st, track->natural_size.width, track->natural_size.height);
        AVRational rate = st->avg_frame_rate;
        if (rate.num <= 0 || rate.den <= 0)
            rate = st->r_frame_rate;
        if (rate.num > 0 && rate.den > 0) {
            track->nominal_frame_rate = static_cast<float>(av_q2d(rate));
            track->min_frame_duration = Time::make(rate.den, rate.num);
        }
        track->requires_frame_reordering = par->video_delay > 0;
    }
    track->estimated_data_rate = data_rate(ctx, st, duration.seconds());
    track->format_descriptions.push_back(std::move(fd));
    return track;
}

}  // namespace media

#include "probe.h"

#include <QFileInfo>

#include "json_layout.h"
#include "platform/media/libav.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/channel_layout.h>
#include <libavutil/pixdesc.h>
}

namespace ffkit {

namespace {

QString seconds_text(double seconds) { return QString::asprintf("%f", seconds); }

std::optional<QString> stream_time(int64_t value, AVRational time_base)
{
    if (value == AV_NOPTS_VALUE)
        return std::nullopt;
    return seconds_text(double(value) * av_q2d(time_base));
}

std::optional<QString> format_time(int64_t value)
{
    if (value == AV_NOPTS_VALUE)
        return std::nullopt;
    return seconds_text(double(value) / AV_TIME_BASE);
}

QString rational_text(AVRational r) { return QStringLiteral("%1/%2").arg(r.num).arg(r.den); }

void write_tags(JsonLayout& json, const AVDictionary* tags)
{
    if (!tags)
        return;
    json.begin_object(QStringLiteral("tags"));
    const AVDictionaryEntry* entry = nullptr;
    while ((entry = av_dict_get(tags, "", entry, AV_DICT_IGNORE_SUFFIX)))
        json.text(QString::fromUtf8(entry->key), QString::fromUtf8(entry->value));
    json.end_object();
}

void write_disposition(JsonLayout& json, int disposition)
{
    static const std::pair<const char*, int> flags[] = {
        {"default", AV_DISPOSITION_DEFAULT},
        {"dub", AV_DISPOSITION_DUB},
        {"original", AV_DISPOSITION_ORIGINAL},
        {"comment", AV_DISPOSITION_COMMENT},
        {"lyrics", AV_DISPOSITION_LYRICS},
        {"karaoke", AV_DISPOSITION_KARAOKE},
        {"forced", AV_DISPOSITION_FORCED},
        {"hearing_impaired", AV_DISPOSITION_HEARING_IMPAIRED},
        {"visual_impaired", AV_DISPOSITION_VISUAL_IMPAIRED},
        {"clean_effects", AV_DISPOSITION_CLEAN_EFFECTS},
        {"attached_pic", AV_DISPOSITION_ATTACHED_PIC},
        {"timed_thumbnails", AV_DISPOSITION_TIMED_THUMBNAILS},
        {"captions", AV_DISPOSITION_CAPTIONS},
        {"descriptions", AV_DISPOSITION_DESCRIPTIONS},
        {"metadata", AV_DISPOSITION_METADATA},
        {"dependent", AV_DISPOSITION_DEPENDENT},
        {"still_image", AV_DISPOSITION_STILL_IMAGE},
    };
    json.begin_object(QStringLiteral("disposition"));
    for (const auto& [name, flag] : flags)
        json.number(QString::fromLatin1(name), (disposition & flag) ? 1 : 0);
    json.end_object();
}

StreamInformation write_stream(JsonLayout& json, const AVStream* stream)
{
    const AVCodecParameters* par = stream->codecpar;
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(par->codec_id);
    StreamInformation info;
    info.index = stream->index;
    info.codec_name = descriptor ? QString::fromLatin1(descriptor->name) : QString();
    const char* type = av_get_media_type_string(par->codec_type);
    info.codec_type = type ? QString::fromLatin1(type) : QStringLiteral("unknown");
    info.duration = stream_time(stream->duration, stream->time_base);

    json.begin_object();
    json.number(QStringLiteral("index"), stream->index);
    if (descriptor) {
        json.text(QStringLiteral("codec_name"), info.codec_name);
        json.text(QStringLiteral("codec_long_name"), QString::fromUtf8(descriptor->long_name));
    }
    if (const char* profile = avcodec_profile_name(par->codec_id, par->profile))
        json.text(QStringLiteral("profile"), QString::fromLatin1(profile));
    json.text(QStringLiteral("codec_type"), info.codec_type);
    char tag[AV_FOURCC_MAX_STRING_SIZE] = {};
    av_fourcc_make_string(tag, par->codec_tag);
    json.text(QStringLiteral("codec_tag_string"), QString::fromLatin1(tag));
    json.text(QStringLiteral("codec_tag"), QStringLiteral("0x%1").arg(par->codec_tag, 8, 16, QLatin1Char('0')));
    if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
        info.width = par->width;
        info.height = par->height;
        json.number(QStringLiteral("width"), par->width);
        json.number(QStringLiteral("height"), par->height);
        if (const char* format = av_get_pix_fmt_name(AVPixelFormat(par->format)))
            json.text(QStringLiteral("pix_fmt"), QString::fromLatin1(format));
    } else if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
        info.sample_rate = par->sample_rate;
        info.channels = par->ch_layout.nb_channels;
        if (const char* format = av_get_sample_fmt_name(AVSampleFormat(par->format)))
            json.text(QStringLiteral("sample_fmt"), QString::fromLatin1(format));
        json.text(QStringLiteral("sample_rate"), QString::number(par->sample_rate));
        json.number(QStringLiteral("channels"), par->ch_layout.nb_channels);
        char layout[128] = {};
        if (av_channel_layout_describe(&par->ch_layout, layout, sizeof layout) > 0)
            json.text(QStringLiteral("channel_layout"), QString::fromLatin1(layout));
        json.number(QStringLiteral("bits_per_sample"), av_get_bits_per_sample(par->codec_id));
    }
    json.text(QStringLiteral("r_frame_rate"), rational_text(stream->r_frame_rate));
    json.text(QStringLiteral("avg_frame_rate"), rational_text(stream->avg_frame_rate));
    json.text(QStringLiteral("time_base"), rational_text(stream->time_base));
    if (stream->start_time != AV_NOPTS_VALUE) {
        json.number(QStringLiteral("start_pts"), stream->start_time);
        json.text(QStringLiteral("start_time"), *stream_time(stream->start_time, stream->time_base));
    }
    if (info.duration) {
        json.number(QStringLiteral("duration_ts"), stream->duration);
        json.text(QStringLiteral("duration"), *info.duration);
    }
    if (par->bit_rate > 0)
        json.text(QStringLiteral("bit_rate"), QString::number(par->bit_rate));
    if (stream->nb_frames > 0)
        json.text(QStringLiteral("nb_frames"), QString::number(stream->nb_frames));
    write_disposition(json, stream->disposition);
    write_tags(json, stream->metadata);
    json.end_object();
    return info;
}

MediaInformation write_format(JsonLayout& json, const AVFormatContext* context, const QString& path)
{
    MediaInformation info;
    info.filename = path;
    info.format = QString::fromLatin1(context->iformat->name);
    info.long_format = QString::fromUtf8(context->iformat->long_name ? context->iformat->long_name : "");
    info.start_time = format_time(context->start_time);
    info.duration = format_time(context->duration);
    const int64_t size = context->pb ? avio_size(context->pb) : -1;
    info.size = size >= 0 ? QString::number(size) : QString();
    if (context->bit_rate > 0)
        info.bitrate = QString::number(context->bit_rate);

    json.begin_object(QStringLiteral("format"));
    json.text(QStringLiteral("filename"), path);
    json.number(QStringLiteral("nb_streams"), context->nb_streams);
    json.number(QStringLiteral("nb_programs"), context->nb_programs);
    json.text(QStringLiteral("format_name"), info.format);
    json.text(QStringLiteral("format_long_name"), info.long_format);
    if (info.start_time)
        json.text(QStringLiteral("start_time"), *info.start_time);
    if (info.duration)
        json.text(QStringLiteral("duration"), *info.duration);
    if (!info.size.isEmpty())
        json.text(QStringLiteral("size"), info.size);
    if (info.bitrate)
        json.text(QStringLiteral("bit_rate"), *info.bitrate);
    json.number(QStringLiteral("probe_score"), context->probe_score);
    write_tags(json, context->metadata);
    json.end_object();
    return info;
}

ProbeSession failure(const QString& path, const QString& reason)
{
    return ProbeSession{std::nullopt, path + QStringLiteral(": ") + reason + u'\n'};
}

}  // namespace

ProbeSession get_media_information(const QString& path)
{
    // Only regular files: opening a FIFO or a device could block for ever.
    const QFileInfo file(path);
    if (!file.exists())
        return failure(path, QStringLiteral("No such file or directory"));
    if (!file.isFile())
        return failure(path, QStringLiteral("Not a regular file"));

    // The media layer's opening: local files only, and no playlist that names other files.
    QString why;
    media::av::FormatPtr opened = media::av::open_input(path, &why);
    if (!opened)
        return failure(path, why);
    AVFormatContext* context = opened.get();

    JsonLayout json;
    json.begin_object();
    json.begin_array(QStringLiteral("streams"));
    std::vector<StreamInformation> streams;
    for (unsigned i = 0; i < context->nb_streams; ++i)
        streams.push_back(write_stream(json, context->streams[i]));
    json.end_array();
    MediaInformation info = write_format(json, context, path);
    info.streams = std::move(streams);
    json.end_object();
    return ProbeSession{std::move(info), json.result()};
}

}  // namespace ffkit

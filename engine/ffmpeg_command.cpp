#include "ffmpeg_command.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "engine/presets.h"
#include "engine/settings_values.h"
#include "platform/ffkit/arguments.h"
#include "platform/media/geometry.h"
#include "platform/media/identifiers.h"

namespace {

struct CodecEntry {
    const char* codec;
    const char* text;
    bool bit_rate_follows;
};

// The command-line encoders of this platform for each video codec of the presets.
constexpr CodecEntry kCodecTable[] = {
    // 8-bit 4:2:0, as the hardware encoder writes: libx264 would otherwise keep a 10-bit or
    // 4:4:4 source's format, in a profile that many players refuse.
    {AVVideoCodecTypeH264, " -vcodec libx264 -pix_fmt yuv420p", true},
    {AVVideoCodecTypeHEVC, " -vcodec libx265 -tag:v hvc1 -pix_fmt yuv422p10", true},
    {AVVideoCodecTypeAppleProRes4444, " -vcodec prores -profile:v 4 -pix_fmt yuv444p10", false},
    {AVVideoCodecTypeAppleProRes422, " -vcodec prores -profile:v 2 -pix_fmt yuv422p10", false},
    {AVVideoCodecTypeAppleProRes422HQ, " -vcodec prores -profile:v 3 -pix_fmt yuv422p10", false},
    {AVVideoCodecTypeAppleProRes422LT, " -vcodec prores -profile:v 1 -pix_fmt yuv422p10", false},
    {AVVideoCodecTypeAppleProRes422Proxy, " -vcodec prores -profile:v 0 -pix_fmt yuv422p10", false},
};

// An odd size rounded up to even as the pipeline does: the encoders' subsampled formats take
// even sizes only.
QString size_text(long long value) { return QString::number(media::even_size(value)); }

QString frame_size(const QVariantMap& video)
{
    const auto size = settings_frame_size(video);
    if (!size)
        return {};
    return QStringLiteral(" -s ") + size_text(size->width) + u'*' + size_text(size->height);
}

// The table's entry for the codec that the video settings name; none for another codec, or
// for a codec value that is no text.
const CodecEntry* codec_entry(const QVariantMap& video)
{
    const QVariant codec = video.value(AVVideoCodecKey);
    if (codec.typeId() != QMetaType::QString)
        return nullptr;
    for (const auto& entry : kCodecTable)
        if (codec.toString() == QLatin1String(entry.codec))
            return &entry;
    return nullptr;
}

QString video_codec(const QVariantMap& video)
{
    const CodecEntry* entry = codec_entry(video);
    if (!entry)
        return {};
    QString text = QString::fromLatin1(entry->text);
    const QVariant properties = video.value(AVVideoCompressionPropertiesKey);
    if (entry->bit_rate_follows && properties.typeId() == QMetaType::QVariantMap) {
        const QVariant rate = properties.toMap().value(AVVideoAverageBitRateKey);
        if (is_integer_type(rate))
            text += QStringLiteral(" -b:v ") + rate.toString();
        else if (const auto number = settings_number(rate))
            text += QStringLiteral(" -b:v ") + decimal_text(*number);
    }
    return text;
}

QString audio_codec(const My_Prest& preset)
{
    switch (ffmpeg_audio_format(&preset).value_or(0)) {
    case kAudioFormatMPEG4AAC: return QStringLiteral(" -c:a aac");
    case kAudioFormatLinearPCM: return QStringLiteral(" -c:a pcm_s24le");
    default: return {};
    }
}

// ffmpeg takes a picture attached to sound (a cover) as a video stream, which the movie
// containers refuse. A movie of such a source holds its sound alone, as the pipeline writes it.
// A source that did not open is left to ffmpeg; the sound-only files keep the cover their way.
QString without_cover(const media::Asset* source, const media::FileType& type)
{
    if (!source || !source->is_openable() || holds_sound_only(type) ||
        !source->tracks_with_media_type(AVMediaTypeVideo).empty() ||
        source->tracks_with_media_type(AVMediaTypeAudio).empty())
        return {};
    return QStringLiteral(" -vn");
}

// Written alone, sound loses a hole in its timestamps and a late start: what follows comes
// early. A sound-only file keeps them as silence, as the movies do, so that it stays in step
// with the source's picture. Only gaps of a tenth of a second or more are filled (hard
// compensation, nothing stretched); sound without gaps passes sample for sample.
QString keeping_timeline(const media::FileType& type)
{
    if (!holds_sound_only(type))
        return {};
    return QStringLiteral(" -af aresample=min_comp=0.1:min_hard_comp=0.1:first_pts=0");
}

}  // namespace

bool holds_sound_only(const media::FileType& type)
{
    for (const char* sound : {AVFileTypeWAVE, AVFileTypeMPEGLayer3, AVFileTypeAIFF, AVFileTypeAIFC,
                              AVFileTypeCoreAudioFormat, AVFileTypeSunAU, AVFileTypeAC3, AVFileTypeEnhancedAC3,
                              AVFileTypeAppleM4A, AVFileTypeAMR})
        if (type == QLatin1String(sound))
            return true;
    return false;
}

std::optional<media::FourCC> ffmpeg_audio_format(const My_Prest* preset)
{
    const QVariant format = preset ? preset->audio_outputSettings.value(AVFormatIDKey) : QVariant();
    if (format.typeId() != QMetaType::UInt)
        return std::nullopt;
    const media::FourCC code = format.toUInt();
    if (code != kAudioFormatMPEG4AAC && code != kAudioFormatLinearPCM)
        return std::nullopt;
    return code;
}

std::optional<QString> unwritable_video_codec(const My_Prest* preset)
{
    if (!preset)
        return std::nullopt;
    const QVariant codec = preset->video_outputSettings.value(AVVideoCodecKey);
    if (codec.typeId() != QMetaType::QString || codec_entry(preset->video_outputSettings))
        return std::nullopt;
    return codec.toString();
}

QString ffmpeg_video_encoder(const My_Prest* preset)
{
    const CodecEntry* entry = preset ? codec_entry(preset->video_outputSettings) : nullptr;
    if (!entry)
        return {};
    // " -vcodec libx264 …": the word after the option.
    return QString::fromLatin1(entry->text).section(u' ', 2, 2);
}

QString decimal_text(double value)
{
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    QString text = QString::fromLatin1(buffer, ec == std::errc() ? end - buffer : 0);
    if (std::isfinite(value) && !text.contains(u'.') && !text.contains(u'e'))
        text += QStringLiteral(".0");
    return text;
}

QString with_sample_range(const media::TimeRange& range, const QString& command)
{
    QString sample = QStringLiteral("-ss ") + decimal_text(range.start.seconds());
    // An open-ended range has no duration to give; the sample then runs to the end.
    if (std::isfinite(range.duration.seconds()))
        sample += QStringLiteral(" -t ") + decimal_text(range.duration.seconds());
    return sample + u' ' + command;
}

QString ffmpeg_command(const QString& input_path, const QString& output_path, const My_Prest* preset,
                       const media::Asset* source)
{
    QString command = QStringLiteral("-i ") + ffkit::quote_path(input_path);
    if (preset) {
        command += frame_size(preset->video_outputSettings);
        command += video_codec(preset->video_outputSettings);
        command += audio_codec(*preset);
    }
    // Without a preset the output is a movie.
    const media::FileType type = preset ? preset->fileType : media::FileType(AVFileTypeQuickTimeMovie);
    command += without_cover(source, type);
    command += keeping_timeline(type);
    return command + u' ' + ffkit::quote_path(output_path);
}

#include "writer_refusals.h"

#include "engine/run_failure_texts.h"
#include "engine/settings_values.h"

namespace {

QString shown_file_type(const media::AssetWriter& writer)
{
    return shown_file_type_name(writer.output_file_type(), writer.output_url());
}

// The size, which the user typed, when the settings are refused for it alone.
std::optional<QString> refused_frame_size(const media::AssetWriter& writer, const QVariantMap& settings)
{
    const auto size = settings_frame_size(settings);
    if (!size)
        return std::nullopt;
    QVariantMap unsized = settings;
    unsized.remove(AVVideoWidthKey);
    unsized.remove(AVVideoHeightKey);
    if (!writer.can_apply_output_settings(unsized, AVMediaTypeVideo))
        return std::nullopt;
    return frame_size_refused_text(settings.value(AVVideoCodecKey).toString(), size->width, size->height);
}

// The audio format alone, where the file type cannot hold it.
std::optional<QString> refused_format(const media::AssetWriter& writer, const QVariant& format)
{
    if (writer.can_apply_output_settings(QVariantMap{{AVFormatIDKey, format}}, AVMediaTypeAudio))
        return std::nullopt;
    return refused_audio_format_text(format.toUInt(), shown_file_type(writer));
}

}  // namespace

QString refused_video_settings(const media::AssetWriter& writer, const std::optional<QVariantMap>& settings)
{
    if (settings)
        if (const auto size = refused_frame_size(writer, *settings))
            return *size;
    // Without settings the writer would write H.264.
    const QString codec = settings ? settings->value(AVVideoCodecKey, QString(AVVideoCodecTypeH264)).toString()
                                   : QString(AVVideoCodecTypeH264);
    if (!writer.can_apply_output_settings(QVariantMap{{AVVideoCodecKey, codec}}, AVMediaTypeVideo))
        return refused_video_codec_text(codec, shown_file_type(writer));
    return refused_video_settings_text(codec, shown_file_type(writer));
}

QString refused_audio_settings(const media::AssetWriter& writer, const std::optional<QVariantMap>& settings)
{
    // Without a format the writer would write linear PCM.
    const QVariant format = settings ? settings->value(AVFormatIDKey, uint(kAudioFormatLinearPCM))
                                     : QVariant(uint(kAudioFormatLinearPCM));
    if (const auto refused = refused_format(writer, format))
        return *refused;
    return refused_audio_settings_text(format.toUInt(), shown_file_type(writer));
}

std::optional<QString> refused_audio_format(const media::FileType& type, const QUrl& output, media::FourCC format)
{
    // Made only to ask: a writer touches no file before it starts writing.
    const auto writer = media::AssetWriter::create(output, type);
    return writer ? refused_format(*writer, uint(format)) : std::nullopt;
}

QString writer_creation_failure(const media::Error& error, const media::FileType& type, const QUrl& output)
{
    if (error.domain == QLatin1String(media::AssetWriter::kErrorDomain) &&
        error.code == media::AssetWriter::kUnwritableFileType)
        return unwritable_file_type_text(shown_file_type_name(type, output));
    return error.description;
}

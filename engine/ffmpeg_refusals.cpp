#include "ffmpeg_refusals.h"

#include <QRegularExpression>

#include "engine/ffmpeg_command.h"
#include "engine/presets.h"
#include "engine/run_failure_texts.h"
#include "engine/settings_values.h"
#include "engine/writer_refusals.h"
#include "platform/ffkit/statistics.h"

namespace {

bool has_tracks(const media::Asset* source, const char* media_type)
{
    return source && !source->tracks_with_media_type(media_type).empty();
}

}  // namespace

std::optional<QString> ffmpeg_refusal(const My_Prest* preset, const media::Asset* source, const QUrl& output)
{
    // ffmpeg would write a codec of its own choosing in place of one it has no encoder for;
    // of a source without video it converts the sound as asked.
    if (has_tracks(source, AVMediaTypeVideo))
        if (const auto codec = unwritable_video_codec(preset))
            return unwritable_codec_text(*codec);
    // ffmpeg would fail to write the file's header, and its log does not say why.
    if (has_tracks(source, AVMediaTypeAudio))
        if (const auto format = ffmpeg_audio_format(preset))
            if (const auto refused = refused_audio_format(preset->fileType, output, *format))
                return refused;
    // ffmpeg would find no stream to write. A source that did not open may still have sound
    // when ffmpeg reads it: ffmpeg then says what it finds.
    if (preset && holds_sound_only(preset->fileType) && source && source->is_openable() &&
        !has_tracks(source, AVMediaTypeAudio))
        return no_source_audio_text();
    return std::nullopt;
}

void FfmpegVideoEncoderRefusal::set_up(const My_Prest* preset)
{
    const QString encoder = ffmpeg_video_encoder(preset);
    const auto size = preset ? settings_frame_size(preset->video_outputSettings) : std::nullopt;
    if (encoder.isEmpty() || !size)
        return;
    encoder_prefix_ = u'[' + encoder + QStringLiteral(" @ ");
    text_ = frame_size_refused_text(preset->video_outputSettings.value(AVVideoCodecKey).toString(), size->width,
                                    size->height);
}

void FfmpegVideoEncoderRefusal::note(const ffkit::Log& log)
{
    static const QRegularExpression not_opened(
        QStringLiteral(R"(^Error initializing output stream \d+:\d+ -- Error while opening encoder for output stream #\d+:\d+)"));
    if (!text_ || !log.is_error_or_worse())
        return;
    if (log.message.startsWith(encoder_prefix_))
        encoder_error_ = true;
    else if (encoder_error_ && not_opened.match(log.message).hasMatch())
        not_opened_ = true;
}

std::optional<QString> FfmpegVideoEncoderRefusal::text() const
{
    return not_opened_ ? text_ : std::nullopt;
}

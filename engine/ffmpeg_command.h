#pragma once

#include <QString>
#include <QVariant>
#include <optional>

#include "platform/media/asset.h"
#include "platform/media/identifiers.h"
#include "platform/media/time.h"

class My_Prest;

// The ffmpeg argument string of a conversion: input, frame size, video codec and bit rate,
// audio codec, then what the source and file type need, output. Paths are quoted so that the
// string splits back into exactly these paths whatever characters they hold
// (ffkit::split_arguments). `source` is the opened source, where there is one: sound whose only
// picture is a cover makes a movie of the sound alone.
QString ffmpeg_command(const QString& input_path, const QString& output_path, const My_Prest* preset,
                       const media::Asset* source = nullptr);

// The file types that hold sound only. ffmpeg takes no video into them (an MP3 file keeps a
// cover picture as its cover).
bool holds_sound_only(const media::FileType& type);

// The audio format that the command asks ffmpeg for; none when it leaves the audio codec to
// ffmpeg.
std::optional<media::FourCC> ffmpeg_audio_format(const My_Prest* preset);

// The video codec that the preset asks for and that the command has no encoder for, so that
// ffmpeg would write a codec of its own choosing; none when the preset names no codec or one
// the command writes.
std::optional<QString> unwritable_video_codec(const My_Prest* preset);

// The video encoder that the command asks ffmpeg for, as ffmpeg's log names it ("libx264");
// empty when the command leaves the video codec to ffmpeg.
QString ffmpeg_video_encoder(const My_Prest* preset);

// The arguments of a sample run: "-ss start -t duration " in front of the command.
QString with_sample_range(const media::TimeRange& range, const QString& command);

// The shortest decimal text that reads back as the same double; whole numbers keep one
// decimal place: 0.0, 10.0, 0.5.
QString decimal_text(double value);

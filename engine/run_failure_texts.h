#pragma once

#include <QString>
#include <QUrl>

#include "platform/media/identifiers.h"

// Failure texts of a run that the table shows, in the "Localizable" context the app
// translates. Codecs, audio formats and file types are named as the settings panes name them.

// The output's name was taken by another file (before the start or during the run).
QString existing_output_text();

// The output would be the source file itself.
QString same_as_source_text();

// The source's media data ends early: only `converted` of `duration` seconds could be read.
QString truncated_source_text(double converted, double duration);
// The same where the source suggests no length in time: its size against the size it declares.
QString truncated_source_size_text(int64_t size, int64_t declared);

// The ffmpeg path has no encoder for the video codec (its identifier) that the settings ask for.
QString unwritable_codec_text(const QString& codec);

// The ffmpeg argument string could not be split into arguments.
QString unreadable_arguments_text();

// ffmpeg ended with the return code `code` (a text: "nil" without one) and logged nothing.
QString ffmpeg_return_code_text(const QString& code);

// The ffmpeg child was ended by the signal (killed, crashed, stopped from outside).
QString ffmpeg_signal_text(int signal);

// Sound only was asked of a source that holds none.
QString no_source_audio_text();

// The encoder of the video codec refused the frame size.
QString frame_size_refused_text(const QString& codec, long long width, long long height);

// The file type as the settings panes name it; for one they do not offer, the extension of the
// output file (".aiff"), and its identifier only for an output without one.
QString shown_file_type_name(const media::FileType& type, const QUrl& output);

// The built-in engine writes no file of that type (named as shown_file_type_name gives it).
QString unwritable_file_type_text(const QString& file_type);

// The file type cannot hold the video codec (its identifier): no file type can where there is
// no encoder for it.
QString refused_video_codec_text(const QString& codec, const QString& file_type);

// The file type holds the video codec, but not with the other video settings asked for.
QString refused_video_settings_text(const QString& codec, const QString& file_type);

// The file type cannot hold the audio format.
QString refused_audio_format_text(media::FourCC format, const QString& file_type);

// The file type holds the audio format, but not with the other audio settings asked for.
QString refused_audio_settings_text(media::FourCC format, const QString& file_type);

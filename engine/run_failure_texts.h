#pragma once

#include <QString>

// Failure texts of a run that the table shows, in the "Localizable" context the app
// translates.

// The output's name was taken by another file (before the start or during the run).
QString existing_output_text();

// The output would be the source file itself.
QString same_as_source_text();

// The source's media data ends early: only `converted` of `duration` seconds could be read.
QString truncated_source_text(double converted, double duration);

// The ffmpeg path has no encoder for the video codec that the settings ask for.
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

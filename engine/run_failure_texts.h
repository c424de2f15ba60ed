#pragma once

#include <QString>

// Failure texts of a run that the table shows, in the "Localizable" context the app
// translates.

// The output's name was taken by another file (before the start or during the run).
QString existing_output_text();

// The source's media data ends early: only `converted` of `duration` seconds could be read.
QString truncated_source_text(double converted, double duration);

// The ffmpeg path has no encoder for the video codec that the settings ask for.
QString unwritable_codec_text(const QString& codec);

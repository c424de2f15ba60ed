#pragma once

#include <QString>
#include <QVariantMap>
#include <optional>

#include "platform/media/error.h"
#include "platform/media/writer.h"

// Why the writer refuses a run's output settings, told with the names the settings panes show
// rather than the settings themselves.

// The video settings that the writer does not apply: the frame size the encoder refuses, else
// the codec the file type cannot hold, else the codec's other settings.
QString refused_video_settings(const media::AssetWriter& writer, const std::optional<QVariantMap>& settings);

// The audio settings that the writer does not take: the audio format the file type cannot
// hold, else the format's other settings.
QString refused_audio_settings(const media::AssetWriter& writer, const std::optional<QVariantMap>& settings);

// The refusal of the audio format (alone) by the file type, in refused_audio_settings' words;
// none where the file type holds it, or where there is no writer of the file type to ask.
std::optional<QString> refused_audio_format(const media::FileType& type, const QUrl& output, media::FourCC format);

// The reason of a writer that could not be made for the file type and output: the file type
// by name when there is no writing it, else the writer's own reason.
QString writer_creation_failure(const media::Error& error, const media::FileType& type, const QUrl& output);

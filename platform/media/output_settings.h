#pragma once

#include <QString>
#include <QVariantMap>
#include <optional>

#include "identifiers.h"

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace media::wr {

// A video input's output settings, resolved to an encoder.
struct VideoSettings {
    const char* encoder = "libx264";
    AVCodecID codec_id = AV_CODEC_ID_H264;
    FourCC tag = 0;       // the sample description's codec type; 0 = the muxer's own
    int profile = -1;     // ProRes profile
    int width = 0;        // 0: the size of the first appended frame
    int height = 0;
    int64_t bit_rate = 0; // 0: the encoder's quality default
    QString scaling_mode;
};

// An audio input's output settings. Zero fields take the appended audio's values.
struct AudioSettings {
    FourCC format = kAudioFormatLinearPCM;
    int sample_rate = 0;
    int channels = 0;
    int64_t bit_rate = 0;
    int pcm_bits = 32;
    bool pcm_float = true;
    bool pcm_big_endian = false;
};

// nullopt with the reason when no encoder exists for the settings. No settings at all means
// H.264 at the size of the frames.
std::optional<VideoSettings> parse_video_settings(const std::optional<QVariantMap>& settings,
                                                  QString* why = nullptr);
// No settings at all means 32-bit float PCM as appended.
std::optional<AudioSettings> parse_audio_settings(const std::optional<QVariantMap>& settings,
                                                  QString* why = nullptr);

// The PCM codec for the flags; the container may force the byte order.
AVCodecID pcm_codec(const AudioSettings& s, bool big_endian);
// The encoder's codec for the audio settings (PCM in the given byte order; AC-3 settings
// give AC-3 here, a container may choose E-AC-3).
AVCodecID audio_codec(const AudioSettings& s, bool big_endian);

// A settings value that may be a Boolean, a number or the texts "true"/"false".
bool settings_flag(const QVariant& value, bool fallback = false);

}  // namespace media::wr

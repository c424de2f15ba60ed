#include "output_settings.h"

#include <array>
#include <cmath>

#include "writer_libav.h"
#include "texts.h"

namespace media::wr {

namespace {

struct VideoCodec {
    const char* type;
    const char* encoder;
    AVCodecID codec_id;
    FourCC tag;
    int profile;
};

const std::array kVideoCodecs = {
    VideoCodec{AVVideoCodecTypeH264, "libx264", AV_CODEC_ID_H264, 0, -1},
    VideoCodec{AVVideoCodecTypeHEVC, "libx265", AV_CODEC_ID_HEVC, fourcc("hvc1"), -1},
    VideoCodec{AVVideoCodecTypeAppleProRes422Proxy, "prores_ks", AV_CODEC_ID_PRORES, fourcc("apco"), 0},
    VideoCodec{AVVideoCodecTypeAppleProRes422LT, "prores_ks", AV_CODEC_ID_PRORES, fourcc("apcs"), 1},
    VideoCodec{AVVideoCodecTypeAppleProRes422, "prores_ks", AV_CODEC_ID_PRORES, fourcc("apcn"), 2},
    VideoCodec{AVVideoCodecTypeAppleProRes422HQ, "prores_ks", AV_CODEC_ID_PRORES, fourcc("apch"), 3},
    VideoCodec{AVVideoCodecTypeAppleProRes4444, "prores_ks", AV_CODEC_ID_PRORES, fourcc("ap4h"), 4},
    VideoCodec{AVVideoCodecTypeJPEG, "mjpeg", AV_CODEC_ID_MJPEG, fourcc("jpeg"), -1},
};

// A whole, non-negative number from a settings value; nullopt when it is not a number.
std::optional<int64_t> settings_count(const QVariant& value)
{
    bool ok = false;
    const double d = value.toDouble(&ok);
    if (!ok || !std::isfinite(d) || d < 0 || d > 1e12)
        return std::nullopt;
    return static_cast<int64_t>(std::llround(d));
}

// Reads an optional count; false (with the reason) when the key holds something else.
bool read_count(const QVariantMap& map, const char* key, int64_t limit, int64_t* out, QString* why)
{
    const auto it = map.find(QLatin1String(key));
    if (it == map.end())
        return true;
    const auto n = settings_count(*it);
    if (!n || *n > limit)
        return fail(why, translated("%1 不是可用的数字").arg(QLatin1String(key)));
    *out = *n;
    return true;
}

}  // namespace

bool settings_flag(const QVariant& value, bool fallback)
{
    if (!value.isValid())
        return fallback;
    if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray) {
        const QString text = value.toString().trimmed().toLower();
        if (text == QLatin1String("true") || text == QLatin1String("yes") || text == QLatin1String("1"))
            return true;
        if (text == QLatin1String("false") || text == QLatin1String("no") || text == QLatin1String("0"))
            return false;
        return fallback;
    }
    return value.toBool();
}

std::optional<VideoSettings> parse_video_settings(const std::optional<QVariantMap>& settings, QString* why)
{
    VideoSettings out;
    if (!settings)
        return out;
    const QVariantMap& map = *settings;
    const QString codec = map.value(QLatin1String(AVVideoCodecKey), QLatin1String(AVVideoCodecTypeH264)).toString();
    const VideoCodec* found = nullptr;
    for (const VideoCodec& c : kVideoCodecs)
        if (codec == QLatin1String(c.type))
            found = &c;
    if (!found) {
        if (codec == QLatin1String(AVVideoCodecTypeHEVCWithAlpha))
            fail(why, translated("此平台无法编码带透明通道的 HEVC"));
        else
            fail(why, translated("没有视频编码“%1”的编码器").arg(codec));
        return std::nullopt;
    }
    out.encoder = found->encoder;
    out.codec_id = found->codec_id;
    out.tag = found->tag;
    out.profile = found->profile;

    int64_t width = 0, height = 0;
    constexpr int64_t kMaxSide = 16384;
    if (!read_count(map, AVVideoWidthKey, kMaxSide, &width, why) ||
        !read_count(map, AVVideoHeightKey, kMaxSide, &height, why))
        return std::nullopt;
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.scaling_mode = map.value(QLatin1String(AVVideoScalingModeKey)).toString();

    const QVariantMap props = map.value(QLatin1String(AVVideoCompressionPropertiesKey)).toMap();
    if (!read_count(props, AVVideoAverageBitRateKey, int64_t(1) << 40, &out.bit_rate, why))
        return std::nullopt;
    return out;
}

std::optional<AudioSettings> parse_audio_settings(const std::optional<QVariantMap>& settings, QString* why)
{
    AudioSettings out;
    if (!settings)
        return out;
    const QVariantMap& map = *settings;
    const auto format = map.find(QLatin1String(AVFormatIDKey));
    if (format != map.end()) {
        bool ok = false;
        out.format = format->toUInt(&ok);
        if (!ok) {
            fail(why, translated("AVFormatIDKey 不是格式代码"));
            return std::nullopt;
        }
    }
    if (out.format != kAudioFormatLinearPCM && out.format != kAudioFormatMPEG4AAC &&
        out.format != kAudioFormatAC3) {
        fail(why, translated("没有音频格式“%1”的编码器").arg(fourcc_string(out.format)));
        return std::nullopt;
    }
    int64_t rate = 0, channels = 0, bit_rate = 0, bits = 0;
    if (!read_count(map, AVSampleRateKey, 768000, &rate, why) ||
        !read_count(map, AVNumberOfChannelsKey, 64, &channels, why) ||
        !read_count(map, AVEncoderBitRateKey, 100000000, &bit_rate, why) ||
        !read_count(map, AVLinearPCMBitDepthKey, 64, &bits, why))
        return std::nullopt;
    out.sample_rate = static_cast<int>(rate);
    out.channels = static_cast<int>(channels);
    out.bit_rate = bit_rate;
    if (out.format == kAudioFormatLinearPCM) {
        out.pcm_float = settings_flag(map.value(QLatin1String(AVLinearPCMIsFloatKey)), false);
        out.pcm_big_endian = settings_flag(map.value(QLatin1String(AVLinearPCMIsBigEndianKey)), false);
        out.pcm_bits = bits ? static_cast<int>(bits) : (out.pcm_float ? 32 : 16);
        if (pcm_codec(out, out.pcm_big_endian) == AV_CODEC_ID_NONE) {
            fail(why, translated("不支持 %1 位%2的线性 PCM")
                          .arg(out.pcm_bits)
                          .arg(out.pcm_float ? translated("（浮点）") : QString()));
            return std::nullopt;
        }
    }
    return out;
}

AVCodecID pcm_codec(const AudioSettings& s, bool big_endian)
{
    if (s.pcm_float) {
        if (s.pcm_bits == 32)
            return big_endian ? AV_CODEC_ID_PCM_F32BE : AV_CODEC_ID_PCM_F32LE;
        if (s.pcm_bits == 64)
            return big_endian ? AV_CODEC_ID_PCM_F64BE : AV_CODEC_ID_PCM_F64LE;
        return AV_CODEC_ID_NONE;
    }
    switch (s.pcm_bits) {
    case 8:
        return AV_CODEC_ID_PCM_S8;
    case 16:
        return big_endian ? AV_CODEC_ID_PCM_S16BE : AV_CODEC_ID_PCM_S16LE;
    case 24:
        return big_endian ? AV_CODEC_ID_PCM_S24BE : AV_CODEC_ID_PCM_S24LE;
    case 32:
        return big_endian ? AV_CODEC_ID_PCM_S32BE : AV_CODEC_ID_PCM_S32LE;
    default:
        return AV_CODEC_ID_NONE;
    }
}

AVCodecID audio_codec(const AudioSettings& s, bool big_endian)
{
    if (s.format == kAudioFormatMPEG4AAC)
        return AV_CODEC_ID_AAC;
    if (s.format == kAudioFormatAC3)
        return AV_CODEC_ID_AC3;
    return pcm_codec(s, big_endian);
}

}  // namespace media::wr

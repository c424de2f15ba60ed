#include "presets.h"

#include <mutex>
#include <utility>

bool My_Prest::set_size(double width, double height)
{
    video_outputSettings.insert(AVVideoWidthKey, width);
    video_outputSettings.insert(AVVideoHeightKey, height);
    return true;
}

void My_Prest::merge_settings(QVariantMap& target, const std::map<QString, std::optional<QVariant>>& settings)
{
    for (const auto& [key, value] : settings) {
        if (value)
            target.insert(key, *value);
        else
            target.remove(key);
    }
}

void My_Prest::merge_video_settings(const std::map<QString, std::optional<QVariant>>& settings)
{
    merge_settings(video_outputSettings, settings);
}

void My_Prest::merge_audio_settings(const std::map<QString, std::optional<QVariant>>& settings)
{
    merge_settings(audio_outputSettings, settings);
}

Setup_prest::Setup_prest(QString name, media::FileType fileType, QString AVVideoCodec_name,
                         QList<media::VideoCodecType> AVVideoCodecType_list)
    : name(std::move(name)),
      fileType(std::move(fileType)),
      AVVideoCodec_name(std::move(AVVideoCodec_name)),
      AVVideoCodecType_list(std::move(AVVideoCodecType_list))
{
}

namespace {

// The four tables behind one lock: every store and lookup is atomic.
struct NameTables {
    std::mutex lock;
    std::map<QString, QString> file_type_names;
    std::map<QString, QString> file_type_extensions;
    std::map<QString, QString> codec_names;
    std::map<media::FourCC, QString> audio_format_names;
};

NameTables& tables()
{
    static NameTables t;
    return t;
}

template <typename Key>
QString lookup(std::map<Key, QString> NameTables::*table, const Key& key)
{
    NameTables& t = tables();
    std::lock_guard guard(t.lock);
    const auto& m = t.*table;
    const auto it = m.find(key);
    return it == m.end() ? QString() : it->second;
}

template <typename Key>
void store(std::map<Key, QString> NameTables::*table, const Key& key, const QString& value)
{
    NameTables& t = tables();
    std::lock_guard guard(t.lock);
    (t.*table)[key] = value;
}

}  // namespace

QString fileType_name(const media::FileType& type) { return lookup(&NameTables::file_type_names, type); }
QString fileType_extension(const media::FileType& type) { return lookup(&NameTables::file_type_extensions, type); }
QString codec_name(const media::VideoCodecType& codec) { return lookup(&NameTables::codec_names, codec); }
QString audio_format_name(media::FourCC format) { return lookup(&NameTables::audio_format_names, format); }

void fileType_name(const media::FileType& type, const QString& name) { store(&NameTables::file_type_names, type, name); }
void fileType_extension(const media::FileType& type, const QString& extension)
{
    store(&NameTables::file_type_extensions, type, extension);
}
void codec_name(const media::VideoCodecType& codec, const QString& name) { store(&NameTables::codec_names, codec, name); }
void audio_format_name(media::FourCC format, const QString& name) { store(&NameTables::audio_format_names, format, name); }

void register_file_type_names()
{
    // This platform offers every identifier, including the newer captioning types.
    const bool has_newer_types = true;
    struct Row {
        const char* type;
        const char* name;
        const char* extension;
        bool newer;
    };
    static const Row rows[] = {
        {AVFileTypeMPEG4, "MPEG-4(.mp4)", "mp4", false},
        {AVFileTypeQuickTimeMovie, "QuickTime(.mov)", "mov", false},
        {AVFileTypeAppleM4V, "m4v", "m4v", false},
        {AVFileTypeAC3, "ac3", "ac3", false},
        {AVFileTypeAIFC, "aifc", "aifc", false},
        {AVFileTypeAppleiTT, "appleiTT", "appleiTT", true},
        {AVFileTypeSunAU, "au", "au", false},
        {AVFileTypeAVCI, "high-efficiency image", "avci", false},
        {AVFileTypeCoreAudioFormat, "caf", "caf", false},
        {AVFileTypeDNG, "dng", "dng", false},
        {AVFileTypeEnhancedAC3, "eac3", "eac3", false},
        {AVFileTypeHEIC, "heic", "heic", false},
        {AVFileTypeHEIF, "heif", "heif", false},
        {AVFileTypeJPEG, "jpg", "jpg", false},
        {AVFileType3GPP, "mobile3GPP", "mobile3GPP", false},
        {AVFileType3GPP2, "mobile3GPP2", "mobile3GPP2", false},
        {AVFileTypeMPEGLayer3, "MPEG Audio(.mp3)", "mp3", false},
        {AVFileTypeSCC, "SCC", "SCC", true},
        {AVFileTypeTIFF, "tif", "tif", false},
        {AVFileTypeWAVE, "WAVE(.wav)", "wav", false},
        {AVFileTypeMFX, "MFX(.mfx)", "mfx", false},
    };
    for (const Row& row : rows) {
        if (row.newer && !has_newer_types)
            continue;
        fileType_name(QString::fromUtf8(row.type), QString::fromUtf8(row.name));
        fileType_extension(QString::fromUtf8(row.type), QString::fromUtf8(row.extension));
    }
}

void register_codec_names()
{
    static const std::pair<const char*, const char*> rows[] = {
        {AVVideoCodecTypeAppleProRes4444, "proRes4444"},
        {AVVideoCodecTypeAppleProRes422, "proRes422"},
        {AVVideoCodecTypeAppleProRes422HQ, "proRes422HQ"},
        {AVVideoCodecTypeAppleProRes422LT, "proRes422LT"},
        {AVVideoCodecTypeAppleProRes422Proxy, "proRes422Proxy"},
        {AVVideoCodecTypeHEVCWithAlpha, "hevcWithAlpha"},
        {AVVideoCodecTypeH264, "h264"},
        {AVVideoCodecTypeHEVC, "hevc"},
        {AVVideoCodecTypeJPEG, "jpeg"},
    };
    for (const auto& [codec, name] : rows)
        codec_name(QString::fromUtf8(codec), QString::fromUtf8(name));
}

void register_audio_format_names()
{
    audio_format_name(kAudioFormatLinearPCM, QStringLiteral("LinearPCM"));
    audio_format_name(kAudioFormatAC3, QStringLiteral("AC3"));
    audio_format_name(kAudioFormatMPEG4AAC, QStringLiteral("AAC"));
}

QVariantMap linear_pcm_audio_settings()
{
    return {
        {QString::fromLatin1(AVFormatIDKey), uint(kAudioFormatLinearPCM)},
        {QString::fromLatin1(AVLinearPCMIsBigEndianKey), QStringLiteral("false")},
        {QString::fromLatin1(AVLinearPCMIsFloatKey), QStringLiteral("false")},
        {QString::fromLatin1(AVLinearPCMBitDepthKey), 24},
        {QString::fromLatin1(AVLinearPCMIsNonInterleaved), QStringLiteral("false")},
        {QString::fromLatin1(AVNumberOfChannelsKey), 2},
        {QString::fromLatin1(AVSampleRateKey), 48000.0f},
    };
}

std::map<QString, std::optional<QVariant>> settings_entries(const QVariantMap& settings)
{
    std::map<QString, std::optional<QVariant>> entries;
    for (auto it = settings.cbegin(); it != settings.cend(); ++it)
        entries.emplace(it.key(), it.value());
    return entries;
}

#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <map>
#include <optional>

#include "platform/media/identifiers.h"

// One output preset: the container, the video and audio output settings and the engine wish.
class My_Prest {
public:
    QString name = QStringLiteral("默认预设名称");
    media::FileType fileType = AVFileTypeQuickTimeMovie;
    QVariantMap video_outputSettings;
    QVariantMap audio_outputSettings;
    bool is_run_ffmpeg = false;

    // Stores width and height as doubles (-100 keeps the source size).
    bool set_size(double width, double height);
    // Present values are stored, absent ones remove their key; other keys stay.
    void merge_video_settings(const std::map<QString, std::optional<QVariant>>& settings);
    void merge_audio_settings(const std::map<QString, std::optional<QVariant>>& settings);

private:
    static void merge_settings(QVariantMap& target, const std::map<QString, std::optional<QVariant>>& settings);
};

// One container choice offered by a settings pane.
class Setup_prest {
public:
    Setup_prest(QString name, media::FileType fileType, QString AVVideoCodec_name,
                QList<media::VideoCodecType> AVVideoCodecType_list);

    QString name;
    media::FileType fileType;
    QString AVVideoCodec_name;
    QList<media::VideoCodecType> AVVideoCodecType_list;
};

// Process-wide name tables; a missing entry reads as "".
QString fileType_name(const media::FileType& type);
QString fileType_extension(const media::FileType& type);
QString codec_name(const media::VideoCodecType& codec);
QString audio_format_name(media::FourCC format);

void fileType_name(const media::FileType& type, const QString& name);
void fileType_extension(const media::FileType& type, const QString& extension);
void codec_name(const media::VideoCodecType& codec, const QString& name);
void audio_format_name(media::FourCC format, const QString& name);

// The audio settings of 24-bit stereo linear PCM at 48 kHz (the three flags are the text "false"):
// the audio pane's PCM choice, and what a video preset gets when nothing else chooses.
QVariantMap linear_pcm_audio_settings();
// The settings as entries for merge_video_settings and merge_audio_settings.
std::map<QString, std::optional<QVariant>> settings_entries(const QVariantMap& settings);

void register_file_type_names();
void register_codec_names();
void register_audio_format_names();

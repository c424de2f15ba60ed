#include "run_failure_texts.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>
#include <cstring>

#include "engine/presets.h"

namespace {

// Where no name is registered (the app registers them at launch), the identifier.
QString shown_codec_name(const media::VideoCodecType& codec)
{
    const QString name = codec_name(codec);
    return name.isEmpty() ? codec : name;
}

QString shown_audio_format_name(media::FourCC format)
{
    const QString name = audio_format_name(format);
    return name.isEmpty() ? media::fourcc_string(format) : name;
}

}  // namespace

QString existing_output_text() { return QCoreApplication::translate("Localizable", "文件已经存在"); }

QString same_as_source_text() { return QCoreApplication::translate("Localizable", "文件一样"); }

QString truncated_source_text(double converted, double duration)
{
    return QCoreApplication::translate("Localizable", "源文件不完整：只能转换其 %2 秒中的 %1 秒。")
        .arg(converted, 0, 'f', 1)
        .arg(duration, 0, 'f', 1);
}

QString truncated_source_size_text(int64_t size, int64_t declared)
{
    const QLocale locale;
    QString there = locale.formattedDataSize(size, 2, QLocale::DataSizeSIFormat);
    QString expected = locale.formattedDataSize(declared, 2, QLocale::DataSizeSIFormat);
    // A few bytes missing: the exact counts tell them apart.
    if (there == expected) {
        there = locale.toString(qlonglong(size)) + QStringLiteral(" B");
        expected = locale.toString(qlonglong(declared)) + QStringLiteral(" B");
    }
    return QCoreApplication::translate("Localizable", "源文件不完整：只能转换其 %2 中的 %1。").arg(there, expected);
}

QString unwritable_codec_text(const QString& codec)
{
    return QCoreApplication::translate("Localizable", "传统引擎无法写出视频编码 %1")
        .arg(shown_codec_name(codec));
}

QString unreadable_arguments_text() { return QCoreApplication::translate("Localizable", "ffmpeg 参数无法解析"); }

QString ffmpeg_return_code_text(const QString& code)
{
    return QCoreApplication::translate("Localizable", "ffmpeg 返回码 %1").arg(code);
}

QString ffmpeg_signal_text(int signal)
{
    // The signal's name in the system's words, as a shell reports it ("Killed").
    return QCoreApplication::translate("Localizable", "ffmpeg 被信号 %1 (%2) 终止")
        .arg(QString::number(signal), QString::fromLocal8Bit(::strsignal(signal)));
}

QString no_source_audio_text() { return QCoreApplication::translate("Localizable", "源文件没有音频"); }

QString frame_size_refused_text(const QString& codec, long long width, long long height)
{
    return QCoreApplication::translate("Localizable", "%1 编码器不接受画面大小 %2×%3")
        .arg(shown_codec_name(codec), QString::number(width), QString::number(height));
}

QString shown_file_type_name(const media::FileType& type, const QUrl& output)
{
    if (const QString name = fileType_name(type); !name.isEmpty())
        return name;
    const QString suffix = QFileInfo(output.path()).suffix();
    return suffix.isEmpty() ? type : u'.' + suffix;
}

QString unwritable_file_type_text(const QString& file_type)
{
    return QCoreApplication::translate("Localizable", "无法写出 %1 类型的文件").arg(file_type);
}

QString refused_video_codec_text(const QString& codec, const QString& file_type)
{
    return QCoreApplication::translate("Localizable", "视频编码 %1 无法写入 %2 文件")
        .arg(shown_codec_name(codec), file_type);
}

QString refused_video_settings_text(const QString& codec, const QString& file_type)
{
    return QCoreApplication::translate("Localizable", "视频编码 %1 的这些设置无法写入 %2 文件")
        .arg(shown_codec_name(codec), file_type);
}

QString refused_audio_format_text(media::FourCC format, const QString& file_type)
{
    return QCoreApplication::translate("Localizable", "音频格式 %1 无法写入 %2 文件")
        .arg(shown_audio_format_name(format), file_type);
}

QString refused_audio_settings_text(media::FourCC format, const QString& file_type)
{
    return QCoreApplication::translate("Localizable", "音频格式 %1 的这些设置无法写入 %2 文件")
        .arg(shown_audio_format_name(format), file_type);
}

#include "run_failure_texts.h"

#include <QCoreApplication>
#include <cstring>

#include "engine/presets.h"

QString existing_output_text() { return QCoreApplication::translate("Localizable", "文件已经存在"); }

QString same_as_source_text() { return QCoreApplication::translate("Localizable", "文件一样"); }

QString truncated_source_text(double converted, double duration)
{
    return QCoreApplication::translate("Localizable", "源文件不完整：只能转换其 %2 秒中的 %1 秒。")
        .arg(converted, 0, 'f', 1)
        .arg(duration, 0, 'f', 1);
}

QString unwritable_codec_text(const QString& codec)
{
    return QCoreApplication::translate("Localizable", "传统引擎无法写出视频编码 %1").arg(codec);
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
    // The codec as the video settings list it; its identifier where no name is registered.
    const QString name = codec_name(codec);
    return QCoreApplication::translate("Localizable", "%1 编码器不接受画面大小 %2×%3")
        .arg(name.isEmpty() ? codec : name, QString::number(width), QString::number(height));
}

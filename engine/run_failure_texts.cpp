#include "run_failure_texts.h"

#include <QCoreApplication>

QString existing_output_text() { return QCoreApplication::translate("Localizable", "文件已经存在"); }

QString truncated_source_text(double converted, double duration)
{
    return QStringLiteral("The source file is truncated: only %1 s of its %2 s could be converted.")
        .arg(converted, 0, 'f', 1)
        .arg(duration, 0, 'f', 1);
}

QString unwritable_codec_text(const QString& codec)
{
    return QCoreApplication::translate("Localizable", "传统引擎无法写出视频编码 %1").arg(codec);
}

#include "app_env.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include "app/build_info.h"

namespace apptest {

namespace {
// QSettings reads XDG_CONFIG_HOME once per process; the user-scope path is set explicitly.
void point_settings_at(const QString& config)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config);
}
}  // namespace

AppEnv::AppEnv()
    : old_home_(qgetenv("HOME")), old_config_(qgetenv("XDG_CONFIG_HOME")), old_data_(qgetenv("XDG_DATA_HOME")),
      old_videos_(qgetenv("XDG_VIDEOS_DIR"))
{
    const QString home = QString::fromStdString(home_.path());
    QDir(home).mkpath(QStringLiteral(".config"));
    QDir(home).mkpath(QStringLiteral(".local/share"));
    qputenv("HOME", home.toUtf8());
    qputenv("XDG_CONFIG_HOME", (home + QStringLiteral("/.config")).toUtf8());
    qputenv("XDG_DATA_HOME", (home + QStringLiteral("/.local/share")).toUtf8());
    qunsetenv("XDG_VIDEOS_DIR");
    QCoreApplication::setApplicationName(QString::fromUtf8(build_info::app_name));
    QCoreApplication::setOrganizationName(QString::fromUtf8(build_info::organization));
    QStandardPaths::setTestModeEnabled(false);
    point_settings_at(home + QStringLiteral("/.config"));
}

AppEnv::~AppEnv()
{
    QSettings().sync();
    qputenv("HOME", old_home_);
    qputenv("XDG_CONFIG_HOME", old_config_);
    qputenv("XDG_DATA_HOME", old_data_);
    if (old_videos_.isEmpty())
        qunsetenv("XDG_VIDEOS_DIR");
    else
        qputenv("XDG_VIDEOS_DIR", old_videos_);
    point_settings_at(old_config_.isEmpty() ? QString::fromLocal8Bit(old_home_) + QStringLiteral("/.config")
                                            : QString::fromLocal8Bit(old_config_));
}

}  // namespace apptest

namespace apptest {

LogCapture::LogCapture() { testing::internal::CaptureStdout(); }

LogCapture::~LogCapture()
{
    if (capturing_)
        take();
}

QStringList LogCapture::take()
{
    capturing_ = false;
    return QString::fromStdString(testing::internal::GetCapturedStdout()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

RecordingDesktop::RecordingDesktop() { desktop::set_services(this); }
RecordingDesktop::~RecordingDesktop() { desktop::set_services(nullptr); }

}  // namespace apptest

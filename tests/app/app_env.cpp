#include "app_env.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include "app/build_info.h"

namespace apptest {

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
    // QSettings caches its files per process; start each test from what is on disk.
    QSettings().sync();
}

AppEnv::~AppEnv()
{
    QSettings().clear();
    QSettings().sync();
    qputenv("HOME", old_home_);
    qputenv("XDG_CONFIG_HOME", old_config_);
    qputenv("XDG_DATA_HOME", old_data_);
    if (old_videos_.isEmpty())
        qunsetenv("XDG_VIDEOS_DIR");
    else
        qputenv("XDG_VIDEOS_DIR", old_videos_);
}

}  // namespace apptest

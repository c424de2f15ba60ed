#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLocale>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "app/shell/app_delegate.h"
#include "app/shell/start_up.h"
#include "app/shell/translations.h"
#include "shots.h"

namespace shots {

std::vector<Shot>& all()
{
    static std::vector<Shot> list;
    return list;
}

void settle(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace shots

// screenshots <output folder> <language, e.g. zh_CN or en> [shot name filter]
int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: screenshots <folder> <language> [filter]\n");
        return 2;
    }
    const QString out_dir = QString::fromLocal8Bit(argv[1]);
    const QString language = QString::fromLocal8Bit(argv[2]);
    const QString filter = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    // The shots never touch the user's own settings or folders.
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/.local/share")).toUtf8());
    qunsetenv("XDG_VIDEOS_DIR");
    configure_application(app);
    install_translations(app, QLocale(language));
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    QDir().mkpath(out_dir);

    int failures = 0;
    for (const shots::Shot& shot : shots::all()) {
        if (!filter.isEmpty() && !shot.name.contains(filter))
            continue;
        QWidget* widget = shot.make();
        if (!widget) {
            ++failures;
            continue;
        }
        widget->show();
        shots::settle(400);
        const QString file = out_dir + QLatin1Char('/') + shot.name + QLatin1Char('_') + language + QStringLiteral(".png");
        if (!widget->window()->grab().save(file))
            ++failures;
        std::printf("%s\n", qPrintable(file));
        widget->window()->close();
        delete widget->window();
    }
    return failures == 0 ? 0 : 1;
}

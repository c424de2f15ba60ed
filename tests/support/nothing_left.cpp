#include "nothing_left.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace testsupport {

namespace {

const QString kRuntime = QStringLiteral("runtime");
const QString kHome = QStringLiteral("home");

// Children of this process that have not ended (zombies are ended), as "pid (name)".
QStringList running_children()
{
    QStringList found;
    const QByteArray self = QByteArray::number(::getpid());
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(QStringLiteral("/proc/") + pid + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ..."; the name may hold spaces and parentheses.
        const QByteArray line = stat.readAll();
        const qsizetype name_end = line.lastIndexOf(')');
        if (name_end < 0)
            continue;
        const QList<QByteArray> rest = line.mid(name_end + 2).split(' ');
        if (rest.size() > 1 && rest[1] == self && rest[0] != "Z")
            found << QString::fromUtf8(line.left(name_end + 1));
    }
    return found;
}

}  // namespace

PrivateTemporaryFolder::PrivateTemporaryFolder() : folder_(QDir::tempPath() + QStringLiteral("/convtest-run-XXXXXX"))
{
    if (!folder_.isValid())
        return;
    const QString runtime = folder_.filePath(kRuntime);
    // A runtime folder must be its owner's alone.
    if (QDir().mkdir(runtime))
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("TMPDIR", QFile::encodeName(folder_.path()));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    // The home too, so that what a test writes there after its own home has gone shows here
    // and not among the user's settings.
    const QString home = folder_.filePath(kHome);
    QDir().mkdir(home);
    qputenv("HOME", QFile::encodeName(home));
    for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
        qunsetenv(variable);
}

bool PrivateTemporaryFolder::nothing_left() const
{
    bool clean = true;
    if (folder_.isValid()) {
        constexpr QDir::Filters kAll = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
        for (const QString& name : QDir(folder_.path()).entryList(kAll)) {
            if (name == kRuntime || name == kHome)
                continue;
            std::fprintf(stderr, "Left in the temporary folder: %s\n", qPrintable(name));
            clean = false;
        }
        for (const QString& name : QDir(folder_.filePath(kHome)).entryList(kAll)) {
            std::fprintf(stderr, "Left in the home folder: %s\n", qPrintable(name));
            clean = false;
        }
    }
    for (const QString& child : running_children()) {
        std::fprintf(stderr, "Left running: %s\n", qPrintable(child));
        ::kill(child.section(u' ', 0, 0).toInt(), SIGKILL);
        clean = false;
    }
    return clean;
}

}  // namespace testsupport

#include "support.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QThread>

namespace testsupport {

std::string fixture(const std::string& name) { return std::string(FIXTURE_DIR) + "/" + name; }

bool pump_until(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

TempDir::TempDir()
{
    QTemporaryDir dir(QDir::tempPath() + "/convtest-XXXXXX");
    dir.setAutoRemove(false);
    path_ = dir.path().toStdString();
}

TempDir::~TempDir() { QDir(QString::fromStdString(path_)).removeRecursively(); }

}  // namespace testsupport

#include "support.h"

#include "platform/dispatch/queue.h"
#include "platform/dispatch/sync.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testsupport {

std::string fixture(const std::string& name) { return std::string(FIXTURE_DIR) + "/" + name; }

std::optional<std::string> run_program(const std::vector<std::string>& argv)
{
    int fds[2];
    if (argv.empty() || pipe2(fds, O_CLOEXEC) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string out;
    if (rc == 0) {
        char buf[65536];
        for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) != 0;) {
            if (n > 0)
                out.append(buf, static_cast<size_t>(n));
            else if (errno != EINTR)
                break;
        }
    }
    close(fds[0]);
    if (rc != 0)
        return std::nullopt;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return out;
}

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

std::vector<std::string> entries(const std::string& directory)
{
    std::vector<std::string> names;
    const QStringList list = QDir(QString::fromStdString(directory))
                                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                            QDir::Name);
    for (const QString& name : list)
        names.push_back(name.toStdString());
    return names;
}

ScopedEnvironment::ScopedEnvironment(const char* name, const std::string& value) : name_(name)
{
    if (qEnvironmentVariableIsSet(name))
        old_ = qgetenv(name).toStdString();
    qputenv(name, QByteArray::fromStdString(value));
}

ScopedEnvironment::~ScopedEnvironment()
{
    if (old_)
        qputenv(name_, QByteArray::fromStdString(*old_));
    else
        qunsetenv(name_);
}

TempDir::TempDir()
{
    QTemporaryDir dir(QDir::tempPath() + "/convtest-XXXXXX");
    dir.setAutoRemove(false);
    path_ = dir.path().toStdString();
}

TempDir::~TempDir() { QDir(QString::fromStdString(path_)).removeRecursively(); }

namespace {

// Live threads of this process whose name passes the test.
int count_threads(const std::function<bool(const QByteArray& name)>& counts)
{
    // The kernel's flag of a task that has begun to exit: joining a thread can return while
    // the task is still listed for a moment.
    constexpr unsigned long kExiting = 0x4;
    int count = 0;
    for (const QString& task : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat("/proc/self/task/" + task + "/stat");
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "tid (name) state ppid pgrp session tty tpgid flags ..."; the name may hold spaces.
        const QByteArray line = stat.readAll();
        const int open = line.indexOf('('), close = line.lastIndexOf(')');
        if (open < 0 || close < open || !counts(line.mid(open + 1, close - open - 1)))
            continue;
        const QList<QByteArray> fields = line.mid(close + 2).split(' ');
        if (fields.size() > 6 && !(fields[6].toULong() & kExiting))
            ++count;
    }
    return count;
}

}  // namespace

int threads_named(const std::string& name)
{
    return count_threads([&](const QByteArray& n) { return n == QByteArray::fromStdString(name); });
}

int thread_count()
{
    return count_threads([](const QByteArray&) { return true; });
}

void start_first_pool_thread()
{
    // A concurrent queue's sync runs on the caller's thread: the group's task takes a worker.
    dispatch::Group group;
    group.async(dispatch::Queue::global(), [] {});
    group.wait();
}

}  // namespace testsupport

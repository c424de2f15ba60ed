#include "session.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <map>
#include <mutex>
#include <future>
#include <thread>

#include "arguments.h"
#include "child_process.h"
#include "line_buffer.h"
#include "log_line.h"
#include "progress_parser.h"
#include "platform/foundation/threads.h"

namespace ffkit {

using Clock = std::chrono::steady_clock;

struct Session::State {
    mutable std::mutex lock;
    std::shared_ptr<ChildProcess> child;
    bool ended = false;
    bool cancelled = false;
    std::optional<Clock::time_point> kill_at;
    std::optional<ReturnCode> return_code;
};

namespace {

std::atomic<int64_t> next_id{1};
std::atomic<int64_t> grace_ms{5000};
std::mutex settings_lock;
std::string program_name = "ffmpeg";

std::mutex registry_lock;
std::map<int64_t, std::weak_ptr<Session>>& registry()
{
    static std::map<int64_t, std::weak_ptr<Session>> sessions;
    return sessions;
}

std::string program()
{
    std::lock_guard guard(settings_lock);
    return program_name;
}

struct Callbacks {
    CompleteCallback on_complete;
    LogCallback on_log;
    StatisticsCallback on_statistics;
};

// Sends SIGKILL once a cancelled run has outlived its grace period; the poll time-out until then.
int enforce_kill_deadline(Session::State& state)
{
    std::lock_guard guard(state.lock);
    if (!state.kill_at)
        return 250;
    const auto now = Clock::now();
    if (now >= *state.kill_at) {
        state.child->signal(SIGKILL);
        state.kill_at.reset();
        return 250;
    }
    return int(std::chrono::duration_cast<std::chrono::milliseconds>(*state.kill_at - now).count()) + 1;
}

// Reads both pipes to their end, delivering log lines and statistics as they come; gives the
// signal that ffmpeg reported stopping for, if any.
std::optional<int> drain(const std::shared_ptr<Session>& session, ChildProcess& child, const Callbacks& callbacks)
{
    std::optional<int> stop_signal;
    LineBuffer log_lines([&](const QString& line) {
        const Log log = read_log_line(session->id(), line);
        if (const auto reported = reported_stop_signal(log))
            stop_signal = reported;
        if (callbacks.on_log)
            callbacks.on_log(log);
    });
    ProgressParser parser;
    LineBuffer progress_lines([&](const QString& line) {
        if (auto report = parser.feed_line(line); report && callbacks.on_statistics) {
            report->session_id = session->id();
            callbacks.on_statistics(*report);
        }
    });

    int out = child.stdout_fd();
    int err = child.stderr_fd();
    char buffer[16384];
    while (out >= 0 || err >= 0) {
        pollfd fds[2] = {{out, POLLIN, 0}, {err, POLLIN, 0}};
        const int timeout = enforce_kill_deadline(session->state());
        const int ready = ::poll(fds, 2, timeout);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        // Standard error first: a failure's reason should come before its last report.
        for (int i : {1, 0}) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                (i == 1 ? log_lines : progress_lines).feed(buffer, size_t(n));
            } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
                (i == 1 ? log_lines : progress_lines).finish();
                if (i == 1) {
                    child.close_stderr();
                    err = -1;
                } else {
                    child.close_stdout();
                    out = -1;
                }
            }
        }
    }
    return stop_signal;
}

// The run's own thread: starts the child (so that the child, which dies with the thread
// that created it, lives exactly as long as its run), reads it to its end and completes.
void run(std::shared_ptr<Session> session, std::vector<std::string> argv, Callbacks callbacks,
         std::optional<QString> start_error, std::promise<void> started)
{
    foundation::name_this_thread("ffkit-run");
    auto& state = session->state();
    std::shared_ptr<ChildProcess> child;
    if (!start_error) {
        child = std::make_shared<ChildProcess>(program(), argv);
        if (!child->started())
            start_error = QString::fromStdString(child->error());
    }
    {
        std::lock_guard guard(state.lock);
        state.child = child;
    }
    started.set_value();

    std::optional<int> wait_status;
    std::optional<int> stop_signal;
    if (start_error) {
        if (callbacks.on_log)
            callbacks.on_log(Log{session->id(), *start_error, LogLevel::error});
    } else {
        stop_signal = drain(session, *child, callbacks);
        // The pipes can close before the process is gone; keep the kill deadline meanwhile.
        while (!child->has_exited())
            ::usleep(useconds_t(std::min(enforce_kill_deadline(state), 10)) * 1000);
        wait_status = child->wait();
    }
    {
        std::lock_guard guard(state.lock);
        state.ended = true;
        state.kill_at.reset();
        state.return_code = start_error ? ReturnCode(ReturnCode::not_started)
                                        : return_code_for(wait_status, state.cancelled, stop_signal);
    }
    {
        std::lock_guard guard(registry_lock);
        registry().erase(session->id());
    }
    if (callbacks.on_complete)
        callbacks.on_complete(session);
}

std::vector<std::string> command_line(const QStringList& arguments)
{
    std::vector<std::string> argv = {"-hide_banner", "-nostdin", "-nostats", "-progress", "pipe:1"};
    argv.insert(argv.end(), std::begin(kLogLevelArguments), std::end(kLogLevelArguments));
    for (const auto& argument : arguments)
        argv.push_back(argument.toStdString());
    return argv;
}

std::shared_ptr<Session> start(const QStringList& arguments, Callbacks callbacks,
                               std::optional<QString> error)
{
    auto session = std::make_shared<Session>(next_id.fetch_add(1), arguments);
    {
        std::lock_guard guard(registry_lock);
        registry()[session->id()] = session;
    }
    // Returns once the child is started (or could not be), as a caller expects of a start.
    std::promise<void> started;
    std::future<void> started_future = started.get_future();
    std::thread(run, session, command_line(arguments), std::move(callbacks), std::move(error),
                std::move(started))
        .detach();
    started_future.wait();
    return session;
}

}  // namespace

Session::Session(int64_t id, QStringList arguments)
    : id_(id), arguments_(std::move(arguments)), state_(std::make_unique<State>())
{
}

Session::~Session() = default;

std::optional<ReturnCode> Session::return_code() const
{
    std::lock_guard guard(state_->lock);
    return state_->return_code;
}

bool Session::is_running() const
{
    std::lock_guard guard(state_->lock);
    return !state_->ended;
}

std::shared_ptr<Session> execute_async(const QString& arguments, CompleteCallback on_complete,
                                       LogCallback on_log, StatisticsCallback on_statistics)
{
    Callbacks callbacks{std::move(on_complete), std::move(on_log), std::move(on_statistics)};
    const auto argv = split_arguments(arguments);
    if (!argv)
        return start({}, std::move(callbacks),
                     QStringLiteral("cannot read the arguments (a quote is not closed): ") + arguments);
    return start(*argv, std::move(callbacks), std::nullopt);
}

std::shared_ptr<Session> execute_async(const QStringList& arguments, CompleteCallback on_complete,
                                       LogCallback on_log, StatisticsCallback on_statistics)
{
    return start(arguments, Callbacks{std::move(on_complete), std::move(on_log), std::move(on_statistics)},
                 std::nullopt);
}

namespace {

std::shared_ptr<Session> running_session(int64_t session_id)
{
    std::lock_guard guard(registry_lock);
    const auto it = registry().find(session_id);
    return it != registry().end() ? it->second.lock() : nullptr;
}

// Marks the run cancelled and sends the signal; nothing for a run that has ended, also when
// its program has exited and only its completion is still to come: that outcome stands.
bool stop_run(int64_t session_id, int signal_number, std::optional<Clock::time_point> kill_at)
{
    const std::shared_ptr<Session> session = running_session(session_id);
    if (!session)
        return false;
    auto& state = session->state();
    std::lock_guard guard(state.lock);
    if (state.ended || !state.child || state.child->has_exited() ||
        (state.cancelled && signal_number != SIGKILL))
        return false;
    state.cancelled = true;
    state.child->signal(signal_number);
    state.kill_at = kill_at;
    return true;
}

}  // namespace

bool cancel(int64_t session_id)
{
    return stop_run(session_id, SIGINT, Clock::now() + std::chrono::milliseconds(grace_ms.load()));
}

bool abort(int64_t session_id) { return stop_run(session_id, SIGKILL, std::nullopt); }

void set_cancel_grace_period(std::chrono::milliseconds grace) { grace_ms = grace.count(); }

void set_program(const std::string& name)
{
    std::lock_guard guard(settings_lock);
    program_name = name;
}

}  // namespace ffkit

#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "return_code.h"
#include "statistics.h"

// Runs of the ffmpeg program as child processes, with log, statistics and completion callbacks.
namespace ffkit {

// One run. The id is never reused within the process.
class Session {
public:
    ~Session();
    int64_t id() const { return id_; }
    // The ffmpeg arguments as given, without the ones the runner adds.
    const QStringList& arguments() const { return arguments_; }
    // Set once the run has ended, before the completion callback.
    std::optional<ReturnCode> return_code() const;
    bool is_running() const;

    struct State;
    Session(int64_t id, QStringList arguments);
    State& state() const { return *state_; }

private:
    const int64_t id_;
    const QStringList arguments_;
    std::unique_ptr<State> state_;
};

using CompleteCallback = std::function<void(const std::shared_ptr<Session>& session)>;
using LogCallback = std::function<void(const Log& log)>;
using StatisticsCallback = std::function<void(const Statistics& statistics)>;

// Starts ffmpeg with the arguments and returns at once. Callbacks come from the run's own
// thread, one at a time and in order: log and statistics during the run, then exactly one
// completion after the process has exited and both pipes are read to their end.
// The string form is split by split_arguments; a string that cannot be split runs nothing
// and completes with a failure whose log says why.
std::shared_ptr<Session> execute_async(const QString& arguments, CompleteCallback on_complete,
                                       LogCallback on_log = {}, StatisticsCallback on_statistics = {});
std::shared_ptr<Session> execute_async(const QStringList& arguments, CompleteCallback on_complete,
                                       LogCallback on_log = {}, StatisticsCallback on_statistics = {});

// Asks a run to stop: SIGINT (ffmpeg closes its output and exits), then SIGKILL when it is
// still there after the grace period. The run completes with the cancel code. Nothing happens,
// and the answer is false, for an unknown id, a run that has ended, or one whose program has
// exited and whose completion is still to come.
bool cancel(int64_t session_id);

// Stops a run at once (SIGKILL), for a run whose output is thrown away: ffmpeg neither
// flushes its encoders nor writes its trailer. The run completes with the cancel code. False,
// as for cancel, when there was nothing to stop.
bool abort(int64_t session_id);

// How long a cancelled run may take to exit before it is killed (default 5 s).
void set_cancel_grace_period(std::chrono::milliseconds grace);

// The program started for each run (default "ffmpeg", looked up in PATH).
void set_program(const std::string& program);

}  // namespace ffkit

#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace ffkit {

// ffmpeg's log levels, with its own numbers: the lower, the worse.
enum class LogLevel : int {
    panic = 0,
    fatal = 8,
    error = 16,
    warning = 24,
    info = 32,
    verbose = 40,
    debug = 48,
    trace = 56,
};

// One line of ffmpeg's standard error, without its line break.
struct Log {
    int64_t session_id = 0;
    // The line without its level tag; a "[component @ address] " prefix stays.
    QString message;
    // The level ffmpeg logged the line at; none for a line without a level tag (a
    // continuation line, or what a library printed on its own).
    std::optional<LogLevel> level;

    bool is_error_or_worse() const { return level && *level <= LogLevel::error; }
};

// One progress report of a run.
struct Statistics {
    int64_t session_id = 0;
    int32_t time = 0;         // output time processed, in milliseconds
    int64_t frame = 0;        // video frames written
    double fps = 0;           // frames per second of processing
    double quality = 0;       // the first video stream's quantizer
    int64_t size = 0;         // bytes written
    double bitrate = 0;       // kilobits per second
    double speed = 0;         // media time per wall-clock time
};

}  // namespace ffkit

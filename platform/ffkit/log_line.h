#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "statistics.h"

namespace ffkit {

// The arguments that make ffmpeg tag each log line with its level, as read_log_line reads it.
inline constexpr const char* kLogLevelArguments[] = {"-loglevel", "level+info"};

// One line of standard error as a log entry: "[component @ 0x…] [error] text" gives the
// level error and the message "[component @ 0x…] text"; a line without a level tag stays whole,
// with the level that libx265 gives its own lines ("x265 [error]: text") or none.
Log read_log_line(int64_t session_id, const QString& line);

// The signal that ffmpeg reports having stopped for ("Exiting normally, received signal 15."):
// it catches SIGINT and SIGTERM, finishes its output and exits with 255.
std::optional<int> reported_stop_signal(const Log& log);

}  // namespace ffkit

#pragma once

#include <QString>
#include <cstdint>

#include "statistics.h"

namespace ffkit {

// The arguments that make ffmpeg tag each log line with its level, as read_log_line reads it.
inline constexpr const char* kLogLevelArguments[] = {"-loglevel", "level+info"};

// One line of standard error as a log entry: "[component @ 0x…] [error] text" gives the
// level error and the message "[component @ 0x…] text"; a line without a level tag stays whole.
Log read_log_line(int64_t session_id, const QString& line);

}  // namespace ffkit

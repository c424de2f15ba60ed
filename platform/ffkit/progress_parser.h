#pragma once

#include <QString>
#include <optional>

#include "statistics.h"

namespace ffkit {

// Reads the key=value lines of ffmpeg's -progress output; each block ends with a
// "progress=" line, which gives one report.
class ProgressParser {
public:
    std::optional<Statistics> feed_line(const QString& line);

private:
    Statistics current_;
};

}  // namespace ffkit

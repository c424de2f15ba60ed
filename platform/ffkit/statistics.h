#pragma once

#include <QString>
#include <cstdint>

namespace ffkit {

// One line of ffmpeg's standard error, without its line break.
struct Log {
    int64_t session_id = 0;
    QString message;
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

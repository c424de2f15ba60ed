#pragma once

#include <QString>
#include <atomic>
#include <mutex>
#include <optional>

#include "engine/ffmpeg_log_slots.h"
#include "engine/ffmpeg_refusals.h"
#include "engine/one_exporter.h"
#include "platform/ffkit/plain_paths.h"
#include "platform/media/time.h"

// What one ffmpeg run of a job keeps while its callbacks come.
struct OneExporter::FfmpegRun {
    // The two latest messages, and the two latest that ffmpeg logged at error level or worse:
    // those name the cause of a failure, which statistics and metadata lines bury.
    FfmpegLogSlots log_slots;
    FfmpegLogSlots error_slots;
    // Fixed before the run starts: the output's own name, and the hidden name that ffmpeg
    // writes to and that takes the output's name once the run has succeeded.
    QString output_path;
    QString unfinished_path;
    // What ffmpeg is handed in place of paths that hold a line break, for the run's length.
    ffkit::PlainPaths plain_paths;
    // The video encoder's refusal of the frame size, read from the log.
    FfmpegVideoEncoderRefusal video_refusal;
    std::atomic<bool> failed{false};
    // The highest fraction reported, so that progress never goes back.
    std::atomic<float> progress{0};
    // The part of the source that the run converts: the whole, or a preview's range.
    media::TimeRange range = media::TimeRange::everything();

    std::mutex lock;  // guards the two fields below
    std::optional<int64_t> session_id;
    bool cancel_requested = false;
};

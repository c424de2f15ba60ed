#pragma once

#include <QString>
#include <atomic>
#include <mutex>
#include <optional>

#include "engine/ffmpeg_log_slots.h"
#include "engine/one_exporter.h"

// What one ffmpeg run of a job keeps while its callbacks come.
struct OneExporter::FfmpegRun {
    FfmpegLogSlots log_slots;
    // Fixed before the run starts: the output's own name, and the hidden name that ffmpeg
    // writes to and that takes the output's name once the run has succeeded.
    QString output_path;
    QString unfinished_path;
    std::atomic<bool> failed{false};
    // The first message that names a system error (a full disk, a missing permission): the
    // cause of the failure, which the last messages often no longer name. Log callback only.
    QString cause;
    // The highest fraction reported, so that progress never goes back.
    std::atomic<float> progress{0};
    // ffmpeg found the source's media data cut short ("partial file") and ends with success
    // all the same; how far it got, in milliseconds of output.
    std::atomic<bool> source_truncated{false};
    std::atomic<int64_t> converted_ms{0};

    std::mutex lock;  // guards the two fields below
    std::optional<int64_t> session_id;
    bool cancel_requested = false;
};

#pragma once

#include <QString>
#include <mutex>
#include <optional>

#include "engine/ffmpeg_log_slots.h"
#include "engine/one_exporter.h"

// What one ffmpeg run of a job keeps while its callbacks come.
struct OneExporter::FfmpegRun {
    FfmpegLogSlots log_slots;
    QString output_path;
    // A file that was there before the run is never removed by it.
    bool output_existed_before = false;
    // ffmpeg refused the output because the file is there (created after our check).
    std::atomic<bool> output_refused{false};
    std::atomic<bool> failed{false};

    std::mutex lock;  // guards the two fields below
    std::optional<int64_t> session_id;
    bool cancel_requested = false;
};

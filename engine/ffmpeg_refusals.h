#pragma once

#include <QString>
#include <QUrl>
#include <atomic>
#include <optional>

#include "platform/media/asset.h"

class My_Prest;
namespace ffkit {
struct Log;
}

// Refusals of the ffmpeg path, told in the user's words rather than in ffmpeg's.

// Why the command of the preset cannot convert the source into the output, known before ffmpeg
// starts: a video codec it has no encoder for (only a source with video needs one), an audio
// format that the file type cannot hold (only a source with sound writes one), or sound only
// from a source that holds none. None when the command is to run.
std::optional<QString> ffmpeg_refusal(const My_Prest* preset, const media::Asset* source, const QUrl& output);

// Reads one run's log for the video encoder refusing to open at the frame size: the encoder's
// own error ("[libx264 @ 0x…] invalid width x height (40000x2)"), then ffmpeg's report that it
// could not open an encoder. Set up before the run; note() takes each log entry.
class FfmpegVideoEncoderRefusal {
public:
    // The command's video encoder and frame size; without both there is nothing to read.
    void set_up(const My_Prest* preset);
    void note(const ffkit::Log& log);
    // The refusal naming the codec and the frame size, once the log has shown it.
    std::optional<QString> text() const;

private:
    QString encoder_prefix_;
    std::optional<QString> text_;
    std::atomic<bool> encoder_error_{false};
    std::atomic<bool> not_opened_{false};
};

#pragma once

#include <QUrl>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/one_exporter.h"

namespace jobtest {

// A small H.264 + AAC QuickTime preset (320×240) for conversions that tests run to the end.
inline std::shared_ptr<My_Prest> movie_preset()
{
    auto preset = std::make_shared<My_Prest>();
    preset->fileType = AVFileTypeQuickTimeMovie;
    preset->video_outputSettings = {{AVVideoCodecKey, QString(AVVideoCodecTypeH264)},
                                    {AVVideoWidthKey, 320.0},
                                    {AVVideoHeightKey, 240.0}};
    preset->audio_outputSettings = {{AVFormatIDKey, uint(kAudioFormatMPEG4AAC)}};
    return preset;
}

// A linear PCM WAV preset, which runs on ffmpeg as every sound-only preset does.
inline std::shared_ptr<My_Prest> wave_preset()
{
    auto preset = std::make_shared<My_Prest>();
    preset->fileType = AVFileTypeWAVE;
    preset->audio_outputSettings = {{AVFormatIDKey, uint(kAudioFormatLinearPCM)}};
    preset->is_run_ffmpeg = true;
    return preset;
}

// The MP3 preset of the sound-only pane: a file type and nothing else.
inline std::shared_ptr<My_Prest> mp3_preset()
{
    auto preset = std::make_shared<My_Prest>();
    preset->fileType = AVFileTypeMPEGLayer3;
    preset->is_run_ffmpeg = true;
    return preset;
}

// Records what a job reports, from any thread.
class Recorder : public vrkSleepDelegate {
public:
    void export_progress(float progress) override
    {
        std::lock_guard guard(lock);
        progress_reports.push_back(progress);
        if (finished)
            ++progress_after_finish;
    }
    void export_finished(const QUrl& url) override
    {
        std::lock_guard guard(lock);
        urls.push_back(url);
        ++finished;
    }
    std::vector<float> progress() const
    {
        std::lock_guard guard(lock);
        return progress_reports;
    }
    QUrl last_url() const
    {
        std::lock_guard guard(lock);
        return urls.empty() ? QUrl() : urls.back();
    }

    mutable std::mutex lock;
    std::vector<float> progress_reports;
    std::vector<QUrl> urls;
    std::atomic<int> finished{0};
    std::atomic<int> progress_after_finish{0};
};

// A job whose compatibility answer never comes, so that tests give it by hand.
class QuietJob : public OneExporter {
public:
    explicit QuietJob(media::AssetRef asset) : OneExporter(std::move(asset)) {}
    void check_compatibility() override {}
};

// A job whose compatibility answer is on its way until the test gives it
// (on_compatibility_result), as when a start comes right after the file was added.
class PendingAnswerJob : public OneExporter {
public:
    explicit PendingAnswerJob(media::AssetRef asset) : OneExporter(std::move(asset)) {}
    void check_compatibility() override { mark_compatibility_pending(); }
};

inline std::shared_ptr<QuietJob> quiet_job(const QString& path)
{
    return std::make_shared<QuietJob>(media::Asset::from_path(path));
}

}  // namespace jobtest

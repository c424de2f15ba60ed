// Times one conversion through the job's ffmpeg path, from the start to its completion.
// Usage: ffmpeg_path_bench SOURCE OUTPUT_WITHOUT_EXTENSION
// Prints "ffmpeg path: SECONDS s cpu SECONDS s runner SECONDS s status STATUS": the CPU time is
// ffmpeg's plus what this process spent meanwhile; "runner" is this process's part alone
// (reading the pipes, the callbacks), the path's own cost whatever the machine's load.
#include <QCoreApplication>
#include <sys/resource.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>

#include "engine/one_exporter.h"

namespace {

double cpu_seconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class Waiter : public vrkSleepDelegate {
public:
    void export_progress(float) override {}
    void export_finished(const QUrl&) override
    {
        std::lock_guard guard(lock_);
        done_ = true;
        changed_.notify_all();
    }
    void wait()
    {
        std::unique_lock guard(lock_);
        changed_.wait(guard, [this] { return done_; });
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    bool done_ = false;
};

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SOURCE OUTPUT_WITHOUT_EXTENSION\n", argv[0]);
        return 2;
    }
    register_file_type_names();
    auto preset = std::make_shared<My_Prest>();
    preset->fileType = AVFileTypeQuickTimeMovie;
    preset->video_outputSettings = {{AVVideoCodecKey, QString(AVVideoCodecTypeH264)}};
    preset->audio_outputSettings = {{AVFormatIDKey, uint(kAudioFormatMPEG4AAC)}};

    const auto job = OneExporter::create(media::Asset::from_path(QString::fromLocal8Bit(argv[1])));
    const auto waiter = std::make_shared<Waiter>();
    job->delegate = waiter;
    job->My_prest_obj = preset;
    job->out_url_obj = std::optional<QUrl>(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[2])));

    const double self_before = cpu_seconds(RUSAGE_SELF);
    const double children_before = cpu_seconds(RUSAGE_CHILDREN);
    const auto start = std::chrono::steady_clock::now();
    job->start_ffmpeg_export(media::TimeRange::make(media::Time::zero(), job->raw_duration));
    waiter->wait();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const double runner = cpu_seconds(RUSAGE_SELF) - self_before;
    const double cpu = runner + cpu_seconds(RUSAGE_CHILDREN) - children_before;
    std::printf("ffmpeg path: %.3f s cpu %.3f s runner %.3f s status %d\n", elapsed.count(), cpu, runner,
                job->status.load());
    return job->status == 3 ? 0 : 1;
}

// Time from a cancel to the job's completion, at random moments of a run, on both engines.
// Usage: cancel_bench SOURCE CODEC(avc1|hvc1) WIDTH HEIGHT RUNS OUTPUT_DIR
// Prints the median and the largest latency in milliseconds per engine. A cancelled run must
// leave nothing in OUTPUT_DIR (neither its hidden unfinished file nor a finished one).
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

#include "engine/one_exporter.h"
#include "engine/presets.h"

namespace {

using Clock = std::chrono::steady_clock;

class Waiter : public vrkSleepDelegate {
public:
    void export_progress(float) override {}
    void export_finished(const QUrl&) override
    {
        at = Clock::now();
        done = true;
    }
    std::atomic<bool> done{false};
    Clock::time_point at;
};

bool pump_until(const std::atomic<bool>& flag, std::chrono::seconds limit)
{
    const auto end = Clock::now() + limit;
    while (!flag && Clock::now() < end)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    return flag;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 7) {
        std::fprintf(stderr, "usage: %s SOURCE avc1|hvc1 WIDTH HEIGHT RUNS OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    register_file_type_names();
    auto preset = std::make_shared<My_Prest>();
    preset->fileType = AVFileTypeQuickTimeMovie;
    preset->video_outputSettings = {{AVVideoCodecKey, QString::fromLatin1(argv[2])},
                                    {AVVideoWidthKey, std::atof(argv[3])},
                                    {AVVideoHeightKey, std::atof(argv[4])}};
    preset->audio_outputSettings = {{AVFormatIDKey, uint(kAudioFormatMPEG4AAC)}};
    const int runs = std::atoi(argv[5]);
    const QString folder = QString::fromLocal8Bit(argv[6]);
    std::mt19937 random(42);
    std::uniform_int_distribution<int> moment_ms(200, 2500);

    for (const bool ffmpeg : {false, true}) {
        std::vector<double> latencies;
        for (int i = 0; i < runs; ++i) {
            auto waiter = std::make_shared<Waiter>();
            auto job = OneExporter::create(media::Asset::from_path(QString::fromLocal8Bit(argv[1])));
            job->delegate = waiter;
            job->My_prest_obj = preset;
            job->out_url_obj = std::optional<QUrl>(QUrl::fromLocalFile(folder + QStringLiteral("/cancel%1").arg(i)));
            const auto range = media::TimeRange::make(media::Time::zero(), job->raw_duration);
            if (ffmpeg)
                job->start_ffmpeg_export(range);
            else
                job->start_export(range);
            const auto until = Clock::now() + std::chrono::milliseconds(moment_ms(random));
            while (Clock::now() < until && !waiter->done)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            if (waiter->done) {
                std::fprintf(stderr, "run %d ended before its cancel\n", i);
                for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
                    QFile::remove(folder + u'/' + name);
                continue;
            }
            const auto cancelled_at = Clock::now();
            job->cancel_export();
            if (!pump_until(waiter->done, std::chrono::seconds(60))) {
                std::fprintf(stderr, "run %d did not end after its cancel\n", i);
                return 1;
            }
            latencies.push_back(std::chrono::duration<double, std::milli>(waiter->at - cancelled_at).count());
            const QStringList left =
                QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            if (!left.isEmpty()) {
                std::fprintf(stderr, "run %d left %s behind\n", i, qPrintable(left.join(u' ')));
                return 1;
            }
        }
        std::sort(latencies.begin(), latencies.end());
        if (latencies.empty())
            continue;
        std::printf("%-8s %2zu cancels: median %6.1f ms, max %6.1f ms\n", ffmpeg ? "ffmpeg" : "pipeline",
                    latencies.size(), latencies[latencies.size() / 2], latencies.back());
    }
    return 0;
}

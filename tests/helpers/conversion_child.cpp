// A process that runs one conversion through the job, for tests that must do to it what a
// user's machine may do to the application: kill it, limit its file size, take away its
// permission to write. Among the job's log lines it prints "@started" once the run is under
// way, then the outcome as "@key=value" lines.
//
//   conversion_child ENGINE SOURCE OUTPUT [options]
//     ENGINE       ffmpeg | pipeline
//     OUTPUT       the output location without extension (a QuickTime movie is written)
//     --large      1920x1080 HEVC, so that the run takes a while
//     --fsize N    files may grow to N bytes (SIGXFSZ ignored): writes fail as on a full disk
//     --no-override  without the power to write where the permissions forbid it (root too)
#include <QCoreApplication>
#include <cstdio>
#include <cstring>
#include <linux/capability.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

#include "engine/job_support.h"
#include "engine/one_exporter.h"
#include "engine/presets.h"
#include "support/support.h"

namespace {

class Counter : public vrkSleepDelegate {
public:
    void export_progress(float) override {}
    void export_finished(const QUrl&) override { ++finished; }
    std::atomic<int> finished{0};
};

// Root writes anywhere; without these capabilities (also for the ffmpeg it starts) it obeys
// the permissions like anyone else.
bool drop_override()
{
    for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
        if (prctl(PR_CAPBSET_DROP, cap, 0, 0, 0) != 0)
            return false;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
        data[0].effective &= ~(1u << cap);
        data[0].permitted &= ~(1u << cap);
        data[0].inheritable &= ~(1u << cap);
    }
    return syscall(SYS_capset, &header, data) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s ffmpeg|pipeline SOURCE OUTPUT [--large] [--fsize N] [--no-override]\n", argv[0]);
        return 2;
    }
    const bool ffmpeg = std::strcmp(argv[1], "ffmpeg") == 0;
    auto preset = jobtest::movie_preset();
    for (int i = 4; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--large")) {
            preset->video_outputSettings = {{AVVideoCodecKey, QString(AVVideoCodecTypeHEVC)},
                                            {AVVideoWidthKey, 1920.0},
                                            {AVVideoHeightKey, 1080.0}};
        } else if (!std::strcmp(argv[i], "--fsize") && i + 1 < argc) {
            signal(SIGXFSZ, SIG_IGN);
            rlimit limit{};
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = std::strtoull(argv[++i], nullptr, 10);
            setrlimit(RLIMIT_FSIZE, &limit);
        } else if (!std::strcmp(argv[i], "--no-override")) {
            if (!drop_override()) {
                std::perror("cannot drop the override capabilities");
                return 3;
            }
        }
    }
    register_file_type_names();

    auto counter = std::make_shared<Counter>();
    auto job = OneExporter::create(media::Asset::from_path(QString::fromLocal8Bit(argv[2])));
    job->delegate = counter;
    job->My_prest_obj = preset;
    job->out_url_obj = std::optional<QUrl>(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[3])));
    const auto range = media::TimeRange::make(media::Time::zero(), job->raw_duration);
    if (ffmpeg)
        job->start_ffmpeg_export(range);
    else
        job->start_export(range);
    std::printf("@started\n");
    std::fflush(stdout);
    testsupport::pump_until([&] { return counter->finished > 0; }, std::chrono::minutes(5));
    // Anything reported twice would arrive now.
    testsupport::pump_until([] { return false; }, std::chrono::milliseconds(300));
    std::printf("@status=%d\n@finished=%d\n@error=%s\n", job->status.load(), counter->finished.load(),
                job->error_info.get().value_or(QString()).simplified().toUtf8().constData());
    return 0;
}

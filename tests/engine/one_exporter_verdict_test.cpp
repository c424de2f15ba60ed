// A run's outcome stands: a cancel that comes as the run ends, or after it, changes nothing.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sys/stat.h>

#include "engine/one_exporter.h"
#include "engine/reader_writer_exporter.h"
#include "fixture_paths.h"
#include "job_support.h"
#include "platform/ffkit/session.h"
#include "support/output_probe.h"
#include "support/support.h"

using jobtest::Recorder;
using namespace std::chrono_literals;

namespace {

media::TimeRange whole(double seconds)
{
    return media::TimeRange::make(media::Time::from_seconds(0), media::Time::from_seconds(seconds));
}

struct JobRun {
    std::shared_ptr<OneExporter> job;
    std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
};

JobRun make_job(const QString& output)
{
    JobRun run;
    run.job = OneExporter::create(media::Asset::from_path(fixture_path("h264_aac.mp4")));
    run.job->delegate = run.recorder;
    run.job->My_prest_obj = jobtest::movie_preset();
    run.job->out_url_obj = std::optional<QUrl>(QUrl::fromLocalFile(output));
    return run;
}

void settle() { testsupport::pump_until([] { return false; }, 200ms); }

// The progress reported from the index on.
std::vector<float> progress_since(const Recorder& recorder, size_t from)
{
    const std::vector<float> all = recorder.progress();
    return from < all.size() ? std::vector<float>(all.begin() + long(from), all.end()) : std::vector<float>();
}

// The output is the whole 3 s source, sound and picture, and decodes without an error.
void expect_whole_output(const QString& path)
{
    const auto probed = probeFile(path);
    ASSERT_TRUE(probed) << path.toStdString();
    EXPECT_EQ(probed->streams.size(), 2u);
    EXPECT_NEAR(probed->duration, 3.0, 0.1);
    EXPECT_TRUE(testsupport::run_program(
        {"ffmpeg", "-v", "error", "-xerror", "-nostdin", "-i", path.toStdString(), "-f", "null", "-"}));
}

// The end of the run as the job reports it: status 3, one completion, the progress ending at
// 1, and nothing after the completion, also after a second cancel.
void expect_success_stands(const JobRun& run, size_t reports_before_cancel, const QString& output)
{
    ASSERT_TRUE(testsupport::pump_until([&] { return run.recorder->finished >= 1; }));
    settle();
    EXPECT_EQ(run.job->status, 3) << run.job->error_info.get().value_or("").toStdString();
    EXPECT_EQ(run.recorder->finished, 1);
    EXPECT_EQ(run.recorder->progress_after_finish, 0);
    EXPECT_EQ(run.job->out_progress, 1.0f);
    // The run's own last reports may still come after the cancel, but no 0 from the cancel.
    const std::vector<float> later = progress_since(*run.recorder, reports_before_cancel);
    EXPECT_EQ(std::count(later.begin(), later.end(), 0.0f), 0);
    EXPECT_EQ(run.recorder->progress().back(), 1.0f);
    EXPECT_EQ(run.recorder->last_url(), QUrl::fromLocalFile(output));
    expect_whole_output(output);

    run.job->cancel_export();
    settle();
    EXPECT_EQ(run.job->status, 3);
    EXPECT_EQ(run.recorder->finished, 1);
    EXPECT_EQ(run.recorder->progress_after_finish, 0);
    EXPECT_EQ(run.job->out_progress, 1.0f);
    EXPECT_TRUE(QFileInfo::exists(output));
}

// An ffmpeg that has done its work and exited, while something it left keeps its output pipes
// open until the test lets them close: its completion is on its way meanwhile.
class LingeringFfmpeg {
public:
    LingeringFfmpeg()
    {
        const std::string folder = dir_.path();
        script_ = folder + "/ffmpeg-then-linger";
        std::ofstream(script_) << "#!/bin/sh\n"
                               << "ffmpeg \"$@\"\n"
                               << "code=$?\n"
                               << "( i=0; while [ ! -e '" << folder << "/go' ] && [ $i -lt 2400 ]; do sleep 0.05; "
                               << "i=$((i+1)); done ) &\n"
                               << "echo $$ > '" << folder << "/pid.part' && mv '" << folder << "/pid.part' '"
                               << folder << "/pid'\n"
                               << "exit $code\n";
        ::chmod(script_.c_str(), 0700);
        ffkit::set_program(script_);
    }
    ~LingeringFfmpeg()
    {
        let_go();
        ffkit::set_program("ffmpeg");
    }
    // Waits until the program has exited (a zombie not yet reaped by the runner).
    bool wait_exited() const
    {
        return testsupport::pump_until([&] {
            std::ifstream pid_file(dir_.file("pid"));
            std::string pid;
            if (!(pid_file >> pid))
                return false;
            std::ifstream stat("/proc/" + pid + "/stat");
            std::string line;
            std::getline(stat, line);
            const size_t name_end = line.rfind(')');
            return name_end != std::string::npos && line.compare(name_end + 2, 1, "Z") == 0;
        });
    }
    void let_go() const { std::ofstream(dir_.file("go")) << "go"; }

private:
    testsupport::TempDir dir_;
    std::string script_;
};

class OneExporterVerdict : public ::testing::Test {
protected:
    static void SetUpTestSuite() { register_file_type_names(); }
    testsupport::TempDir dir;
    QString out(const std::string& name) const { return QString::fromStdString(dir.file(name)); }
};

}  // namespace

// Stop pressed as the pipeline's writer finishes the file: the cancel finds the run ended and
// its completion on the way, and the success stands.
TEST_F(OneExporterVerdict, PipelineCancelAsTheWriterCompletes)
{
    const JobRun run = make_job(out("at_end"));
    run.job->start_export(whole(3));
    ASSERT_TRUE(testsupport::pump_until([&] {
        const auto pipeline = run.job->out_ReaderWriterExporter.get();
        const auto writer = pipeline ? pipeline->writer() : nullptr;
        return writer && writer->status() == media::AssetWriter::Status::Completed;
    }));
    // Almost always still on its way; when it came first, the cancel comes after it, which
    // must change nothing either.
    if (run.recorder->finished != 0)
        std::printf("the completion came before the cancel\n");
    const size_t reports = run.recorder->progress().size();
    run.job->cancel_export();
    expect_success_stands(run, reports, out("at_end.mov"));
}

TEST_F(OneExporterVerdict, PipelineCancelAfterTheCompletion)
{
    const JobRun run = make_job(out("after"));
    run.job->start_export(whole(3));
    ASSERT_TRUE(testsupport::pump_until([&] { return run.recorder->finished >= 1; }));
    const size_t reports = run.recorder->progress().size();
    run.job->cancel_export();
    expect_success_stands(run, reports, out("after.mov"));
}

// Stop pressed once ffmpeg has exited with its file written, before its completion came.
TEST_F(OneExporterVerdict, FfmpegCancelAsTheProgramExits)
{
    const LingeringFfmpeg lingering;
    const JobRun run = make_job(out("ff_at_end"));
    run.job->start_ffmpeg_export(whole(3));
    ASSERT_TRUE(lingering.wait_exited());
    ASSERT_EQ(run.recorder->finished, 0);
    const size_t reports = run.recorder->progress().size();
    run.job->cancel_export();
    settle();
    EXPECT_EQ(run.recorder->finished, 0) << "the completion came before the pipes closed";
    lingering.let_go();
    expect_success_stands(run, reports, out("ff_at_end.mov"));
}

TEST_F(OneExporterVerdict, FfmpegCancelAfterTheCompletion)
{
    const JobRun run = make_job(out("ff_after"));
    run.job->start_ffmpeg_export(whole(3));
    ASSERT_TRUE(testsupport::pump_until([&] { return run.recorder->finished >= 1; }));
    const size_t reports = run.recorder->progress().size();
    run.job->cancel_export();
    expect_success_stands(run, reports, out("ff_after.mov"));
}

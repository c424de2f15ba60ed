// A run of the pipeline gives back what it opened before it reports: at the moment of the
// report no demuxer, codec, scaler or resampler is open and no reader thread is left, however
// the run ended, and the exporter kept afterwards holds none of them.
#include <gtest/gtest.h>

#include "census/libav_census.h"
#include "export_harness.h"
#include "fixture_paths.h"
#include "support/support.h"

namespace {

using testsupport::TempDir;

struct AtReport {
    census::LibavContexts contexts;
    int reader_threads = -1;
};

int reader_threads()
{
    return testsupport::threads_named("media-decode") + testsupport::threads_named("media-demux");
}

// Starts the exporter with a completion that takes the census at the moment of the report;
// cancel_at >= 0 cancels the run once its progress reaches it.
AtReport run_and_count(const std::shared_ptr<ReaderWriterExporter>& exporter, float cancel_at = -1)
{
    AtReport at;
    auto record = std::make_shared<RunRecord>();
    ReaderWriterExporter* raw = exporter.get();
    exporter->export_(
        nullptr,
        [raw, cancel_at](float p) {
            if (cancel_at >= 0 && p >= cancel_at)
                raw->cancelExport();
        },
        [record, &at](const ExportResult& r) {
            at.contexts = census::libav_contexts();
            at.reader_threads = reader_threads();
            std::lock_guard guard(record->lock);
            ++record->completions;
            record->result = r;
        });
    EXPECT_TRUE(waitForCompletion(*record));
    return at;
}

TEST(PipelineLifetime, EveryEndOfARunHasClosedEverythingBeforeItReports)
{
    TempDir dir;
    const struct {
        const char* name;
        const char* source;
        std::string output;
        QString codec;
        float cancel_at;
    } cases[] = {
        {"success", "h264_aac.mp4", dir.file("ok.mp4"), AVVideoCodecTypeH264, -1},
        {"truncated source", "truncated.mp4", dir.file("cut.mp4"), AVVideoCodecTypeH264, -1},
        {"writer cannot start", "h264_aac.mp4", dir.file("no such folder/out.mp4"), AVVideoCodecTypeH264, -1},
        {"refused settings", "h264_aac.mp4", dir.file("alpha.mp4"), AVVideoCodecTypeHEVCWithAlpha, -1},
        {"cancelled", "long.mp4", dir.file("cancelled.mp4"), AVVideoCodecTypeH264, 0.3f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto exporter = makeExporter(fixture_path(c.source), QString::fromStdString(c.output), AVFileTypeMPEG4,
                                     videoSettings(c.codec, 320, 240), aacSettings());
        const AtReport at = run_and_count(exporter, c.cancel_at);
        EXPECT_TRUE(at.contexts.none()) << at.contexts.text();
        EXPECT_EQ(at.reader_threads, 0);
    }
}

}  // namespace

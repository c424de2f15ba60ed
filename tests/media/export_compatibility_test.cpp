#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>

#include "media_test_util.h"
#include "platform/media/export_compatibility.h"

using namespace media;

TEST(ExportCompatibility, NativeContainersWithDecodableCodecs)
{
    for (const char* name : {"h264_aac.mp4", "tc.mov", "audio.m4a", "tone.wav", "tone.mp3", "cover.mp3",
                             "hevc.mp4", "prores.mov", "video_only.mp4"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(is_export_compatible(*mediatest::open(name)));
    }
    for (const char* name : {"clip.mkv", "random.mp4", "empty.mov", "no_index.mp4", "nodecoder.mp4"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(is_export_compatible(*mediatest::open(name)));
    }
}

TEST(ExportCompatibility, AnswersOnceOnAWorkerThread)
{
    struct Probe {
        std::atomic<int> calls{0};
        std::atomic<bool> answer{false};
        std::atomic<bool> on_main{false};
    };
    auto ask = [](const char* name, Probe& p) {
        determine_compatibility_of_export_preset(
            AVAssetExportPresetHighestQuality, mediatest::open(name), AVFileTypeQuickTimeMovie,
            [&p](bool ok) {
                p.on_main = QThread::currentThread() == QCoreApplication::instance()->thread();
                p.answer = ok;
                ++p.calls;
            });
    };
    Probe mp4, mov, mkv, random;
    ask("h264_aac.mp4", mp4);
    ask("tc.mov", mov);
    ask("clip.mkv", mkv);
    ask("random.mp4", random);
    ASSERT_TRUE(testsupport::pump_until(
        [&] { return mp4.calls && mov.calls && mkv.calls && random.calls; }));
    QThread::msleep(50);
    for (Probe* p : {&mp4, &mov, &mkv, &random}) {
        EXPECT_EQ(p->calls, 1);
        EXPECT_FALSE(p->on_main);
    }
    EXPECT_TRUE(mp4.answer);
    EXPECT_TRUE(mov.answer);
    EXPECT_FALSE(mkv.answer);
    EXPECT_FALSE(random.answer);
}

// Reads fixtures with the reading side and writes them again, then checks the files.
#include <gtest/gtest.h>

#include <algorithm>

#include <QUrl>

#include "reader_test_util.h"
#include "writer_test_util.h"

using namespace media;
using namespace mediatest;
using namespace writertest;

namespace {

Producer from(const AssetReaderOutputRef& output)
{
    return [output] { return output->copy_next_sample_buffer(); };
}

struct Written {
    AssetWriter::Status status = AssetWriter::Status::Unknown;
    FileInfo info;
};

// The pipeline's way: a composition output and an audio mix output on one reader, the
// timecode track on a reader of its own, each fed into a writer input.
Written round_trip(const char* fixture_name, const std::string& out, const char* file_type,
                   const QVariantMap& video_settings, const std::optional<QVariantMap>& audio_settings)
{
    Written w;
    const AssetRef asset = open(fixture_name);
    std::vector<AssetReaderOutputRef> outputs;
    auto writer = AssetWriter::create(QUrl::fromLocalFile(QString::fromStdString(out)), file_type);
    EXPECT_TRUE(writer);
    if (!writer)
        return w;
    std::vector<Feed> feeds;
    const auto add_feed = [&](const char* media_type, const std::optional<QVariantMap>& settings,
                              const AssetReaderOutputRef& output) {
        auto input = AssetWriterInput::create(media_type, settings);
        EXPECT_TRUE(writer->can_add_input(input));
        writer->add_input(input);
        feeds.push_back({input, from(output)});
    };
    // Video and audio come from the one reader, without copies.
    const auto add_output = [&](const char* media_type, const std::optional<QVariantMap>& settings,
                                const AssetReaderOutputRef& output) {
        output->set_always_copies_sample_data(false);
        outputs.push_back(output);
        add_feed(media_type, settings, output);
    };
    AssetReaderRef tc_reader;
    if (const auto tc = first_track(asset, AVMediaTypeTimecode)) {
        auto tc_output = AssetReaderTrackOutput::create(tc, std::nullopt);
        tc_reader = start(asset, {tc_output});
        add_feed(AVMediaTypeTimecode, std::nullopt, tc_output);
    }
    if (!asset->tracks_with_media_type(AVMediaTypeVideo).empty())
        add_output(AVMediaTypeVideo, video_settings, video_output(asset));
    const auto audio_tracks = asset->tracks_with_media_type(AVMediaTypeAudio);
    if (!audio_tracks.empty())
        add_output(AVMediaTypeAudio, audio_settings, audio_output(audio_tracks));
    const auto reader = start(asset, outputs);
    EXPECT_TRUE(reader);
    if (!reader)
        return w;
    EXPECT_TRUE(writer->start_writing());
    writer->start_session_at_source_time(Time::zero());
    w.status = run(writer, feeds);
    EXPECT_EQ(reader->status(), AssetReader::Status::Completed);
    w.info = probe(out);
    return w;
}

QVariantMap video(const char* codec_type, int width = 320, int height = 240)
{
    return {{AVVideoCodecKey, QString(codec_type)},
            {AVVideoWidthKey, width},
            {AVVideoHeightKey, height},
            {AVVideoScalingModeKey, QString(AVVideoScalingModeResizeAspectFill)}};
}

// The application's own linear PCM settings: 24 bits, flags given as texts.
QVariantMap app_lpcm() { return lpcm_settings(24, QString("false"), QString("false")); }

void expect_like_source(const FileInfo& out, const FileInfo& src, double frame)
{
    const StreamInfo* v = out.first("video");
    const StreamInfo* sv = src.first("video");
    ASSERT_TRUE(v && sv);
    EXPECT_EQ(v->packets, sv->packets);
    EXPECT_NEAR(v->duration, sv->duration, frame + 1e-6);
    const StreamInfo* sa = src.first("audio");
    if (sa) {
        const StreamInfo* a = out.first("audio");
        ASSERT_TRUE(a);
        EXPECT_NEAR(a->duration, sa->duration, 0.05);
        EXPECT_LE(out.worst_interleave_gap(), 1.0);
    }
}

class RoundTrip : public testing::TestWithParam<CodecCase> {};

}  // namespace

TEST_P(RoundTrip, KeepsFramesDurationAndInterleaving)
{
    const CodecCase c = GetParam();
    testsupport::TempDir dir;
    const FileInfo src = probe(testsupport::fixture("h264_aac.mp4"));
    // Into mov with AAC, and (mov only) with 24-bit linear PCM.
    std::vector<std::pair<std::optional<QVariantMap>, const char*>> audio{{aac_settings(), "aac"}};
    if (QString(c.file_type) == AVFileTypeQuickTimeMovie)
        audio.push_back({app_lpcm(), "pcm_s24le"});
    int n = 0;
    for (const auto& [settings, audio_codec] : audio) {
        SCOPED_TRACE(audio_codec);
        const std::string out = dir.file("out" + std::to_string(n++));
        const Written w = round_trip("h264_aac.mp4", out, c.file_type, video(c.codec_type, 320, 240), settings);
        ASSERT_EQ(w.status, AssetWriter::Status::Completed);
        const StreamInfo* v = w.info.first("video");
        ASSERT_TRUE(v);
        EXPECT_EQ(v->codec, c.codec);
        EXPECT_EQ(v->tag, c.tag);
        EXPECT_EQ(v->width, 320);
        EXPECT_EQ(v->height, 240);
        ASSERT_TRUE(w.info.first("audio"));
        EXPECT_EQ(w.info.first("audio")->codec, audio_codec);
        expect_like_source(w.info, src, 0.04);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, RoundTrip,
    testing::ValuesIn(with_codec_cases({CodecCase{AVVideoCodecTypeH264, AVFileTypeQuickTimeMovie, "h264", "avc1"}}, {})),
    case_name);

TEST(RoundTrip, LongerSourceStaysInterleavedAndResized)
{
    testsupport::TempDir dir;
    const std::string out = dir.file("long.mov");
    const Written w = round_trip("long.mp4", out, AVFileTypeQuickTimeMovie, video(AVVideoCodecTypeH264, 160, 120),
                                 aac_settings());
    ASSERT_EQ(w.status, AssetWriter::Status::Completed);
    EXPECT_EQ(w.info.first("video")->width, 160);
    expect_like_source(w.info, probe(testsupport::fixture("long.mp4")), 0.04);
}

TEST(RoundTrip, NtscFrameRateKeepsItsFrames)
{
    testsupport::TempDir dir;
    const std::string out = dir.file("ntsc.mp4");
    const Written w = round_trip("ntsc.mp4", out, AVFileTypeMPEG4, video(AVVideoCodecTypeH264), aac_settings());
    ASSERT_EQ(w.status, AssetWriter::Status::Completed);
    expect_like_source(w.info, probe(testsupport::fixture("ntsc.mp4")), 1001.0 / 30000);
}

TEST(RoundTrip, TimecodeKeepsItsStart)
{
    testsupport::TempDir dir;
    for (const auto& [name, want] : {std::pair{"tc.mov", "01:00:00:00"}, std::pair{"tc_ntsc.mov", "00:59:59;28"}}) {
        SCOPED_TRACE(name);
        const std::string out = dir.file(std::string("tc_") + name);
        const Written w = round_trip(name, out, AVFileTypeQuickTimeMovie, video(AVVideoCodecTypeH264), app_lpcm());
        ASSERT_EQ(w.status, AssetWriter::Status::Completed);
        const StreamInfo* data = w.info.first("data");
        ASSERT_TRUE(data);
        EXPECT_EQ(data->tags.count("timecode") ? data->tags.at("timecode") : "", want);
        expect_like_source(w.info, probe(testsupport::fixture(name)), 0.034);
    }
}

TEST(RoundTrip, TrackEndingEarlyDoesNotStallTheOther)
{
    testsupport::TempDir dir;
    for (const char* name : {"short_audio.mov", "short_video.mov"}) {
        SCOPED_TRACE(name);
        const std::string out = dir.file(std::string("out_") + name);
        const Written w = round_trip(name, out, AVFileTypeQuickTimeMovie, video(AVVideoCodecTypeH264, 160, 120),
                                     aac_settings());
        ASSERT_EQ(w.status, AssetWriter::Status::Completed);
        const FileInfo src = probe(testsupport::fixture(name));
        EXPECT_EQ(w.info.first("video")->packets, src.first("video")->packets);
        EXPECT_NEAR(w.info.first("video")->duration, src.first("video")->duration, 0.04);
        EXPECT_NEAR(w.info.first("audio")->duration, src.first("audio")->duration, 0.05);
    }
}

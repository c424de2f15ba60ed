#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

#include "platform/dispatch/queue.h"

#include "reader_test_util.h"
#include "support/whole_fixtures.h"

using namespace media;
using namespace mediatest;

namespace {

uint32_t big_endian32(const uint8_t* p) { return (p[0] << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }

uint32_t first_timecode_frame(const char* name)
{
    const AssetRef asset = open(name);
    const auto output = AssetReaderTrackOutput::create(first_track(asset, AVMediaTypeTimecode), std::nullopt);
    const auto reader = start(asset, {output});
    EXPECT_TRUE(reader);
    const auto sample = output->copy_next_sample_buffer();
    EXPECT_TRUE(sample);
    if (!sample || sample->data_size() < 4)
        return 0;
    EXPECT_EQ(sample->format_description->media_subtype, kCMTimeCodeFormatType_TimeCode32);
    EXPECT_EQ(sample->num_samples, 1);
    return big_endian32(sample->data());
}

// Stored samples of the tracks, pulled in turn as a writer does, until every output has ended.
AssetReaderRef read_tracks(const AssetRef& asset, const std::vector<AssetTrackRef>& tracks,
                           const TimeRange& range = TimeRange::everything())
{
    std::vector<AssetReaderOutputRef> outputs;
    for (const auto& track : tracks)
        outputs.push_back(AssetReaderTrackOutput::create(track, std::nullopt));
    auto reader = start(asset, outputs, range);
    std::vector<bool> ended(outputs.size(), false);
    while (std::find(ended.begin(), ended.end(), false) != ended.end())
        for (size_t i = 0; i < outputs.size(); ++i)
            ended[i] = ended[i] || !outputs[i]->copy_next_sample_buffer();
    return reader;
}

std::vector<AssetTrackRef> audio_and_video(const AssetRef& asset)
{
    std::vector<AssetTrackRef> tracks = asset->tracks_with_media_type(AVMediaTypeVideo);
    for (const auto& track : asset->tracks_with_media_type(AVMediaTypeAudio))
        tracks.push_back(track);
    return tracks;
}

}  // namespace

TEST(AssetReader, CannotBeCreatedForUnreadableFiles)
{
    for (const char* name : {"random.mp4", "empty.mov", "no_index.mp4", "does-not-exist.mov"}) {
        SCOPED_TRACE(name);
        Error error;
        EXPECT_FALSE(AssetReader::create(open(name), &error));
        EXPECT_FALSE(error.description.isEmpty());
    }
    Error error;
    EXPECT_FALSE(AssetReader::create(nullptr, &error));
}

TEST(AssetReader, TimecodeSamplesCarryTheFrameNumber)
{
    EXPECT_EQ(first_timecode_frame("tc.mov"), 90000u);  // 01:00:00:00 at 25 frames a second
    // 00:59:59;28 drop-frame: 3599 s of 30 frames plus 28, less 2 frames in 54 minutes.
    EXPECT_EQ(first_timecode_frame("tc_ntsc.mov"), 107890u);
}

TEST(AssetReader, TrackOutputGivesStoredSamplesAndCompletes)
{
    const AssetRef asset = open("h264_aac.mp4");
    const auto video = first_track(asset, AVMediaTypeVideo);
    const auto output = AssetReaderTrackOutput::create(video, std::nullopt);
    EXPECT_FALSE(AssetReaderTrackOutput::create(video, QVariantMap{}));
    const auto reader = start(asset, {output});
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->status(), AssetReader::Status::Reading);
    const auto samples = drain(output);
    ASSERT_EQ(samples.size(), 75u);
    EXPECT_GT(samples[0]->data_size(), 100u);
    EXPECT_EQ(samples[0]->format_description, video->format_descriptions[0]);
    EXPECT_EQ(reader->status(), AssetReader::Status::Completed);
    EXPECT_FALSE(output->copy_next_sample_buffer());
}

TEST(AssetReader, OutputsAreCheckedBeforeTheyAreAdded)
{
    const AssetRef asset = open("h264_aac.mp4");
    const AssetRef other = open("tone.wav");
    const auto reader = AssetReader::create(asset);
    ASSERT_TRUE(reader);
    const auto foreign = audio_output(other->tracks());
    EXPECT_FALSE(reader->can_add_output(foreign));
    const auto video = video_output(asset);
    EXPECT_TRUE(reader->can_add_output(video));
    reader->add_output(video);
    EXPECT_FALSE(reader->can_add_output(video));  // once only
    EXPECT_EQ(reader->outputs().size(), 1u);
    EXPECT_TRUE(reader->start_reading());
    EXPECT_FALSE(reader->start_reading());
    EXPECT_FALSE(reader->can_add_output(audio_output(asset)));
    EXPECT_EQ(AssetReaderAudioMixOutput::create(open("video_only.mp4")->tracks(), std::nullopt), nullptr);
}

TEST(AssetReader, CompletesOnlyWhenEveryOutputHasEnded)
{
    const AssetRef asset = open("h264_aac.mp4");
    const auto video = video_output(asset);
    const auto audio = audio_output(asset);
    const auto reader = start(asset, {video, audio});
    ASSERT_TRUE(reader);
    EXPECT_EQ(drain(video).size(), 75u);
    EXPECT_EQ(reader->status(), AssetReader::Status::Reading);
    EXPECT_FALSE(drain(audio).empty());
    EXPECT_EQ(reader->status(), AssetReader::Status::Completed);
    EXPECT_FALSE(reader->error());
}

TEST(AssetReader, TimeRangeKeepsOnlyItsSamples)
{
    const AssetRef asset = open("long.mp4");
    const auto video = video_output(asset);
    const auto audio = audio_output(asset);
    const auto stored = AssetReaderTrackOutput::create(first_track(asset, AVMediaTypeVideo), std::nullopt);
    const auto reader = start(asset, {video, audio, stored},
                              TimeRange::make(Time::make(1, 1), Time::make(1, 1)));
    ASSERT_TRUE(reader);
    const auto frames = drain(video);
    ASSERT_EQ(frames.size(), 25u);
    EXPECT_EQ(frames.front()->presentation_time, Time::make(1, 1));
    EXPECT_NEAR(frames.back()->presentation_time.seconds(), 1.96, 1e-6);

    const auto chunks = drain(audio);
    ASSERT_FALSE(chunks.empty());
    EXPECT_EQ(chunks.front()->presentation_time, Time::make(1, 1));
    int64_t total = 0;
    for (const auto& c : chunks) {
        EXPECT_EQ(c->presentation_time, Time::make(44100 + total, 44100));
        total += c->num_samples;
    }
    EXPECT_EQ(total, 44100);

    for (const auto& s : drain(stored)) {
        EXPECT_GE(s->presentation_time.seconds(), 1.0);
        EXPECT_LT(s->presentation_time.seconds(), 2.0);
    }
    EXPECT_EQ(reader->status(), AssetReader::Status::Completed);
}

TEST(AssetReader, ATruncatedFileFailsWithADescription)
{
    const AssetRef asset = open("truncated.mp4");
    const auto video = video_output(asset);
    const auto audio = audio_output(asset);
    const auto reader = start(asset, {video, audio});
    ASSERT_TRUE(reader);
    // The writer side pulls both outputs in turn; both end.
    while (video->copy_next_sample_buffer() || audio->copy_next_sample_buffer()) {
    }
    EXPECT_EQ(reader->status(), AssetReader::Status::Failed);
    ASSERT_TRUE(reader->error());
    EXPECT_TRUE(reader->error()->description.contains("不完整"));
    EXPECT_FALSE(video->copy_next_sample_buffer());
}

// Matroska and WebM declare each stream's length in a tag, AVI counts the frames in its
// headers: media data that ends halfway through fails the reading as cut short, whichever
// tracks are read. A range that ends where the data is still there reads as usual.
TEST(AssetReader, AFileCutShortInAnyContainerFails)
{
    for (const char* name : {"half_clip.mkv", "half_clip.webm", "half_clip.avi", "half_late_audio.avi",
                             "half_long_subtitles.mkv", "half_late_audio.flv"}) {
        SCOPED_TRACE(name);
        const AssetRef asset = open(name);
        const std::vector<AssetTrackRef> tracks = audio_and_video(asset);
        ASSERT_EQ(tracks.size(), 2u);
        for (const auto& read : {tracks, {tracks[0]}, {tracks[1]}}) {
            const auto reader = read_tracks(asset, read);
            ASSERT_TRUE(reader);
            EXPECT_EQ(reader->status(), AssetReader::Status::Failed);
            ASSERT_TRUE(reader->error());
            EXPECT_TRUE(reader->error()->description.contains("不完整")) << reader->error()->description.toStdString();
        }
        const auto head = read_tracks(asset, tracks, TimeRange::make(Time::zero(), Time::from_seconds(1)));
        ASSERT_TRUE(head);
        EXPECT_EQ(head->status(), AssetReader::Status::Completed);
    }
}

// Streams that end apart, start late, change their frame rate, sit behind edit lists or
// declare no length at all: no whole file is taken for one cut short, read whole or a track
// alone.
TEST(AssetReader, EveryWholeFixtureReadsToItsEnd)
{
    for (const std::string& name : testsupport::whole_media_fixtures()) {
        SCOPED_TRACE(name);
        const AssetRef asset = open(name);
        const std::vector<AssetTrackRef> tracks = audio_and_video(asset);
        ASSERT_FALSE(tracks.empty());
        std::vector<std::vector<AssetTrackRef>> reads{tracks};
        if (tracks.size() > 1)
            for (const auto& track : tracks)
                reads.push_back({track});
        for (const auto& read : reads) {
            const auto reader = read_tracks(asset, read);
            ASSERT_TRUE(reader);
            EXPECT_EQ(reader->status(), AssetReader::Status::Completed)
                << read.size() << " tracks: " << (reader->error() ? reader->error()->description.toStdString() : "");
        }
    }
}

TEST(AssetReader, CancelEndsEveryOutput)
{
    const AssetRef asset = open("long.mp4");
    const auto video = video_output(asset);
    const auto audio = audio_output(asset);
    const auto reader = start(asset, {video, audio});
    ASSERT_TRUE(reader);
    ASSERT_TRUE(video->copy_next_sample_buffer());
    reader->cancel_reading();
    EXPECT_EQ(reader->status(), AssetReader::Status::Cancelled);
    EXPECT_FALSE(video->copy_next_sample_buffer());
    EXPECT_FALSE(audio->copy_next_sample_buffer());
    reader->cancel_reading();
    EXPECT_EQ(reader->status(), AssetReader::Status::Cancelled);
}

using testsupport::threads_named;

TEST(AssetReader, ACancelledReadEndsItsThreadsWhileItsObjectsAreKept)
{
    const AssetRef asset = open("long.mp4");
    const auto video = video_output(asset);
    // An unread second channel keeps the demuxer waiting for room too (a lone channel may
    // take in a small file whole and end).
    const auto audio = audio_output(asset);
    const auto reader = start(asset, {video, audio});
    ASSERT_TRUE(video->copy_next_sample_buffer());
    EXPECT_EQ(threads_named("media-decode"), 1);
    EXPECT_EQ(threads_named("media-demux"), 1);
    // The decoder has run ahead and waits for room that a cancelled read never makes.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    reader->cancel_reading();
    reader->join_threads();
    EXPECT_EQ(threads_named("media-decode"), 0);
    EXPECT_EQ(threads_named("media-demux"), 0);
}

TEST(AssetReader, DroppingTheReaderWhileReadingDoesNotHang)
{
    const AssetRef asset = open("long.mp4");
    auto video = video_output(asset);
    auto audio = audio_output(asset);
    auto reader = start(asset, {video, audio});
    ASSERT_TRUE(video->copy_next_sample_buffer());
    reader.reset();
    while (video->copy_next_sample_buffer()) {
    }
    audio.reset();
    video.reset();
}

TEST(AssetReader, ReadsFilesWithUnusualNames)
{
    const AssetRef asset = open("双引号\"名字 ü.mp4");
    const auto video = video_output(asset);
    const auto reader = start(asset, {video});
    ASSERT_TRUE(reader);
    EXPECT_EQ(drain(video).size(), 75u);
    EXPECT_EQ(reader->status(), AssetReader::Status::Completed);
}

TEST(AssetReader, ACodecWithoutDecoderFailsAtTheStart)
{
    const AssetRef asset = open("nodecoder.mp4");
    ASSERT_EQ(asset->tracks().size(), 1u);
    EXPECT_EQ(asset->tracks()[0]->format_descriptions[0]->media_subtype, fourcc("zzzz"));
    const auto video = video_output(asset);
    const auto reader = AssetReader::create(asset);
    ASSERT_TRUE(reader);
    reader->add_output(video);
    EXPECT_FALSE(reader->start_reading());
    EXPECT_EQ(reader->status(), AssetReader::Status::Failed);
    ASSERT_TRUE(reader->error());
    EXPECT_TRUE(reader->error()->description.contains("没有编码"));
    EXPECT_FALSE(video->copy_next_sample_buffer());
}

TEST(AssetReader, SeveralReadersAtOnceFromPoolThreads)
{
    // Consumers on the global pool, more of them than the pool's width: each waits for
    // its reader's own threads, so all of them finish.
    dispatch::set_global_width(2);
    constexpr int kReaders = 6;
    std::atomic<int> done{0}, frames{0}, chunks{0};
    std::vector<AssetReaderRef> readers;
    for (int i = 0; i < kReaders; ++i) {
        const AssetRef asset = open("h264_aac.mp4");
        const auto video = video_output(asset);
        const auto audio = audio_output(asset);
        readers.push_back(start(asset, {video, audio}));
        dispatch::Queue::global().async([video, audio, &done, &frames, &chunks] {
            bool more_video = true, more_audio = true;
            while (more_video || more_audio) {
                if (more_video && (more_video = video->copy_next_sample_buffer() != nullptr))
                    ++frames;
                if (more_audio && (more_audio = audio->copy_next_sample_buffer() != nullptr))
                    ++chunks;
            }
            ++done;
        });
    }
    EXPECT_TRUE(testsupport::pump_until([&] { return done == kReaders; }, std::chrono::seconds(120)));
    dispatch::set_global_width(static_cast<int>(std::thread::hardware_concurrency()));
    EXPECT_EQ(frames, kReaders * 75);
    EXPECT_GT(chunks, kReaders * 120);
    for (const auto& r : readers)
        EXPECT_EQ(r->status(), AssetReader::Status::Completed);
}

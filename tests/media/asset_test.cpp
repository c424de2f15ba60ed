#include <sys/stat.h>

#include <QFile>
#include <gtest/gtest.h>

#include "media_test_util.h"

using namespace media;
using mediatest::first_track;
using mediatest::open;

namespace {

void expect_transform(const AffineTransform& t, AffineTransform want)
{
    EXPECT_NEAR(t.a, want.a, 1e-6);
    EXPECT_NEAR(t.b, want.b, 1e-6);
    EXPECT_NEAR(t.c, want.c, 1e-6);
    EXPECT_NEAR(t.d, want.d, 1e-6);
    EXPECT_NEAR(t.tx, want.tx, 1e-6);
    EXPECT_NEAR(t.ty, want.ty, 1e-6);
}

}  // namespace

TEST(Asset, H264AacMovieFacts)
{
    const AssetRef asset = open("h264_aac.mp4");
    ASSERT_TRUE(asset->is_openable());
    ASSERT_EQ(asset->tracks().size(), 2u);
    EXPECT_NE(asset->format_name().find("mp4"), std::string::npos);
    EXPECT_NEAR(asset->duration().seconds(), 3.0, 0.1);
    EXPECT_NE(asset->description().find("h264_aac.mp4"), std::string::npos);

    const AssetTrack& v = *asset->tracks()[0];
    EXPECT_EQ(v.track_id, 1);
    EXPECT_EQ(v.media_type, AVMediaTypeVideo);
    ASSERT_EQ(v.format_descriptions.size(), 1u);
    EXPECT_EQ(v.format_descriptions[0]->media_subtype, fourcc("avc1"));
    EXPECT_EQ(v.natural_size, (Size{320, 240}));
    EXPECT_TRUE(v.preferred_transform.is_identity());
    EXPECT_FLOAT_EQ(v.nominal_frame_rate, 25.0f);
    EXPECT_EQ(v.min_frame_duration, Time::make(1, 25));
    EXPECT_FALSE(v.requires_frame_reordering);
    EXPECT_GT(v.estimated_data_rate, 50e3f);
    EXPECT_LT(v.estimated_data_rate, 10e6f);
    EXPECT_NEAR(v.time_range.duration.seconds(), 3.0, 0.05);
    EXPECT_NEAR(v.time_range.start.seconds(), 0.0, 1e-9);

    const AssetTrack& a = *asset->tracks()[1];
    EXPECT_EQ(a.track_id, 2);
    EXPECT_EQ(a.media_type, AVMediaTypeAudio);
    EXPECT_EQ(a.format_descriptions[0]->media_subtype, kAudioFormatMPEG4AAC);
    EXPECT_EQ(a.format_descriptions[0]->sample_rate, 44100);
    EXPECT_EQ(a.format_descriptions[0]->channels, 1);
    EXPECT_NEAR(a.estimated_data_rate, 96e3f, 20e3f);
    ASSERT_TRUE(a.format_descriptions[0]->codec_parameters);
    EXPECT_EQ(a.format_descriptions[0]->codec_parameters->codec_id, AV_CODEC_ID_AAC);
    EXPECT_EQ(asset->tracks_with_media_type(AVMediaTypeAudio).size(), 1u);
}

TEST(Asset, FrameRatesAndReordering)
{
    const auto ntsc = first_track(open("ntsc.mp4"), AVMediaTypeVideo);
    ASSERT_TRUE(ntsc);
    EXPECT_NEAR(ntsc->nominal_frame_rate, 29.97, 0.001);
    EXPECT_EQ(ntsc->min_frame_duration, Time::make(1001, 30000));
    EXPECT_FALSE(ntsc->requires_frame_reordering);

    const auto b = first_track(open("bframes.mp4"), AVMediaTypeVideo);
    ASSERT_TRUE(b);
    EXPECT_TRUE(b->requires_frame_reordering);
}

TEST(Asset, TimecodeTracks)
{
    const AssetRef asset = open("tc.mov");
    ASSERT_EQ(asset->tracks().size(), 3u);
    EXPECT_EQ(asset->tracks()[0]->media_type, AVMediaTypeVideo);
    EXPECT_EQ(asset->tracks()[1]->media_type, AVMediaTypeAudio);
    const auto tc = first_track(asset, AVMediaTypeTimecode);
    ASSERT_TRUE(tc);
    const FormatDescription& fd = *tc->format_descriptions[0];
    EXPECT_EQ(fd.media_type, AVMediaTypeTimecode);
    EXPECT_EQ(fd.media_subtype, kCMTimeCodeFormatType_TimeCode32);
    EXPECT_EQ(fd.frame_quanta, 25u);
    EXPECT_EQ(fd.frame_duration, Time::make(1, 25));
    EXPECT_EQ(fd.timecode_flags & kCMTimeCodeFlag_DropFrame, 0u);

    const auto ntsc = first_track(open("tc_ntsc.mov"), AVMediaTypeTimecode);
    ASSERT_TRUE(ntsc);
    EXPECT_EQ(ntsc->format_descriptions[0]->frame_quanta, 30u);
    EXPECT_EQ(ntsc->format_descriptions[0]->frame_duration, Time::make(1001, 30000));
    EXPECT_NE(ntsc->format_descriptions[0]->timecode_flags & kCMTimeCodeFlag_DropFrame, 0u);
}

TEST(Asset, RotationComesFromTheDisplayMatrix)
{
    // Each transform maps the stored 320x240 picture onto the upright one at the origin.
    const auto r90 = first_track(open("rot90.mov"), AVMediaTypeVideo);
    const auto r180 = first_track(open("rot180.mov"), AVMediaTypeVideo);
    const auto r270 = first_track(open("rot270.mov"), AVMediaTypeVideo);
    ASSERT_TRUE(r90 && r180 && r270);
    EXPECT_EQ(r90->natural_size, (Size{320, 240}));
    expect_transform(r90->preferred_transform, {0, -1, 1, 0, 0, 320});
    expect_transform(r180->preferred_transform, {-1, 0, 0, -1, 320, 240});
    expect_transform(r270->preferred_transform, {0, 1, -1, 0, 240, 0});
}

TEST(Asset, NonSquarePixelsGiveTheDisplaySize)
{
    const AssetRef asset = open("sar169.mp4");
    ASSERT_FALSE(asset->tracks().empty());
    const AssetTrack& v = *asset->tracks()[0];
    EXPECT_EQ(v.natural_size, (Size{1024, 576}));
    EXPECT_TRUE(v.preferred_transform.is_identity());
    // The sample description keeps the stored size.
    EXPECT_EQ(v.format_descriptions[0]->width, 720);
    EXPECT_EQ(v.format_descriptions[0]->height, 576);
}

TEST(Asset, AudioOnlyFilesAndCoverArt)
{
    const AssetRef m4a = open("audio.m4a");
    ASSERT_EQ(m4a->tracks().size(), 1u);
    EXPECT_EQ(m4a->tracks()[0]->media_type, AVMediaTypeAudio);

    // The cover picture of an mp3 is not a video track.
    const AssetRef cover = open("cover.mp3");
    ASSERT_EQ(cover->tracks().size(), 1u);
    EXPECT_EQ(cover->tracks()[0]->format_descriptions[0]->media_subtype, kAudioFormatMPEGLayer3);
    EXPECT_TRUE(cover->tracks_with_media_type(AVMediaTypeVideo).empty());

    const AssetRef wav = open("tone.wav");
    ASSERT_EQ(wav->tracks().size(), 1u);
    EXPECT_EQ(wav->tracks()[0]->format_descriptions[0]->media_subtype, kAudioFormatLinearPCM);
    EXPECT_EQ(wav->tracks()[0]->format_descriptions[0]->sample_rate, 48000);
    EXPECT_NEAR(wav->duration().seconds(), 2.0, 0.01);
    EXPECT_NEAR(wav->tracks()[0]->estimated_data_rate, 768e3f, 1e3f);

    const AssetRef video_only = open("video_only.mp4");
    ASSERT_EQ(video_only->tracks().size(), 1u);
    EXPECT_EQ(video_only->tracks()[0]->media_type, AVMediaTypeVideo);
}

TEST(Asset, CodecSubtypes)
{
    EXPECT_EQ(first_track(open("hevc.mp4"), AVMediaTypeVideo)->format_descriptions[0]->media_subtype,
              fourcc("hvc1"));
    EXPECT_EQ(first_track(open("prores.mov"), AVMediaTypeVideo)->format_descriptions[0]->media_subtype,
              fourcc("apcn"));
    const AssetRef mkv = open("clip.mkv");
    ASSERT_EQ(mkv->tracks().size(), 2u);
    EXPECT_EQ(mkv->tracks()[0]->format_descriptions[0]->media_subtype, fourcc("avc1"));
    EXPECT_EQ(mkv->tracks()[1]->format_descriptions[0]->media_subtype, kAudioFormatMPEG4AAC);
    EXPECT_GT(mkv->tracks()[0]->estimated_data_rate, 0.0f);
}

TEST(Asset, UnreadableFilesGiveAnAssetWithoutTracks)
{
    for (const char* name : {"empty.mov", "random.mp4", "no_index.mp4", "does-not-exist.mp4"}) {
        SCOPED_TRACE(name);
        const AssetRef asset = open(name);
        EXPECT_FALSE(asset->is_openable());
        EXPECT_TRUE(asset->tracks().empty());
        EXPECT_EQ(asset->duration(), Time::zero());
    }
    const AssetRef dir = Asset::from_path(QString::fromStdString(testsupport::fixture("")));
    EXPECT_TRUE(dir->tracks().empty());
    // A playlist that names another file is not read as media.
    testsupport::TempDir tmp;
    QFile playlist(QString::fromStdString(tmp.file("list.mp4")));
    ASSERT_TRUE(playlist.open(QIODevice::WriteOnly));
    playlist.write("#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:3,\n" +
                   QByteArray::fromStdString(testsupport::fixture("h264_aac.mp4")) + "\n#EXT-X-ENDLIST\n");
    playlist.close();
    EXPECT_TRUE(Asset::from_path(playlist.fileName())->tracks().empty());
    // A pipe would block the reading forever; it is not opened at all.
    const std::string fifo = tmp.file("pipe.mp4");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(Asset::from_path(QString::fromStdString(fifo))->is_openable());
    EXPECT_TRUE(Asset::from_url(QUrl("https://example.invalid/a.mp4"))->tracks().empty());
}

TEST(Asset, UnusualFileNames)
{
    for (const char* name : {"with space.mp4", "quote'name.mp4", "双引号\"名字 ü.mp4", "-dash.mp4"}) {
        SCOPED_TRACE(name);
        const AssetRef asset = open(name);
        EXPECT_TRUE(asset->is_openable());
        EXPECT_EQ(asset->tracks().size(), 2u);
    }
    // The truncated file still opens: its index is complete.
    EXPECT_EQ(open("truncated.mp4")->tracks().size(), 2u);
}

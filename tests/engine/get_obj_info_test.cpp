#include <gtest/gtest.h>

#include <QRegularExpression>

#include "engine/get_obj_info.h"
#include "engine/media_info_text.h"
#include "fixture_paths.h"
#include "platform/media/identifiers.h"
#include "support/support.h"

namespace {

get_obj_info info_of(const std::string& name)
{
    return get_obj_info(fixture_url(name));
}

void expect_matches(const QString& text, const char* pattern)
{
    EXPECT_TRUE(QRegularExpression(QString::fromUtf8(pattern)).match(text).hasMatch())
        << text.toStdString() << " does not match " << pattern;
}

}  // namespace

TEST(GetObjInfo, VideoAndAudioMovie)
{
    const get_obj_info info = info_of("h264_aac.mp4");
    expect_matches(info.infoText, R"(^2-1 vide 320X240\(4:3\) 25\.00 avc1 \d+\.\d\dMbps\n2-2 soun aac\n$)");
    // A 3-second test picture at this size is well above nothing and below 5 Mbps.
    const double rate = QRegularExpression(R"( (\d+\.\d\d)Mbps)").match(info.infoText).captured(1).toDouble();
    EXPECT_GT(rate, 0.0);
    EXPECT_LT(rate, 5.0);
    ASSERT_TRUE(info.naturalSize);
    EXPECT_EQ(*info.naturalSize, (media::Size{320, 240}));
    ASSERT_TRUE(info.duration);
    EXPECT_NEAR(info.duration->seconds(), 3.0, 0.1);
    ASSERT_TRUE(info.tracks);
    EXPECT_EQ(info.tracks->size(), 2u);
}

TEST(GetObjInfo, FrameRateAndPortraitSize)
{
    expect_matches(info_of("ntsc.mp4").infoText, R"(^1-1 vide 320X240\(4:3\) 29\.97 avc1 )");
    // The natural size is the stored picture; the turn is the track's transform.
    expect_matches(info_of("hd1080_rot90.mov").infoText, R"(^2-1 vide 1920X1080\(16:9\) 25\.00 avc1 )");
}

TEST(GetObjInfo, AudioOnlyFileHasOnlySoundLines)
{
    const get_obj_info info = info_of("audio.m4a");
    EXPECT_EQ(info.infoText, "1-1 soun aac\n");
    EXPECT_FALSE(info.naturalSize);
    EXPECT_EQ(info_of("tone.mp3").infoText, "1-1 soun .mp3\n");
    EXPECT_EQ(info_of("tone.wav").infoText, "1-1 soun lpcm\n");
    // Cover art is no video track.
    EXPECT_EQ(info_of("cover.mp3").infoText, "1-1 soun .mp3\n");
}

TEST(GetObjInfo, TimecodeLineIsOnlyCountNumberAndType)
{
    const QStringList lines = info_of("tc.mov").infoText.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 4);  // three lines, each ended by a line break
    EXPECT_TRUE(lines[0].startsWith("3-1 vide 320X240(4:3) 25.00 avc1 "));
    EXPECT_EQ(lines[1], "3-2 soun aac");
    EXPECT_EQ(lines[2], "3-3 tmcd");
    EXPECT_EQ(lines[3], "");
}

TEST(GetObjInfo, UnreadableFilesGiveNoText)
{
    for (const char* name : {"random.mp4", "empty.mov", "no_index.mp4", "no such file.mov"}) {
        const get_obj_info info = info_of(name);
        EXPECT_EQ(info.infoText, "") << name;
        EXPECT_FALSE(info.naturalSize) << name;
        ASSERT_TRUE(info.tracks) << name;
        EXPECT_TRUE(info.tracks->empty()) << name;
    }
}

TEST(TrackFormatText, JoinsEveryDescription)
{
    media::AssetTrack track;
    EXPECT_EQ(track_format_text(track), "");
    auto avc1 = std::make_shared<media::FormatDescription>();
    avc1->media_subtype = media::fourcc("avc1");
    track.format_descriptions = {avc1, avc1};
    EXPECT_EQ(track_format_text(track), "avc1,avc1");
    auto aac = std::make_shared<media::FormatDescription>();
    aac->media_subtype = kAudioFormatMPEG4AAC;
    track.format_descriptions = {aac};
    EXPECT_EQ(track_format_text(track), "aac");
}

#include <gtest/gtest.h>

#include <limits>

#include "engine/ffmpeg_command.h"
#include "engine/presets.h"
#include "fixture_paths.h"
#include "platform/ffkit/arguments.h"

namespace {

My_Prest preset_with(QVariantMap video, QVariantMap audio = {})
{
    My_Prest preset;
    preset.video_outputSettings = std::move(video);
    preset.audio_outputSettings = std::move(audio);
    return preset;
}

QVariantMap with_bit_rate(const char* codec, QVariant rate)
{
    return {{AVVideoCodecKey, QString(codec)},
            {AVVideoCompressionPropertiesKey, QVariantMap{{AVVideoAverageBitRateKey, rate}}}};
}

QString pieces(const My_Prest& preset) { return ffmpeg_command("/in/a.mp4", "/out/a.mov", &preset); }

const QString kInput = "-i '/in/a.mp4'";
const QString kOutput = " '/out/a.mov'";

}  // namespace

TEST(FfmpegCommand, TheWholeStringForAMovieAndForAudioOnly)
{
    My_Prest movie = preset_with(with_bit_rate(AVVideoCodecTypeH264, 5000000),
                                 {{AVFormatIDKey, uint(kAudioFormatMPEG4AAC)}});
    movie.set_size(1920, 1080);
    EXPECT_EQ(pieces(movie), "-i '/in/a.mp4' -s 1920*1080 -vcodec libx264 -pix_fmt yuv420p -b:v 5000000 -c:a aac '/out/a.mov'");

    const My_Prest wave = preset_with({}, {{AVFormatIDKey, uint(kAudioFormatLinearPCM)}});
    EXPECT_EQ(ffmpeg_command("/in/a.mp4", "/out/a.wav", &wave), "-i '/in/a.mp4' -c:a pcm_s24le '/out/a.wav'");
    EXPECT_EQ(ffmpeg_command("/in/a.mp4", "/out/a.mov", nullptr), kInput + kOutput);
    EXPECT_EQ(pieces(My_Prest()), kInput + kOutput);
}

TEST(FfmpegCommand, FrameSize)
{
    struct Case {
        QVariant width, height;
        QString piece;
    };
    const Case cases[] = {
        {-100, 720, ""},
        {-100.0, 720.0, ""},
        {-100.0f, 720, ""},
        {1280, 720, " -s 1280*720"},
        {1920.0, 1080.0, " -s 1920*1080"},
        {-1.5, 2.9, " -s -1*2"},
        // Odd sizes round up to even, as on the pipeline.
        {1919.0, 1081.0, " -s 1920*1082"},
        {qint64(640), uint(480), " -s 640*480"},
        // Sizes beyond any whole number stay whole numbers, for the encoder to refuse.
        {1e300, 2.0, " -s 1000000000000000*2"},
        {std::numeric_limits<double>::quiet_NaN(), 2.0, " -s 0*2"},
        {QString("1280"), 720, ""},  // a text is not a number
        {1280, QVariant(), ""},
    };
    for (const auto& c : cases) {
        const My_Prest preset = preset_with({{AVVideoWidthKey, c.width}, {AVVideoHeightKey, c.height}});
        EXPECT_EQ(pieces(preset), kInput + c.piece + kOutput) << c.width.toString().toStdString();
    }
}

TEST(FfmpegCommand, CodecTableAndBitRate)
{
    struct Case {
        const char* codec;
        QString text;
        bool bit_rate_follows;
    };
    const Case cases[] = {
        {AVVideoCodecTypeH264, " -vcodec libx264 -pix_fmt yuv420p", true},
        {AVVideoCodecTypeHEVC, " -vcodec libx265 -tag:v hvc1 -pix_fmt yuv422p10", true},
        {AVVideoCodecTypeAppleProRes4444, " -vcodec prores -profile:v 4 -pix_fmt yuv444p10", false},
        {AVVideoCodecTypeAppleProRes422, " -vcodec prores -profile:v 2 -pix_fmt yuv422p10", false},
        {AVVideoCodecTypeAppleProRes422HQ, " -vcodec prores -profile:v 3 -pix_fmt yuv422p10", false},
        {AVVideoCodecTypeAppleProRes422LT, " -vcodec prores -profile:v 1 -pix_fmt yuv422p10", false},
        {AVVideoCodecTypeAppleProRes422Proxy, " -vcodec prores -profile:v 0 -pix_fmt yuv422p10", false},
        {AVVideoCodecTypeHEVCWithAlpha, "", false},
        {AVVideoCodecTypeJPEG, "", false},
    };
    for (const auto& c : cases) {
        const My_Prest plain = preset_with({{AVVideoCodecKey, QString(c.codec)}});
        EXPECT_EQ(pieces(plain), kInput + c.text + kOutput) << c.codec;
        const My_Prest rated = preset_with(with_bit_rate(c.codec, 5000000));
        EXPECT_EQ(pieces(rated), kInput + c.text + (c.bit_rate_follows ? " -b:v 5000000" : "") + kOutput) << c.codec;
    }
    // A floating bit rate keeps its decimal form; a text is not a number.
    EXPECT_EQ(pieces(preset_with(with_bit_rate(AVVideoCodecTypeH264, 2500000.0))),
              kInput + " -vcodec libx264 -pix_fmt yuv420p -b:v 2500000.0" + kOutput);
    EXPECT_EQ(pieces(preset_with(with_bit_rate(AVVideoCodecTypeH264, QString("5000000")))),
              kInput + " -vcodec libx264 -pix_fmt yuv420p" + kOutput);
}

TEST(FfmpegCommand, AudioCodes)
{
    const std::pair<QVariant, QString> cases[] = {
        {uint(kAudioFormatMPEG4AAC), " -c:a aac"},
        {uint(kAudioFormatLinearPCM), " -c:a pcm_s24le"},
        {uint(kAudioFormatMPEGLayer3), ""},
        {uint(kAudioFormatAC3), ""},
        {int(kAudioFormatMPEG4AAC), ""},  // not an unsigned 32-bit code
    };
    for (const auto& [code, piece] : cases)
        EXPECT_EQ(pieces(preset_with({}, {{AVFormatIDKey, code}})), kInput + piece + kOutput);
}

TEST(FfmpegCommand, SampleRangeOfAPreview)
{
    const auto range = [](double start, double duration) {
        return media::TimeRange::make(media::Time::from_seconds(start), media::Time::from_seconds(duration));
    };
    EXPECT_EQ(with_sample_range(range(0, 10), kInput + kOutput), "-ss 0.0 -t 10.0 " + kInput + kOutput);
    EXPECT_EQ(with_sample_range(range(0.5, 2.25), "x"), "-ss 0.5 -t 2.25 x");
    EXPECT_EQ(decimal_text(0.1), "0.1");
    EXPECT_EQ(decimal_text(1.0 / 3), "0.3333333333333333");
    EXPECT_EQ(decimal_text(-3), "-3.0");
}

TEST(FfmpegCommand, AnyPathSplitsBackWholeAndNeverAsAnOption)
{
    const QStringList names = {"/m/quote'name.mp4", QString::fromUtf8("/m/双引号\"名字 ü.mp4"), "/m/-dash.mp4",
                               "/m/with space.mp4"};
    const My_Prest preset = preset_with(with_bit_rate(AVVideoCodecTypeH264, 1000),
                                        {{AVFormatIDKey, uint(kAudioFormatMPEG4AAC)}});
    for (const QString& name : names) {
        const QString command = ffmpeg_command(name, name + ".mov", &preset);
        const auto arguments = ffkit::split_arguments(command);
        ASSERT_TRUE(arguments) << command.toStdString();
        EXPECT_EQ(*arguments, QStringList({"-i", name, "-vcodec", "libx264", "-pix_fmt", "yuv420p", "-b:v", "1000", "-c:a", "aac",
                                           name + ".mov"}));
    }
    // A relative path is made absolute, so a leading dash cannot read as an option.
    const auto relative = ffkit::split_arguments(ffmpeg_command("-dash.mp4", "-out.mov", nullptr));
    ASSERT_TRUE(relative);
    EXPECT_TRUE(relative->at(1).startsWith('/'));
    EXPECT_TRUE(relative->at(2).startsWith('/'));
}

TEST(FfmpegCommand, CodecsWithoutAnEncoderOnTheCommandLine)
{
    // Every codec of the table has its encoder; without a codec ffmpeg writes the container's
    // usual one, which is no change of the user's choice.
    for (const char* codec : {AVVideoCodecTypeH264, AVVideoCodecTypeHEVC, AVVideoCodecTypeAppleProRes4444,
                              AVVideoCodecTypeAppleProRes422, AVVideoCodecTypeAppleProRes422HQ,
                              AVVideoCodecTypeAppleProRes422LT, AVVideoCodecTypeAppleProRes422Proxy}) {
        const My_Prest preset = preset_with({{AVVideoCodecKey, QString(codec)}});
        EXPECT_EQ(unwritable_video_codec(&preset), std::nullopt) << codec;
    }
    for (const QVariantMap& video : {QVariantMap(), QVariantMap{{AVVideoCodecKey, 5}}}) {
        const My_Prest preset = preset_with(video);
        EXPECT_EQ(unwritable_video_codec(&preset), std::nullopt);
    }
    EXPECT_EQ(unwritable_video_codec(nullptr), std::nullopt);
    for (const char* codec : {AVVideoCodecTypeHEVCWithAlpha, AVVideoCodecTypeJPEG}) {
        const My_Prest preset = preset_with({{AVVideoCodecKey, QString(codec)}});
        EXPECT_EQ(unwritable_video_codec(&preset), std::optional<QString>(codec));
    }
}

TEST(FfmpegCommand, SoundWithACoverAndSoundOnlyFiles)
{
    // A movie of sound whose only picture is a cover: the sound alone. Sources with video, and
    // those that did not open, are left to ffmpeg.
    const auto cover = media::Asset::from_path(fixture_path("cover.mp3"));
    const My_Prest movie = preset_with({{AVVideoCodecKey, QString(AVVideoCodecTypeH264)}});
    const QString h264 = " -vcodec libx264 -pix_fmt yuv420p";
    EXPECT_EQ(ffmpeg_command("/in/a.mp4", "/out/a.mov", &movie, cover.get()), kInput + h264 + " -vn" + kOutput);
    EXPECT_EQ(ffmpeg_command("/in/a.mp4", "/out/a.mov", nullptr, cover.get()), kInput + " -vn" + kOutput);
    for (const char* other : {"h264_aac.mp4", "video_only.mp4", "empty.mov"}) {
        const auto source = media::Asset::from_path(fixture_path(other));
        EXPECT_EQ(ffmpeg_command("/in/a.mp4", "/out/a.mov", &movie, source.get()), kInput + h264 + kOutput) << other;
    }
    // The sound-only files keep holes and a late start as silence, and an MP3 file its cover.
    for (const char* type : {AVFileTypeWAVE, AVFileTypeMPEGLayer3}) {
        My_Prest sound;
        sound.fileType = type;
        EXPECT_EQ(ffmpeg_command("/in/a.mp4", "/out/a.wav", &sound, cover.get()),
                  kInput + " -af aresample=min_comp=0.1:min_hard_comp=0.1:first_pts=0 '/out/a.wav'") << type;
    }
}

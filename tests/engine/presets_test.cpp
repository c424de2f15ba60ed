#include <gtest/gtest.h>

#include "engine/presets.h"

namespace {

TEST(Presets, NewPresetHasTheDefaults)
{
    My_Prest p;
    EXPECT_EQ(p.name, QStringLiteral("默认预设名称"));
    EXPECT_EQ(p.fileType, QString(AVFileTypeQuickTimeMovie));
    EXPECT_TRUE(p.video_outputSettings.isEmpty());
    EXPECT_TRUE(p.audio_outputSettings.isEmpty());
    EXPECT_FALSE(p.is_run_ffmpeg);
}

TEST(Presets, SetSizeStoresDoublesAndKeepsTheSentinel)
{
    My_Prest p;
    p.video_outputSettings.insert(AVVideoCodecKey, QString(AVVideoCodecTypeH264));
    EXPECT_TRUE(p.set_size(-100, -100));
    EXPECT_EQ(p.video_outputSettings.value(AVVideoWidthKey).typeId(), QMetaType::Double);
    EXPECT_EQ(p.video_outputSettings.value(AVVideoWidthKey).toDouble(), -100.0);
    EXPECT_EQ(p.video_outputSettings.value(AVVideoHeightKey).toDouble(), -100.0);
    p.set_size(1280, 720);
    EXPECT_EQ(p.video_outputSettings.value(AVVideoWidthKey).toDouble(), 1280.0);
    EXPECT_EQ(p.video_outputSettings.value(AVVideoCodecKey).toString(), QString(AVVideoCodecTypeH264));
    EXPECT_EQ(p.video_outputSettings.size(), 3);
}

TEST(Presets, MergeStoresPresentValuesAndRemovesAbsentOnes)
{
    My_Prest p;
    p.video_outputSettings.insert("keep", 1);
    p.video_outputSettings.insert("drop", 2);
    p.merge_video_settings({{"drop", std::nullopt}, {"new", QVariant(3u)}, {"missing", std::nullopt}});
    EXPECT_EQ(p.video_outputSettings.value("keep").toInt(), 1);
    EXPECT_FALSE(p.video_outputSettings.contains("drop"));
    EXPECT_FALSE(p.video_outputSettings.contains("missing"));
    EXPECT_EQ(p.video_outputSettings.value("new").typeId(), QMetaType::UInt);

    const QVariantMap before = p.video_outputSettings;
    p.merge_video_settings({});
    EXPECT_EQ(p.video_outputSettings, before);

    p.merge_audio_settings({{AVFormatIDKey, QVariant(kAudioFormatMPEG4AAC)}});
    EXPECT_EQ(p.audio_outputSettings.value(AVFormatIDKey).toUInt(), kAudioFormatMPEG4AAC);
    EXPECT_EQ(p.video_outputSettings, before);
}

TEST(Presets, SetupPrestKeepsItsFields)
{
    Setup_prest s("名称", AVFileTypeMPEG4, "MP4", {AVVideoCodecTypeH264, AVVideoCodecTypeHEVC});
    EXPECT_EQ(s.name, QStringLiteral("名称"));
    EXPECT_EQ(s.fileType, QString(AVFileTypeMPEG4));
    EXPECT_EQ(s.AVVideoCodec_name, "MP4");
    ASSERT_EQ(s.AVVideoCodecType_list.size(), 2);
    EXPECT_EQ(s.AVVideoCodecType_list[1], QString(AVVideoCodecTypeHEVC));
}

TEST(NameTables, MissingKeysGiveTheEmptyText)
{
    EXPECT_EQ(fileType_extension("org.example.nothing"), "");
    EXPECT_EQ(fileType_name("org.example.nothing"), "");
    EXPECT_EQ(codec_name("zzzz"), "");
    EXPECT_EQ(audio_format_name(media::fourcc("zzzz")), "");
}

TEST(NameTables, RegistrationFillsTheTablesAndIsIdempotent)
{
    register_file_type_names();
    register_codec_names();
    register_audio_format_names();

    EXPECT_EQ(fileType_name(AVFileTypeAVCI), "high-efficiency image");
    EXPECT_EQ(fileType_extension(AVFileTypeAVCI), "avci");
    EXPECT_EQ(fileType_name("mfx"), "MFX(.mfx)");
    EXPECT_EQ(fileType_extension(AVFileTypeMFX), "mfx");
    EXPECT_EQ(fileType_extension(AVFileTypeQuickTimeMovie), "mov");
    EXPECT_EQ(fileType_extension(AVFileTypeWAVE), "wav");
    EXPECT_EQ(fileType_name(AVFileTypeMPEGLayer3), "MPEG Audio(.mp3)");
    EXPECT_EQ(fileType_extension(AVFileTypeSCC), "SCC");
    EXPECT_EQ(fileType_extension(AVFileTypeAppleiTT), "appleiTT");
    EXPECT_EQ(codec_name(AVVideoCodecTypeAppleProRes422Proxy), "proRes422Proxy");
    EXPECT_EQ(codec_name(AVVideoCodecTypeHEVCWithAlpha), "hevcWithAlpha");
    EXPECT_EQ(codec_name(AVVideoCodecTypeH264), "h264");
    EXPECT_EQ(audio_format_name(1819304813u), "LinearPCM");
    EXPECT_EQ(audio_format_name(1633889587u), "AC3");
    EXPECT_EQ(audio_format_name(1633772320u), "AAC");

    // Keys are values: an equal text is the same key.
    EXPECT_EQ(fileType_extension(QString("public.") + "mpeg-4"), "mp4");

    register_file_type_names();
    register_codec_names();
    register_audio_format_names();
    EXPECT_EQ(fileType_extension(AVFileTypeMPEG4), "mp4");
    EXPECT_EQ(codec_name(AVVideoCodecTypeJPEG), "jpeg");
    EXPECT_EQ(audio_format_name(kAudioFormatMPEG4AAC), "AAC");
}

}  // namespace

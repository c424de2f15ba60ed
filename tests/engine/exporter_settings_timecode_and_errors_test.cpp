#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "engine/exporter_settings.h"
#include "engine/reader_writer_exporter.h"
#include "engine/timecode_frame_number.h"

namespace {

media::SampleBuffer timecodeSample(media::FourCC subtype, std::initializer_list<uint8_t> bytes)
{
    media::SampleBuffer sample;
    auto description = std::make_shared<media::FormatDescription>();
    description->media_type = AVMediaTypeTimecode;
    description->media_subtype = subtype;
    sample.format_description = description;
    sample.data_packet = media::share_packet(av_packet_alloc());
    EXPECT_EQ(av_new_packet(sample.data_packet.get(), static_cast<int>(bytes.size())), 0);
    std::memcpy(sample.data_packet->data, std::data(bytes), bytes.size());
    return sample;
}

TEST(TimecodeFrameNumber, ReadsBigEndianNumbersOfBothSampleKinds)
{
    EXPECT_EQ(timecodeFrameNumber(timecodeSample(kCMTimeCodeFormatType_TimeCode32, {0x00, 0x01, 0x5F, 0x90})), 90000u);
    EXPECT_EQ(timecodeFrameNumber(timecodeSample(kCMTimeCodeFormatType_TimeCode32, {0xFF, 0xFF, 0xFF, 0xFF, 9})),
              4294967295u);
    EXPECT_EQ(timecodeFrameNumber(timecodeSample(kCMTimeCodeFormatType_TimeCode64, {0, 0, 0, 0, 0x00, 0x01, 0x5F, 0x90})),
              90000u);
    EXPECT_EQ(timecodeFrameNumber(timecodeSample(kCMTimeCodeFormatType_TimeCode64, {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF})),
              4294967295u);
}

TEST(TimecodeFrameNumber, GivesNoneForWhatCannotBeRead)
{
    // Above 32 bits.
    EXPECT_FALSE(timecodeFrameNumber(timecodeSample(kCMTimeCodeFormatType_TimeCode64, {0, 0, 0, 1, 0, 0, 0, 0})));
    // Too short for the subtype.
    EXPECT_FALSE(timecodeFrameNumber(timecodeSample(kCMTimeCodeFormatType_TimeCode32, {0, 1, 2})));
    EXPECT_FALSE(timecodeFrameNumber(timecodeSample(kCMTimeCodeFormatType_TimeCode64, {0, 0, 0, 0, 0, 1, 2})));
    // Another subtype.
    EXPECT_FALSE(timecodeFrameNumber(timecodeSample(media::fourcc("tc16"), {0, 0, 0, 1})));
    // No description, no data.
    media::SampleBuffer bare = timecodeSample(kCMTimeCodeFormatType_TimeCode32, {0, 0, 0, 1});
    bare.format_description = nullptr;
    EXPECT_FALSE(timecodeFrameNumber(bare));
    EXPECT_FALSE(timecodeFrameNumber(media::SampleBuffer{}));
}

TEST(ExporterSettings, VideoConfigurationNeedsNumbersForWidthAndHeight)
{
    EXPECT_FALSE(validateVideoOutputConfiguration(std::nullopt));
    EXPECT_TRUE(validateVideoOutputConfiguration(QVariantMap{{AVVideoWidthKey, 1280}, {AVVideoHeightKey, 720.0}}));
    EXPECT_TRUE(validateVideoOutputConfiguration(QVariantMap{{AVVideoWidthKey, 1280u}, {AVVideoHeightKey, qint64(720)}}));
    EXPECT_FALSE(validateVideoOutputConfiguration(QVariantMap{{AVVideoWidthKey, 1280}}));
    EXPECT_FALSE(validateVideoOutputConfiguration(QVariantMap{{AVVideoWidthKey, 1280}, {AVVideoHeightKey, "720"}}));
    EXPECT_FALSE(validateVideoOutputConfiguration(QVariantMap{{AVVideoHeightKey, 720}, {AVVideoCodecKey, "avc1"}}));
}

TEST(ExporterSettings, PixelBufferAttributesTakeTheRenderSizeWhenItIsUsable)
{
    auto composition = std::make_shared<media::VideoComposition>();
    composition->render_size = {1919.9, 1080.2};
    QVariantMap a = sourcePixelBufferAttributes(composition);
    EXPECT_EQ(a.value(kCVPixelBufferPixelFormatTypeKey).toUInt(), 1380401729u);
    EXPECT_EQ(a.value(kCVPixelBufferWidthKey).toInt(), 1919);
    EXPECT_EQ(a.value(kCVPixelBufferHeightKey).toInt(), 1080);
    EXPECT_TRUE(a.value("IOSurfaceOpenGLESTextureCompatibility").toBool());
    EXPECT_TRUE(a.value("IOSurfaceOpenGLESFBOCompatibility").toBool());

    for (media::Size bad : {media::Size{NAN, 1080}, media::Size{1920, INFINITY}, media::Size{0, 0}, media::Size{1e12, 10}}) {
        composition->render_size = bad;
        a = sourcePixelBufferAttributes(composition);
        EXPECT_FALSE(a.contains(kCVPixelBufferWidthKey));
        EXPECT_FALSE(a.contains(kCVPixelBufferHeightKey));
        EXPECT_TRUE(a.contains(kCVPixelBufferPixelFormatTypeKey));
    }
    EXPECT_FALSE(sourcePixelBufferAttributes(nullptr).contains(kCVPixelBufferWidthKey));
}

// The fixed texts in the source language; the application's tables translate them.
TEST(ExporterErrors, DescriptionsAreTheFixedTexts)
{
    EXPECT_EQ(description(ReaderWriterExporterError::setupFailure), "设置失败");
    EXPECT_EQ(description(ReaderWriterExporterError::readingFailure), "读取失败");
    EXPECT_EQ(description(ReaderWriterExporterError::writingFailure), "写入失败");
    EXPECT_EQ(description(ReaderWriterExporterError::cancelled), "已取消");
    EXPECT_EQ(ExportError{ReaderWriterExporterError::cancelled}.description(), "已取消");
    const ExportError platform{media::Error{"d", 3, "disk full"}};
    EXPECT_EQ(platform.description(), "disk full");
    EXPECT_TRUE(ExportError{ReaderWriterExporterError::cancelled}.is(ReaderWriterExporterError::cancelled));
    EXPECT_FALSE(ExportError{media::Error{}}.is(ReaderWriterExporterError::cancelled));
}

}  // namespace

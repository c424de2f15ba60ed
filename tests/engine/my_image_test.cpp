#include <gtest/gtest.h>

#include <QPainter>
#include <set>

#include "engine/my_image.h"
#include "engine/named_images.h"
#include "engine/system_colors.h"

namespace {

// The colour of every painted pixel, unpremultiplied; fails when they differ.
QRgb single_colour(const QImage& image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    std::set<QRgb> colours;
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(argb.pixel(x, y)) == 255)
                colours.insert(argb.pixel(x, y) & 0xffffff);
    EXPECT_EQ(colours.size(), 1u);
    return colours.empty() ? 0 : *colours.begin();
}

void expect_same_shape(const QImage& a, const QImage& b)
{
    ASSERT_EQ(a.size(), b.size());
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            ASSERT_EQ(qAlpha(a.pixel(x, y)), qAlpha(b.pixel(x, y))) << x << "," << y;
}

}  // namespace

TEST(MyImage, FiveDotsWithTheBaseShapeInTheirColours)
{
    const auto base = named_image(NamedImage::StatusAvailable);
    ASSERT_TRUE(base);
    My_Image images;
    EXPECT_EQ(images.b, systemGrayColor());
    const std::pair<const std::optional<QImage>*, QColor> dots[] = {
        {&images.blue_round, systemBlueColor()},   {&images.green_round, systemGreenColor()},
        {&images.red_round, systemRedColor()},     {&images.orange_round, systemOrangeColor()},
        {&images.gray_round, systemGrayColor()},
    };
    std::set<QRgb> seen;
    for (const auto& [dot, colour] : dots) {
        ASSERT_TRUE(dot->has_value());
        expect_same_shape(**dot, *base);
        const QRgb painted = single_colour(**dot);
        EXPECT_EQ(painted, colour.rgb() & 0xffffff);
        seen.insert(painted);
    }
    EXPECT_EQ(seen.size(), 5u);
}

TEST(MyImage, WithoutBaseImageDotsAreAbsentAndNothingIsLogged)
{
    testing::internal::CaptureStdout();
    My_Image images{std::optional<QImage>()};
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(images.blue_round || images.green_round || images.red_round || images.orange_round ||
                 images.gray_round);
    EXPECT_EQ(out, "");
}

TEST(MyImage, ConstructionLogsOnce)
{
    testing::internal::CaptureStdout();
    My_Image images;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "创建颜色\n");
}

TEST(TintImage, KeepsTransparencyAndLeavesTheSourceAlone)
{
    // A half-transparent square on a clear background, in a format without premultiplying.
    QImage source(8, 6, QImage::Format_ARGB32);
    source.fill(Qt::transparent);
    for (int y = 1; y < 5; ++y)
        for (int x = 2; x < 6; ++x)
            source.setPixel(x, y, qRgba(10, 20, 30, x < 4 ? 255 : 128));
    const QImage before = source.copy();

    const QImage red = tint_image(source, Qt::red);
    const QImage blue = tint_image(source, Qt::blue);
    EXPECT_EQ(source, before);
    EXPECT_EQ(red.size(), source.size());
    expect_same_shape(red.convertToFormat(QImage::Format_ARGB32), source);
    EXPECT_NE(red, blue);
    const QImage argb = red.convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(argb.pixel(2, 1), qRgba(255, 0, 0, 255));
    EXPECT_EQ(qAlpha(argb.pixel(0, 0)), 0);
    EXPECT_EQ(qRed(argb.pixel(5, 1)), 255);
}

TEST(NamedImages, EveryNamedImageIsBundled)
{
    for (NamedImage name : {NamedImage::StatusAvailable, NamedImage::StatusPartiallyAvailable,
                            NamedImage::StatusUnavailable, NamedImage::StatusNone, NamedImage::Ok}) {
        const auto image = named_image(name);
        ASSERT_TRUE(image) << int(name);
        EXPECT_FALSE(image->isNull());
        EXPECT_TRUE(image->hasAlphaChannel());
    }
    for (const char* path : {"images/video_file.png", "images/audio_file.png", "images/plain_file.png"})
        EXPECT_TRUE(resource_image(QString::fromLatin1(path))) << path;
    EXPECT_FALSE(resource_image(QStringLiteral("images/none.png")));
}

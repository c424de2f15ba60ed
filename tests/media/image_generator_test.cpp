#include <QImage>
#include <cmath>
#include <gtest/gtest.h>

#include "media_test_util.h"
#include "platform/media/image_generator.h"

using namespace media;

namespace {

std::optional<QImage> first_frame(const char* name, Size max = {}, Error* error = nullptr)
{
    ImageGenerator gen(mediatest::open(name));
    gen.set_applies_preferred_track_transform(true);
    gen.set_maximum_size(max);
    return gen.copy_image_at_time(Time::zero(), error);
}

void expect_same_picture(const char* movie, const char* reference)
{
    SCOPED_TRACE(movie);
    const auto image = first_frame(movie);
    ASSERT_TRUE(image);
    const QImage want = mediatest::reference_image(reference);
    ASSERT_FALSE(want.isNull());
    ASSERT_EQ(image->size(), want.size());
    EXPECT_LT(mediatest::mean_difference(*image, want), 4.0);
}

}  // namespace

TEST(ImageGenerator, FirstFrameIsUprightAndMatchesTheDecodedPicture)
{
    expect_same_picture("plain.mov", "first_plain.png");
    expect_same_picture("rot90.mov", "first_rot90.png");
    expect_same_picture("rot180.mov", "first_rot180.png");
    expect_same_picture("sar169.mp4", "first_sar169.png");
    const auto r270 = first_frame("rot270.mov");
    ASSERT_TRUE(r270);
    EXPECT_EQ(r270->size(), QSize(240, 320));
}

TEST(ImageGenerator, ScalesDownToTheMaximumSize)
{
    const auto rotated = first_frame("rot90.mov", Size{160, 160});
    ASSERT_TRUE(rotated);
    EXPECT_EQ(rotated->size(), QSize(120, 160));
    const auto plain = first_frame("plain.mov", Size{160, 160});
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->size(), QSize(160, 120));
    const QImage want = mediatest::reference_image("first_plain.png")
                            .scaled(160, 120, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_LT(mediatest::mean_difference(*plain, want), 8.0);
}

TEST(ImageGenerator, NoImageWithoutDecodableVideo)
{
    for (const char* name : {"audio.m4a", "cover.mp3", "tone.wav", "random.mp4", "empty.mov", "nodecoder.mp4"}) {
        SCOPED_TRACE(name);
        Error error;
        EXPECT_FALSE(first_frame(name, {}, &error));
        EXPECT_FALSE(error.description.isEmpty());
    }
}

TEST(ImageGenerator, ACraftedTransformCannotAskForAHugePicture)
{
    // The file's display matrix scales the picture by about 28000.
    const auto small = first_frame("skewed.mov", Size{64, 64});
    ASSERT_TRUE(small);
    EXPECT_LE(small->width(), 65);
    EXPECT_LE(small->height(), 65);
    const auto unlimited = first_frame("skewed.mov");
    ASSERT_TRUE(unlimited);
    EXPECT_LE(unlimited->width(), 8193);
    EXPECT_LE(unlimited->height(), 8193);
}

TEST(ImageGenerator, OtherTurnsAreSampled)
{
    const AssetRef asset = mediatest::open("rot45.mov");
    const AffineTransform t = mediatest::first_track(asset, AVMediaTypeVideo)->preferred_transform;
    EXPECT_NEAR(t.a, std::sqrt(0.5), 1e-4);
    const auto image = first_frame("rot45.mov");
    ASSERT_TRUE(image);
    EXPECT_NEAR(image->width(), 396, 2);
    EXPECT_NEAR(image->height(), 396, 2);
    // Each pixel inside shows the stored pixel that the turn puts there.
    const QImage want = mediatest::reference_image("first_plain.png");
    const AffineTransform back = t.inverted();
    double diff = 0;
    int n = 0;
    for (int y = 0; y < image->height(); y += 5)
        for (int x = 0; x < image->width(); x += 5) {
            const Point p = back.apply(Point{x + 0.5, y + 0.5});
            if (p.x < 3 || p.y < 3 || p.x > 317 || p.y > 237)
                continue;
            const QRgb g = image->pixel(x, y), w = want.pixel(int(p.x), int(p.y));
            diff += std::abs(qRed(g) - qRed(w)) + std::abs(qGreen(g) - qGreen(w)) + std::abs(qBlue(g) - qBlue(w));
            ++n;
        }
    ASSERT_GT(n, 1000);
    EXPECT_LT(diff / (3.0 * n), 12.0);
    EXPECT_EQ(qAlpha(image->pixel(0, 0)), 0);  // the corners lie outside the picture
}

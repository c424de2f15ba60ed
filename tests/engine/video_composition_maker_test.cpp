#include <gtest/gtest.h>

#include <cmath>

#include "engine/video_composition_maker.h"

namespace {

using media::AffineTransform;
using media::AssetTrack;
using media::Point;
using media::Size;
using media::Time;

AssetTrack videoTrack(Size natural, AffineTransform transform = {}, float rate = 25)
{
    AssetTrack t;
    t.track_id = 1;
    t.media_type = AVMediaTypeVideo;
    t.natural_size = natural;
    t.preferred_transform = transform;
    t.nominal_frame_rate = rate;
    return t;
}

QVariantMap outputSize(double w, double h)
{
    return {{AVVideoCodecKey, QString(AVVideoCodecTypeH264)}, {AVVideoWidthKey, w}, {AVVideoHeightKey, h}};
}

AffineTransform layerTransform(const media::VideoCompositionRef& c)
{
    EXPECT_EQ(c->instructions.size(), 1u);
    EXPECT_EQ(c->instructions.at(0)->layer_instructions.size(), 1u);
    const auto& layer = c->instructions.at(0)->layer_instructions.at(0);
    EXPECT_EQ(layer->transforms.size(), 1u);
    EXPECT_EQ(layer->transforms.at(0).first, Time::zero());
    return layer->transforms.at(0).second;
}

// Where a source pixel lands in the encoded output: through the layer transform into the
// canvas, then stretched from the canvas to the output size by the writer.
Point toOutput(const media::VideoCompositionRef& c, Point source, double w, double h)
{
    const Point p = layerTransform(c).apply(source);
    return {p.x * w / c->render_size.width, p.y * h / c->render_size.height};
}

void expectPoint(Point actual, double x, double y)
{
    EXPECT_NEAR(actual.x, x, 1e-9);
    EXPECT_NEAR(actual.y, y, 1e-9);
}

TEST(VideoCompositionMaker, LandscapeIntoSquareIsLetterboxed)
{
    const auto c = makeVideoComposition(videoTrack({1920, 1080}), Time::make(3000, 600), outputSize(1280, 1280));
    EXPECT_EQ(c->render_size, (Size{1920, 1080}));
    const AffineTransform t = layerTransform(c);
    EXPECT_DOUBLE_EQ(t.a, 1.0);
    EXPECT_DOUBLE_EQ(t.d, 0.5625);
    EXPECT_DOUBLE_EQ(t.b, 0.0);
    EXPECT_DOUBLE_EQ(t.c, 0.0);
    EXPECT_DOUBLE_EQ(t.tx, 0.0);
    EXPECT_DOUBLE_EQ(t.ty, 236.25);
    // 1280 x 720 picture with 280-pixel bars above and below.
    expectPoint(toOutput(c, {0, 0}, 1280, 1280), 0, 280);
    expectPoint(toOutput(c, {1920, 1080}, 1280, 1280), 1280, 1000);
}

TEST(VideoCompositionMaker, PortraitIntoLandscapeIsPillarboxed)
{
    const auto c = makeVideoComposition(videoTrack({720, 1280}), Time::make(1, 1), outputSize(1280, 720));
    // Picture 405 x 720, centred: bars of 437.5 on the left and right.
    expectPoint(toOutput(c, {0, 0}, 1280, 720), 437.5, 0);
    expectPoint(toOutput(c, {720, 1280}, 1280, 720), 842.5, 720);
}

TEST(VideoCompositionMaker, QuarterTurnsSwapTheRenderSizeAndStandThePictureUp)
{
    const AffineTransform quarter{0, 1, -1, 0, 1080, 0};
    auto c = makeVideoComposition(videoTrack({1920, 1080}, quarter), Time::make(1, 1), outputSize(1080, 1920));
    EXPECT_EQ(c->render_size, (Size{1080, 1920}));
    EXPECT_EQ(layerTransform(c), quarter);  // the bounding box starts at the origin already

    // The same track into a landscape output: upright picture 405 x 720, centred.
    c = makeVideoComposition(videoTrack({1920, 1080}, quarter), Time::make(1, 1), outputSize(1280, 720));
    // Source top-left goes to the top-right corner of the upright picture.
    expectPoint(toOutput(c, {0, 0}, 1280, 720), 842.5, 0);
    expectPoint(toOutput(c, {1920, 1080}, 1280, 720), 437.5, 720);

    // -90 degrees with the translation missing: the bounding box moves it back.
    const AffineTransform minusQuarter{0, -1, 1, 0, 0, 0};
    c = makeVideoComposition(videoTrack({1920, 1080}, minusQuarter), Time::make(1, 1), outputSize(1080, 1920));
    EXPECT_EQ(c->render_size, (Size{1080, 1920}));
    expectPoint(toOutput(c, {0, 0}, 1080, 1920), 0, 1920);
    expectPoint(toOutput(c, {1920, 1080}, 1080, 1920), 1080, 0);
}

TEST(VideoCompositionMaker, HalfTurnKeepsTheRenderSizeAndStaysInsideTheCanvas)
{
    for (const AffineTransform& half : {AffineTransform{-1, 0, 0, -1, 0, 0}, AffineTransform{-1, 0, 0, -1, 1920, 1080}}) {
        const auto c = makeVideoComposition(videoTrack({1920, 1080}, half), Time::make(1, 1), outputSize(1920, 1080));
        EXPECT_EQ(c->render_size, (Size{1920, 1080}));
        expectPoint(toOutput(c, {0, 0}, 1920, 1080), 1920, 1080);
        expectPoint(toOutput(c, {1920, 1080}, 1920, 1080), 0, 0);
    }
}

TEST(VideoCompositionMaker, EqualSizesGiveTheBaseTransform)
{
    const auto c = makeVideoComposition(videoTrack({640, 480}), Time::make(1, 1), outputSize(640, 480));
    EXPECT_TRUE(layerTransform(c).is_identity());
    EXPECT_EQ(c->render_size, (Size{640, 480}));
}

TEST(VideoCompositionMaker, InstructionCoversTheWholeAssetForItsTrack)
{
    AssetTrack track = videoTrack({320, 240});
    track.track_id = 7;
    const auto c = makeVideoComposition(track, Time::make(7200, 600), outputSize(160, 120));
    ASSERT_EQ(c->instructions.size(), 1u);
    EXPECT_EQ(c->instructions[0]->time_range.start, Time::zero());
    EXPECT_EQ(c->instructions[0]->time_range.duration, Time::make(7200, 600));
    EXPECT_EQ(c->instructions[0]->layer_instructions.at(0)->track_id, 7);
}

TEST(VideoCompositionMaker, FrameDurationFromTheTrack)
{
    EXPECT_EQ(compositionFrameDuration(videoTrack({1, 1}, {}, 25)), Time::make(600, 15000));
    EXPECT_EQ(compositionFrameDuration(videoTrack({1, 1}, {}, 29.97f)).timescale, 17982);
    EXPECT_EQ(compositionFrameDuration(videoTrack({1, 1}, {}, 23.976f)).timescale, 14385);
    EXPECT_EQ(compositionFrameDuration(videoTrack({1, 1}, {}, 0)), Time::make(600, 18000));

    AssetTrack reordering = videoTrack({1, 1}, {}, 25);
    reordering.requires_frame_reordering = true;
    reordering.min_frame_duration = Time::make(1001, 60000);
    const Time d = compositionFrameDuration(reordering);
    EXPECT_EQ(d.value, 1001);
    EXPECT_EQ(d.timescale, 60000);
}

TEST(VideoCompositionMaker, RatesThatGiveNoTimescaleFallBackToThirtyFrames)
{
    for (float rate : {1e7f, 4e6f, -25.0f, 0.001f, std::nanf(""), INFINITY}) {
        const Time d = compositionFrameDuration(videoTrack({1, 1}, {}, rate));
        EXPECT_EQ(d, Time::make(600, 18000)) << rate;
    }
    // Just inside 32 bits still counts.
    EXPECT_EQ(compositionFrameDuration(videoTrack({1, 1}, {}, 3.5e6f)).timescale, 2100000000);

    AssetTrack reordering = videoTrack({1, 1}, {}, 25);
    reordering.requires_frame_reordering = true;  // but no minimum frame duration known
    EXPECT_EQ(compositionFrameDuration(reordering), Time::make(600, 15000));
}

TEST(VideoCompositionMaker, WithoutOutputSettingsOnlyTheFrameDurationIsSet)
{
    const auto c = makeVideoComposition(videoTrack({1920, 1080}, {}, 25), Time::make(1, 1), std::nullopt);
    EXPECT_EQ(c->frame_duration, Time::make(600, 15000));
    EXPECT_TRUE(c->instructions.empty());
    EXPECT_EQ(c->render_size, (Size{0, 0}));
}

TEST(VideoCompositionMaker, EmptyPictureOrOutputGivesNoNaN)
{
    for (const auto& [natural, w, h] : {std::tuple{Size{0, 0}, 640.0, 480.0}, std::tuple{Size{0, 480}, 640.0, 480.0},
                                        std::tuple{Size{640, 480}, 0.0, 0.0}, std::tuple{Size{640, 480}, 0.0, 480.0}}) {
        const auto c = makeVideoComposition(videoTrack(natural), Time::make(1, 1), outputSize(w, h));
        const AffineTransform t = layerTransform(c);
        for (double v : {t.a, t.b, t.c, t.d, t.tx, t.ty})
            EXPECT_TRUE(std::isfinite(v));
    }
}

TEST(VideoCompositionMaker, NoAssetGivesAnEmptyComposition)
{
    const auto c = makeVideoComposition(media::AssetRef{}, outputSize(640, 480));
    ASSERT_TRUE(c);
    EXPECT_FALSE(c->frame_duration.is_valid());
    EXPECT_TRUE(c->instructions.empty());
}

}  // namespace

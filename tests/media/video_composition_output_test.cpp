#include <QImage>
#include <cmath>
#include <limits>
#include <gtest/gtest.h>

#include "platform/media/picture_convert.h"
#include "reader_test_util.h"

using namespace media;
using namespace mediatest;

namespace {

VideoCompositionRef composition(const AssetRef& asset, Time frame_duration, Size render_size,
                                const AffineTransform& t)
{
    auto comp = std::make_shared<VideoComposition>();
    comp->frame_duration = frame_duration;
    comp->render_size = render_size;
    auto layer = VideoCompositionLayerInstruction::for_track(*first_track(asset, AVMediaTypeVideo));
    layer->set_transform(t, Time::zero());
    auto instruction = std::make_shared<VideoCompositionInstruction>();
    instruction->time_range = TimeRange::make(Time::zero(), asset->duration());
    instruction->layer_instructions.push_back(layer);
    comp->instructions.push_back(instruction);
    return comp;
}

std::vector<SampleBufferRef> compose(const char* name, Time frame_duration, std::optional<Size> size = {},
                                     std::optional<AffineTransform> t = {})
{
    const AssetRef asset = open(name);
    const auto track = first_track(asset, AVMediaTypeVideo);
    const auto out = video_output(asset, composition(asset, frame_duration, size.value_or(track->natural_size),
                                                     t.value_or(track->preferred_transform)));
    const auto reader = start(asset, {out});
    if (!reader)
        return {};
    auto frames = drain(out);
    EXPECT_EQ(reader->status(), AssetReader::Status::Completed);
    return frames;
}

size_t stored_frame_count(const char* name)
{
    const AssetRef asset = open(name);
    const auto out = AssetReaderTrackOutput::create(first_track(asset, AVMediaTypeVideo), std::nullopt);
    const auto reader = start(asset, {out});
    return drain(out).size();
}

QImage picture(const SampleBufferRef& s)
{
    const AVFrame* f = s->image_buffer->frame();
    return frame_to_image(f, f->width, f->height);
}

// The Y, Cb and Cr samples at a luma position.
std::array<int, 3> yuv_at(const SampleBufferRef& s, int x, int y)
{
    const AVFrame* f = s->image_buffer->frame();
    return {f->data[0][y * f->linesize[0] + x], f->data[1][(y / 2) * f->linesize[1] + x / 2],
            f->data[2][(y / 2) * f->linesize[2] + x / 2]};
}

const std::array<int, 3> kBlack{16, 128, 128};

}  // namespace

TEST(VideoCompositionOutput, FrameCountAndTimingAt25And2997)
{
    const auto pal = compose("h264_aac.mp4", Time::make(600, 15000));
    ASSERT_EQ(pal.size(), 75u);
    for (size_t i = 0; i < pal.size(); ++i) {
        EXPECT_EQ(pal[i]->presentation_time, Time::make(int64_t(i), 25));
        EXPECT_EQ(pal[i]->duration, Time::make(600, 15000));
    }
    const auto ntsc = compose("ntsc.mp4", Time::make(600, 17982));
    ASSERT_EQ(ntsc.size(), stored_frame_count("ntsc.mp4"));
    ASSERT_GE(ntsc.size(), 89u);
    for (size_t i = 0; i < ntsc.size(); ++i)
        EXPECT_EQ(ntsc[i]->presentation_time, Time::make(int64_t(i) * 1001, 30000));
    // Reordered frames come out in presentation order.
    const auto b = compose("bframes.mp4", Time::make(1, 25));
    ASSERT_EQ(b.size(), 75u);
    for (size_t i = 1; i < b.size(); ++i)
        EXPECT_LT(b[i - 1]->presentation_time, b[i]->presentation_time);
}

TEST(VideoCompositionOutput, AFasterSourceKeepsTheCompositionRate)
{
    const auto frames = compose("fps50.mp4", Time::make(1, 25));
    ASSERT_EQ(frames.size(), 50u);
    for (size_t i = 0; i < frames.size(); ++i)
        EXPECT_EQ(frames[i]->presentation_time, Time::make(int64_t(i), 25));
}

TEST(VideoCompositionOutput, FramesAreYuv420OfTheRenderSize)
{
    const auto frames = compose("h264_aac.mp4", Time::make(1, 25), Size{640, 480},
                                AffineTransform::scaling(2, 2));
    ASSERT_FALSE(frames.empty());
    const PixelBuffer& p = *frames[0]->image_buffer;
    EXPECT_EQ(p.width(), 640);
    EXPECT_EQ(p.height(), 480);
    EXPECT_EQ(p.format(), AV_PIX_FMT_YUV420P);
    EXPECT_EQ(p.frame()->color_range, AVCOL_RANGE_MPEG);
    EXPECT_EQ(frames[0]->format_description->width, 640);
    EXPECT_EQ(frames[0]->num_samples, 1);
}

TEST(VideoCompositionOutput, RotatedSourcesComeOutUpright)
{
    for (const auto& [movie, ref] : {std::pair{"rot90.mov", "first_rot90.png"}, {"rot180.mov", "first_rot180.png"},
                                     {"plain.mov", "first_plain.png"}}) {
        SCOPED_TRACE(movie);
        const AssetRef asset = open(movie);
        const auto track = first_track(asset, AVMediaTypeVideo);
        const Size upright = track->preferred_transform.apply(Rect{{0, 0}, track->natural_size}).size;
        const auto frames = compose(movie, Time::make(1, 25), upright);
        ASSERT_EQ(frames.size(), 75u);
        const QImage want = reference_image(ref);
        const QImage got = picture(frames[0]);
        ASSERT_EQ(got.size(), want.size());
        EXPECT_LT(mean_difference(got, want), 4.0);
    }
}

TEST(VideoCompositionOutput, ScaledPictureIsCentredWithBlackBars)
{
    // 320x240 scaled by 2 into a 640x640 canvas, moved down by 80: bars of 80 rows.
    const auto frames = compose("plain.mov", Time::make(1, 25), Size{640, 640},
                                AffineTransform::scaling(2, 2).concat(AffineTransform::translation(0, 80)));
    ASSERT_FALSE(frames.empty());
    for (int x : {0, 101, 320, 639})
        for (int y : {0, 40, 79, 560, 600, 639})
            EXPECT_EQ(yuv_at(frames[0], x, y), kBlack) << x << "," << y;
    const QImage got = picture(frames[0]).copy(0, 80, 640, 480);
    const QImage want = reference_image("first_plain.png").scaled(640, 480, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_LT(mean_difference(got, want), 6.0);
}

TEST(VideoCompositionOutput, AnyOtherTransformIsSampled)
{
    // A turn by 30 degrees about the picture's centre.
    const double c = std::cos(M_PI / 6), s = std::sin(M_PI / 6);
    const AffineTransform turn = AffineTransform::translation(-160, -120)
                                     .concat(AffineTransform{c, s, -s, c, 0, 0})
                                     .concat(AffineTransform::translation(160, 120));
    const auto frames = compose("plain.mov", Time::make(1, 25), Size{320, 240}, turn);
    ASSERT_EQ(frames.size(), 75u);
    EXPECT_EQ(yuv_at(frames[0], 0, 0), kBlack);
    EXPECT_EQ(yuv_at(frames[0], 319, 239), kBlack);
    // Inside, each pixel shows the source pixel that the transform puts there; outside, black.
    const QImage got = picture(frames[0]);
    const QImage want = reference_image("first_plain.png");
    const AffineTransform back = turn.inverted();
    double inside = 0, outside = 0;
    int n_in = 0, n_out = 0;
    for (int y = 0; y < 240; y += 6)
        for (int x = 0; x < 320; x += 6) {
            const Point p = back.apply(Point{x + 0.5, y + 0.5});
            const QRgb g = got.pixel(x, y);
            if (p.x > 3 && p.y > 3 && p.x < 317 && p.y < 237) {
                const QRgb w = want.pixel(int(p.x), int(p.y));
                inside += std::abs(qRed(g) - qRed(w)) + std::abs(qGreen(g) - qGreen(w)) + std::abs(qBlue(g) - qBlue(w));
                ++n_in;
            } else if (p.x < -3 || p.y < -3 || p.x > 323 || p.y > 243) {
                outside += qRed(g) + qGreen(g) + qBlue(g);
                ++n_out;
            }
        }
    ASSERT_GT(n_in, 100);
    ASSERT_GT(n_out, 50);
    EXPECT_LT(inside / (3.0 * n_in), 12.0);
    EXPECT_LT(outside / (3.0 * n_out), 2.0);
}

TEST(VideoCompositionOutput, FullRangeSourcesBecomeLimitedRange)
{
    // White JPEG frames (Y 255 at full range) must be 235 at limited range; the bars 16.
    const auto frames = compose("white_mjpeg.mov", Time::make(1, 25), Size{128, 48},
                                AffineTransform::translation(32, 0));
    ASSERT_EQ(frames.size(), 25u);
    for (int x : {0, 30, 96, 100, 127})
        for (int y : {0, 23, 47})
            EXPECT_EQ(yuv_at(frames[0], x, y), kBlack) << x << "," << y;
    const auto white = yuv_at(frames[0], 64, 24);
    EXPECT_NEAR(white[0], 235, 1);
    EXPECT_NEAR(white[1], 128, 1);
    EXPECT_NEAR(white[2], 128, 1);
}

TEST(VideoCompositionOutput, WithoutACompositionFramesAreUprightAtTheirSize)
{
    const AssetRef asset = open("rot90.mov");
    const auto out = video_output(asset);
    const auto reader = start(asset, {out});
    const auto frames = drain(out);
    ASSERT_EQ(frames.size(), 75u);
    EXPECT_EQ(frames[0]->image_buffer->width(), 240);
    EXPECT_EQ(frames[0]->image_buffer->height(), 320);
}

TEST(VideoCompositionOutput, AnUnusableRenderSizeFallsBackToTheStoredSize)
{
    // A crafted display matrix makes the upright size enormous.
    const AssetRef asset = open("skewed.mov");
    const auto out = video_output(asset);
    const auto reader = start(asset, {out});
    const auto frames = drain(out);
    ASSERT_EQ(frames.size(), 75u);
    EXPECT_EQ(frames[0]->image_buffer->width(), 320);
    EXPECT_EQ(frames[0]->image_buffer->height(), 240);
    EXPECT_EQ(reader->status(), AssetReader::Status::Completed);
}

TEST(VideoCompositionOutput, NotANumberInTheCompositionGivesBlackFrames)
{
    // What a composition computed from a zero natural size holds.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const auto frames = compose("plain.mov", Time::make(1, 25), Size{nan, nan}, AffineTransform{nan, 0, 0, nan, nan, nan});
    ASSERT_EQ(frames.size(), 75u);
    EXPECT_EQ(frames[0]->image_buffer->width(), 320);
    EXPECT_EQ(yuv_at(frames[0], 160, 120), kBlack);
}

TEST(VideoCompositionOutput, OtherCodecsDecode)
{
    EXPECT_EQ(compose("hevc.mp4", Time::make(1, 25)).size(), 75u);
    EXPECT_EQ(compose("prores.mov", Time::make(1, 25)).size(), 75u);
    EXPECT_EQ(compose("clip.mkv", Time::make(1, 25)).size(), 75u);
}

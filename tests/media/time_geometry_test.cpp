#include <gtest/gtest.h>

#include <cmath>

#include "platform/media/geometry.h"
#include "platform/media/time.h"

using media::AffineTransform;
using media::Point;
using media::Rect;
using media::Time;
using media::TimeRange;

namespace {

TEST(Time, FromSecondsUses600AndRoundsToNearest)
{
    const Time t = Time::from_seconds(1.5);
    EXPECT_EQ(t.timescale, 600);
    EXPECT_EQ(t.value, 900);
    EXPECT_EQ(Time::from_seconds(0.0012).value, 1);   // 0.72 units
    EXPECT_EQ(Time::from_seconds(0.0008).value, 0);   // 0.48 units
    EXPECT_EQ(Time::from_seconds(-0.0012).value, -1);
    EXPECT_EQ(Time::from_seconds(1.0 / 3, 90000).value, 30000);
    EXPECT_FALSE(Time::from_seconds(NAN).is_valid());
    EXPECT_TRUE(Time::from_seconds(INFINITY).is_positive_infinity());
}

TEST(Time, ArithmeticAcrossTimescales)
{
    const Time a = Time::make(3, 2);      // 1.5 s
    const Time b = Time::make(600, 600);  // 1 s
    const Time d = a - b;
    EXPECT_DOUBLE_EQ(d.seconds(), 0.5);
    EXPECT_EQ(d, Time::make(1, 2));
    EXPECT_DOUBLE_EQ((a + b).seconds(), 2.5);
    EXPECT_DOUBLE_EQ((Time::make(1, 30000) - Time::make(1, 44100)).seconds(), 1.0 / 30000 - 1.0 / 44100);

    EXPECT_FALSE((a + Time::invalid()).is_valid());
    EXPECT_TRUE((a + Time::positive_infinity()).is_positive_infinity());
    EXPECT_TRUE((a - Time::positive_infinity()).is_negative_infinity());
    EXPECT_FALSE((Time::positive_infinity() - Time::positive_infinity()).is_valid());
}

TEST(Time, ComparesAcrossTimescalesAndInfinities)
{
    EXPECT_EQ(Time::make(1, 2), Time::make(300, 600));
    EXPECT_LT(Time::make(299, 600), Time::make(1, 2));
    EXPECT_GT(Time::make(1, 1), Time::make(44099, 44100));
    EXPECT_LT(Time::negative_infinity(), Time::make(-1000000, 1));
    EXPECT_GT(Time::positive_infinity(), Time::make(1000000, 1));
    EXPECT_EQ(Time::positive_infinity(), Time::positive_infinity());
    EXPECT_EQ(Time::invalid(), Time::invalid());
    EXPECT_FALSE(Time::invalid() == Time::zero());
    EXPECT_FALSE(Time::make(5, 0).is_valid());
    EXPECT_TRUE(std::isnan(Time::invalid().seconds()));
}

TEST(Time, RangesContainTheirStartButNotTheirEnd)
{
    const TimeRange r = TimeRange::make(Time::make(1, 1), Time::make(2, 1));
    EXPECT_TRUE(r.contains(Time::make(1, 1)));
    EXPECT_TRUE(r.contains(Time::from_seconds(2.999)));
    EXPECT_FALSE(r.contains(Time::make(3, 1)));
    EXPECT_TRUE(TimeRange::everything().contains(Time::make(1000000, 1)));
    EXPECT_FALSE(TimeRange::make(Time::zero(), Time::make(-1, 1)).is_valid());
}

void expect_point(const Point& p, double x, double y)
{
    EXPECT_NEAR(p.x, x, 1e-9);
    EXPECT_NEAR(p.y, y, 1e-9);
}

TEST(Geometry, ConcatAppliesThisTransformFirst)
{
    const AffineTransform scale = AffineTransform::scaling(2, 3);
    const AffineTransform move = AffineTransform::translation(10, 20);
    expect_point(scale.concat(move).apply(Point{1, 1}), 12, 23);  // scale, then move
    expect_point(move.concat(scale).apply(Point{1, 1}), 22, 63);  // move, then scale

    // scaled puts the new step before the existing transform.
    expect_point(move.scaled(2, 3).apply(Point{1, 1}), 12, 23);

    const AffineTransform t = scale.concat(move);
    expect_point(t.inverted().apply(t.apply(Point{4, -5})), 4, -5);
}

TEST(Geometry, RotatedRectMapsToItsBoundingBox)
{
    // A portrait track's preferred transform: 90 degrees, then moved back into view.
    const AffineTransform rotate{0, 1, -1, 0, 1080, 0};
    const Rect r = rotate.apply(Rect{{0, 0}, {1920, 1080}});
    EXPECT_NEAR(r.origin.x, 0, 1e-9);
    EXPECT_NEAR(r.origin.y, 0, 1e-9);
    EXPECT_NEAR(r.size.width, 1080, 1e-9);
    EXPECT_NEAR(r.size.height, 1920, 1e-9);

    const Rect bare = AffineTransform{0, 1, -1, 0, 0, 0}.apply(Rect{{0, 0}, {1920, 1080}});
    EXPECT_NEAR(bare.origin.x, -1080, 1e-9);
    EXPECT_NEAR(bare.size.width, 1080, 1e-9);
}

}  // namespace

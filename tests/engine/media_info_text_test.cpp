#include <gtest/gtest.h>

#include <cfloat>
#include <limits>

#include "engine/media_info_text.h"
#include "platform/media/identifiers.h"

using media::Time;

TEST(SizeText, ShowsSizeAndReducedRatio)
{
    EXPECT_EQ(size_text(1920, 1080), " 1920X1080(16:9)");
    EXPECT_EQ(size_text(1080, 1920), " 1080X1920(9:16)");
    EXPECT_EQ(size_text(720, 576), " 720X576(5:4)");
    EXPECT_EQ(size_text(641, 479), " 641X479(641:479)");
}

TEST(SizeText, ZeroSideGivesEmptyText)
{
    EXPECT_EQ(size_text(0, 0), "");
    EXPECT_EQ(size_text(0, 1080), "");
    EXPECT_EQ(size_text(1920, 0), "");
}

TEST(Gcd, CommonDivisor)
{
    EXPECT_EQ(gcd(12, 18), 6);
    EXPECT_EQ(gcd(0, 7), 7);
    EXPECT_EQ(gcd(7, 0), 7);
    EXPECT_EQ(gcd(0, 0), 0);
    EXPECT_EQ(gcd(1920, 1080), 120);
    EXPECT_EQ(gcd(17, 5), 1);
    EXPECT_EQ(gcd(64, 48), 16);
    EXPECT_EQ(gcd(int64_t(1) << 40, int64_t(3) << 38), int64_t(1) << 38);
}

TEST(FourccText, CharactersCutAndTrimmed)
{
    EXPECT_EQ(fourcc_text(media::fourcc("aac ")), "aac");
    EXPECT_EQ(fourcc_text(media::fourcc("avc1")), "avc1");
    EXPECT_EQ(fourcc_text(media::fourcc(".mp3")), ".mp3");
    EXPECT_EQ(fourcc_text(media::fourcc(" \tab")), "ab");
    // The text ends at the first zero byte.
    EXPECT_EQ(fourcc_text(0x61620063u), "ab");
    EXPECT_EQ(fourcc_text(0), "");
    // A code that is only a small number: the leading zero byte ends it at once.
    EXPECT_EQ(fourcc_text(1), "");
}

TEST(FourccText, HighBytesAreReadable)
{
    const QString text = fourcc_text(0x61FF80E9u);
    EXPECT_EQ(text, "a\\xff\\x80\\xe9");
    for (QChar c : text)
        EXPECT_TRUE(c.unicode() >= 0x20 && c.unicode() < 0x7f) << text.toStdString();
}

TEST(DurationText, MinutesAndHours)
{
    EXPECT_EQ(duration_text(Time::zero()), "00:00");
    EXPECT_EQ(duration_text(Time::from_seconds(75.9)), "01:15");
    EXPECT_EQ(duration_text(Time::make(3725, 1)), "1:02:05");
    EXPECT_EQ(duration_text(Time::make(36000, 1)), "10:00:00");
    EXPECT_EQ(duration_text(Time::make(5999, 100)), "00:59");
    EXPECT_EQ(duration_text(Time::make(35999, 10)), "59:59");
    EXPECT_EQ(duration_text(Time::make(3600, 1)), "1:00:00");
}

TEST(DurationText, InvalidIndefiniteOrHugeGivesZero)
{
    EXPECT_EQ(duration_text(Time::invalid()), "00:00");
    EXPECT_EQ(duration_text(Time::indefinite()), "00:00");
    EXPECT_EQ(duration_text(Time::positive_infinity()), "00:00");
    EXPECT_EQ(duration_text(Time::negative_infinity()), "00:00");
    EXPECT_EQ(duration_text(Time::make(std::numeric_limits<int64_t>::max(), 1)), "00:00");
    EXPECT_EQ(duration_text(Time::make(-75, 1)), "00:00");
    // The longest time that still has a clock text.
    EXPECT_EQ(duration_text(Time::make(int64_t(1000000) * 3600, 1)), "1000000:00:00");
}

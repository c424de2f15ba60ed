#include <gtest/gtest.h>

#include "platform/ffkit/log_line.h"

using ffkit::LogLevel;
using ffkit::read_log_line;

TEST(LogLine, TheLevelTagIsReadAndTakenOutComponentPrefixesStay)
{
    const auto demuxer = read_log_line(7, "[mov,mp4,m4a,3gp,3g2,mj2 @ 0x55d0c1a2b940] [error] moov atom not found");
    EXPECT_EQ(demuxer.session_id, 7);
    EXPECT_EQ(demuxer.level, LogLevel::error);
    EXPECT_EQ(demuxer.message, "[mov,mp4,m4a,3gp,3g2,mj2 @ 0x55d0c1a2b940] moov atom not found");
    EXPECT_TRUE(demuxer.is_error_or_worse());

    const auto nested = read_log_line(1, "[mov @ 0x1] [aac @ (nil)] [warning] two prefixes");
    EXPECT_EQ(nested.level, LogLevel::warning);
    EXPECT_EQ(nested.message, "[mov @ 0x1] [aac @ (nil)] two prefixes");
    EXPECT_FALSE(nested.is_error_or_worse());

    const auto fatal = read_log_line(1, "[fatal] Invalid frame size: 0*6.");
    EXPECT_EQ(fatal.level, LogLevel::fatal);
    EXPECT_EQ(fatal.message, "Invalid frame size: 0*6.");
    EXPECT_TRUE(fatal.is_error_or_worse());

    // Metadata lines keep their indentation.
    EXPECT_EQ(read_log_line(1, "[info]     title           : [error] in a title").message,
              "    title           : [error] in a title");
    EXPECT_EQ(read_log_line(1, "[info]     title           : [error] in a title").level, LogLevel::info);
}

TEST(LogLine, ALineWithoutALevelTagStaysWholeWithoutALevel)
{
    for (const QString line : {"encoded 79 frames in 8.89s (8.88 fps), 1005.94 kb/s, Avg QP:33.05",
                               "x265 [erreur]: not one of its levels", "[errors] unknown level",
                               "[mov @ 0x1] untagged", "    Last message repeated 3 times"}) {
        const auto log = read_log_line(1, line);
        EXPECT_EQ(log.message, line);
        EXPECT_FALSE(log.level.has_value()) << line.toStdString();
        EXPECT_FALSE(log.is_error_or_worse());
    }
}

// libx265 prints its own lines past ffmpeg's log; its errors are errors all the same.
TEST(LogLine, TheHevcEncodersOwnLinesCarryTheirLevel)
{
    const auto error = read_log_line(1, "x265 [error]: Picture width must be an integer multiple of 2");
    EXPECT_EQ(error.level, LogLevel::error);
    EXPECT_EQ(error.message, "x265 [error]: Picture width must be an integer multiple of 2");
    EXPECT_TRUE(error.is_error_or_worse());
    EXPECT_EQ(read_log_line(1, "x265 [warning]: level 8.5 detected").level, LogLevel::warning);
    EXPECT_EQ(read_log_line(1, "x265 [info]: HEVC encoder version 3.5").level, LogLevel::info);
    EXPECT_FALSE(read_log_line(1, "  x265 [error]: indented, so a continuation").level.has_value());
}

TEST(LogLine, TheSignalFfmpegStoppedForIsReadFromItsOwnReportOnly)
{
    EXPECT_EQ(ffkit::reported_stop_signal(read_log_line(1, "[info] Exiting normally, received signal 15.")), 15);
    EXPECT_EQ(ffkit::reported_stop_signal(read_log_line(1, "[info] Exiting normally, received signal 2.")), 2);
    for (const QString line : {"Exiting normally, received signal 15.",  // no level: not ffmpeg's log
                               "[error] Exiting normally, received signal 15.",
                               "[mov @ 0x1] [info] Exiting normally, received signal 15.",
                               "[info]     title           : Exiting normally, received signal 15.",
                               "[info] Exiting normally, received signal 15. and more"})
        EXPECT_EQ(ffkit::reported_stop_signal(read_log_line(1, line)), std::nullopt) << line.toStdString();
}

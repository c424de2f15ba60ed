#include <gtest/gtest.h>

#include <QStringList>

#include "platform/ffkit/line_buffer.h"
#include "platform/ffkit/progress_parser.h"

using ffkit::ProgressParser;

namespace {

std::vector<ffkit::Statistics> parse(const char* text)
{
    ProgressParser parser;
    std::vector<ffkit::Statistics> reports;
    ffkit::LineBuffer lines([&](const QString& line) {
        if (auto report = parser.feed_line(line))
            reports.push_back(*report);
    });
    lines.feed(text, strlen(text));
    lines.finish();
    return reports;
}

}  // namespace

TEST(ProgressParser, OneReportPerBlockWithTimeInMilliseconds)
{
    const auto reports = parse(
        "frame=10\nfps=0.00\nstream_0_0_q=28.0\nbitrate=N/A\ntotal_size=48\nout_time_us=400000\n"
        "out_time_ms=400000\nout_time=00:00:00.400000\ndup_frames=0\ndrop_frames=0\nspeed=N/A\n"
        "progress=continue\n"
        "frame=75\nfps=74.5\nstream_0_0_q=-1.0\nbitrate= 301.2kbits/s\ntotal_size=113014\n"
        "out_time_us=3001000\nout_time_ms=3001000\nout_time=00:00:03.001000\nspeed=2.98x\nprogress=end\n");
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].time, 400);
    EXPECT_EQ(reports[0].frame, 10);
    EXPECT_EQ(reports[0].bitrate, 0);
    EXPECT_DOUBLE_EQ(reports[0].quality, 28.0);
    EXPECT_EQ(reports[1].time, 3001);
    EXPECT_EQ(reports[1].frame, 75);
    EXPECT_DOUBLE_EQ(reports[1].fps, 74.5);
    EXPECT_DOUBLE_EQ(reports[1].bitrate, 301.2);
    EXPECT_EQ(reports[1].size, 113014);
    EXPECT_DOUBLE_EQ(reports[1].speed, 2.98);
}

TEST(ProgressParser, MisnamedMillisecondsAreNotTakenAndUnknownTimeKeepsTheLastOne)
{
    auto reports = parse("out_time_ms=2000000\nprogress=continue\n");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].time, 0);
    reports = parse("out_time_us=2500000\nprogress=continue\nout_time_us=N/A\nprogress=continue\n");
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1].time, 2500);
    // Days of output do not wrap around the 32-bit field.
    reports = parse("out_time_us=9000000000000\nprogress=end\n");
    EXPECT_EQ(reports.at(0).time, std::numeric_limits<int32_t>::max());
}

TEST(LineBuffer, SplitsAtEitherBreakAndKeepsUtf8)
{
    QStringList lines;
    ffkit::LineBuffer buffer([&](const QString& line) { lines << line; });
    const std::string text = "first\r\nsec";
    buffer.feed(text.data(), text.size());
    const std::string rest = "ond \xe5\x90\x8d\rthird";
    // Split inside a multi-byte character: it must still come out whole.
    buffer.feed(rest.data(), 6);
    buffer.feed(rest.data() + 6, rest.size() - 6);
    buffer.finish();
    EXPECT_EQ(lines, QStringList({"first", QString::fromUtf8("second 名"), "third"}));
}

TEST(LineBuffer, AStreamWithoutBreaksIsCutIntoBoundedLines)
{
    qsizetype longest = 0;
    qsizetype total = 0;
    ffkit::LineBuffer buffer([&](const QString& line) {
        longest = std::max(longest, line.size());
        total += line.size();
    });
    const std::string chunk(10000, 'x');
    for (int i = 0; i < 100; ++i)
        buffer.feed(chunk.data(), chunk.size());
    buffer.finish();
    EXPECT_EQ(total, 1000000);
    EXPECT_LE(longest, 64 * 1024);
}

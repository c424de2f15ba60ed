#include <gtest/gtest.h>

#include "platform/ffkit/arguments.h"

using ffkit::quote_argument;
using ffkit::quote_path;
using ffkit::split_arguments;

TEST(Arguments, QuotedPathsSplitBackWhole)
{
    const QStringList names = {
        "/m/with space.mp4", "/m/quote'name.mp4", QString::fromUtf8("/m/双引号\"名字 ü.mp4"),
        "/m/-dash.mp4",      "/m/''",             "/m/a\\b\tc\nd.mp4",
        "/m/$(x) `y` *.mp4",
    };
    for (const QString& name : names) {
        const auto parts = split_arguments("-i " + quote_argument(name) + " -c:a aac " + quote_argument(name));
        ASSERT_TRUE(parts) << name.toStdString();
        EXPECT_EQ(*parts, QStringList({"-i", name, "-c:a", "aac", name})) << name.toStdString();
    }
}

TEST(Arguments, OrdinaryPathsStayReadable)
{
    EXPECT_EQ(quote_argument("/in/a.mp4"), "'/in/a.mp4'");
    EXPECT_EQ(quote_argument("/in/it's.mp4"), "'/in/it'\\''s.mp4'");
}

TEST(Arguments, SplitsTheUsualForms)
{
    EXPECT_EQ(*split_arguments("  -i  '/a b'\t-s 1920*1080 "), QStringList({"-i", "/a b", "-s", "1920*1080"}));
    EXPECT_EQ(*split_arguments("\"a \\\"b\\\" \\\\c\" d\\ e"), QStringList({"a \"b\" \\c", "d e"}));
    EXPECT_EQ(*split_arguments("'' x"), QStringList({"", "x"}));
    EXPECT_EQ(*split_arguments(""), QStringList());
}

TEST(Arguments, OpenQuotesAreRefused)
{
    EXPECT_FALSE(split_arguments("-i '/in/a.mp4"));
    EXPECT_FALSE(split_arguments("-i \"/in/a.mp4"));
    EXPECT_FALSE(split_arguments("-i a\\"));
}

TEST(Arguments, RelativePathsBecomeAbsoluteSoNoneStartsWithADash)
{
    const auto parts = split_arguments(quote_path("-dash.mp4") + " " + quote_path("http:x.mp4"));
    ASSERT_TRUE(parts);
    ASSERT_EQ(parts->size(), 2);
    EXPECT_TRUE((*parts)[0].startsWith('/'));
    EXPECT_TRUE((*parts)[0].endsWith("/-dash.mp4"));
    EXPECT_TRUE((*parts)[1].startsWith('/'));
    EXPECT_EQ(quote_path("/abs/-x.mp4"), "'/abs/-x.mp4'");
}

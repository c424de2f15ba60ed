#include <gtest/gtest.h>

#include "platform/foundation/files.h"

using namespace foundation;

namespace {

TEST(ParseDouble, AcceptsWholeCLocaleNumbers)
{
    EXPECT_EQ(parse_double("12.5"), 12.5);
    EXPECT_EQ(parse_double("-0.25"), -0.25);
    EXPECT_EQ(parse_double("+3"), 3.0);
    EXPECT_EQ(parse_double("1e3"), 1000.0);
    EXPECT_EQ(parse_double(".5"), 0.5);
    EXPECT_EQ(parse_double("7."), 7.0);
}

TEST(ParseDouble, RejectsPartialPaddedAndSpecialTexts)
{
    for (const char* text : {"", " 12.5", "12.5 ", "12.5x", "N/A", "12,5", "1e", "-", ".", "nan",
                             "NaN", "inf", "-infinity", "1e999", "\t1"})
        EXPECT_FALSE(parse_double(text).has_value()) << '"' << text << '"';
    EXPECT_FALSE(parse_double(QString::fromUtf8("1\0" "2", 3)).has_value());
    EXPECT_FALSE(parse_double(QStringLiteral("１２")).has_value());  // full-width digits
}

TEST(ParseInteger, WholeStringOnlyAndInRange)
{
    EXPECT_EQ(parse_integer("42"), 42);
    EXPECT_EQ(parse_integer("-7"), -7);
    EXPECT_EQ(parse_integer("9223372036854775807"), 9223372036854775807LL);
    for (const char* text : {"", " 42", "42 ", "4.2", "42abc", "N/A", "0x10", "99999999999999999999"})
        EXPECT_FALSE(parse_integer(text).has_value()) << '"' << text << '"';
}

}  // namespace

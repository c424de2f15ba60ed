#include <gtest/gtest.h>

#include "platform/foundation/files.h"
#include "support/german_locale.h"

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

TEST(ParseFloat, SinglePrecisionWholeFiniteNumbers)
{
    const std::pair<const char*, float> numbers[] = {
        {"12.34", 12.34f}, {"12.", 12.0f}, {".5", 0.5f}, {"-1", -1.0f}, {"1e5", 1e5f}, {"3.4e38", 3.4e38f}};
    for (const auto& [text, value] : numbers)
        EXPECT_EQ(parse_float(text), value) << text;
    // 1e39 is a finite double but no float.
    for (const char* text : {"", " 1", "1 ", "1e", ".", "-", "12,5", "nan", "inf", "1e39", "-1e39", "1e999"})
        EXPECT_FALSE(parse_float(text).has_value()) << '"' << text << '"';
}

// The user's locale is not the numbers' locale: a German one reads "12,5" as no number.
TEST(ParseNumbers, AGermanLocaleChangesNothing)
{
    testsupport::GermanLocale german;
    ASSERT_TRUE(german.c_library_is_german());
    EXPECT_EQ(parse_float("12.5"), 12.5f);
    EXPECT_EQ(parse_double("12.5"), 12.5);
    EXPECT_FALSE(parse_float("12,5").has_value());
    EXPECT_FALSE(parse_double("12,5").has_value());
    EXPECT_EQ(parse_integer("-12"), -12);
    EXPECT_FALSE(parse_integer("1.000").has_value());
}

TEST(ParseInteger, WholeStringOnlyAndInRange)
{
    EXPECT_EQ(parse_integer("42"), 42);
    EXPECT_EQ(parse_integer("-7"), -7);
    EXPECT_EQ(parse_integer("9223372036854775807"), 9223372036854775807LL);
    for (const char* text : {"", " 42", "42 ", "4.2", "42abc", "N/A", "0x10", "99999999999999999999",
                             "9223372036854775808", "-", "+", "+-1"})
        EXPECT_FALSE(parse_integer(text).has_value()) << '"' << text << '"';
}

}  // namespace

#include <gtest/gtest.h>

#include "app/update/update_manager.h"
#include "app/update/version_number.h"

namespace {

struct NumberCase {
    const char* text;
    std::optional<float> number;
};

// Only whole decimal texts are numbers, read as 32-bit floats.
TEST(UpdateVersion, NumbersFromVersionTexts)
{
    const NumberCase cases[] = {
        {"1.10", 1.1f}, {"1.9", 1.9f}, {"2", 2.0f}, {"2.0", 2.0f}, {"0", 0.0f}, {".5", 0.5f}, {"5.", 5.0f},
        {"+1.5", 1.5f}, {"-1", -1.0f}, {"1e2", 100.0f}, {"1.2.3", std::nullopt}, {"", std::nullopt},
        {" 1.0", std::nullopt}, {"1.0 ", std::nullopt}, {"1.0\n", std::nullopt}, {"1,5", std::nullopt},
        {"v1.0", std::nullopt}, {"inf", std::nullopt}, {"nan", std::nullopt}, {"0x1p3", std::nullopt},
        {"1e999", std::nullopt}, {"٢.٥", std::nullopt}, {".", std::nullopt}, {"1e", std::nullopt},
    };
    for (const NumberCase& c : cases)
        EXPECT_EQ(update::version_number(QString::fromUtf8(c.text)), c.number) << c.text;
}

// The alert writes each number as the shortest text that reads back the same.
TEST(UpdateVersion, ShortestTextOfANumber)
{
    const std::pair<const char*, const char*> cases[] = {
        {"1.10", "1.1"}, {"2", "2.0"}, {"2.5", "2.5"}, {"0.1", "0.1"}, {"10", "10.0"},
        {"1.234567", "1.234567"}, {"3.14159265358979", "3.1415927"}, {"1e20", "1e+20"},
    };
    for (const auto& [text, shown] : cases) {
        const std::optional<float> number = update::version_number(QString::fromLatin1(text));
        ASSERT_TRUE(number) << text;
        const QString written = update::version_text(*number);
        EXPECT_EQ(written, QString::fromLatin1(shown)) << text;
        EXPECT_EQ(update::version_number(written), number) << text;
    }
}

// Only a JSON object gives a dictionary.
TEST(UpdateVersion, ParseJsonKeepsObjectsOnly)
{
    EXPECT_EQ(UpdateManager::parse_json(QStringLiteral(R"({"results":[{"version":"1.1"}]})"))
                  .value(QStringLiteral("results")).toList().value(0).toMap().value(QStringLiteral("version")),
              QVariant(QStringLiteral("1.1")));
    for (const char* text : {"", "not json", "[1, 2]", "\"1.1\"", "{\"results\": [}", "{} {}"})
        EXPECT_TRUE(UpdateManager::parse_json(QString::fromUtf8(text)).isEmpty()) << text;
}

}  // namespace

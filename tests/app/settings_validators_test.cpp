// The two number rules of the pane's text fields, as tables, under the usual and a German locale,
// and as a user meets them while typing.
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include "support/qt_print.h"

#include "app/settings/only_floateger_value_formatter.h"
#include "app/settings/only_integer_value_formatter.h"
#include "support/german_locale.h"

namespace {

struct Rule {
    const char* text;
    bool integer_ok;
    bool float_ok;
};

const Rule kRules[] = {
    {"", true, true},
    {"0", true, true},
    {"12", true, true},
    {"-12", true, true},
    {"+7", true, true},
    {"9223372036854775807", true, true},
    {"-9223372036854775808", true, true},
    {"12.", false, true},
    {"0.5", false, true},
    {".5", false, true},
    {"1e5", false, true},
    {"-", false, false},
    {"+", false, false},
    {"1.5", false, true},
    {"12a", false, false},
    {" 1", false, false},
    {"1 ", false, false},
    {"\t1", false, false},
    {"1,000", false, false},
    {"9223372036854775808", false, true},
    {"0x10", false, true},
    {".", false, false},
    {"1e", false, false},
    {"nan", false, false},
    {"inf", false, false},
    {"-infinity", false, false},
    {"1e39", false, false},
    {"1e999", false, false},
    {"12,5", false, false},
};

void expect_rules()
{
    const OnlyIntegerValueFormatter integers;
    const OnlyFloategerValueFormatter floats;
    for (const Rule& rule : kRules) {
        QString text = QString::fromUtf8(rule.text);
        int position = int(text.size());
        EXPECT_EQ(integers.validate(text, position), rule.integer_ok ? QValidator::Acceptable : QValidator::Invalid)
            << '"' << rule.text << '"';
        EXPECT_EQ(floats.validate(text, position), rule.float_ok ? QValidator::Acceptable : QValidator::Invalid)
            << '"' << rule.text << '"';
        EXPECT_EQ(text, QString::fromUtf8(rule.text)) << "a rule never rewrites the text";
    }
    // Full-width digits are not ASCII digits.
    QString wide = QStringLiteral("１２");
    int position = 2;
    EXPECT_EQ(integers.validate(wide, position), QValidator::Invalid);
    EXPECT_EQ(floats.validate(wide, position), QValidator::Invalid);
}

}  // namespace

TEST(NumberRules, AcceptOnlyWholeNumbers) { expect_rules(); }

TEST(NumberRules, AGermanLocaleChangesNothing)
{
    testsupport::GermanLocale german;
    ASSERT_TRUE(german.c_library_is_german());
    expect_rules();
}

// A refused key leaves the field as it was: a sign needs its digits, "1e5" cannot be typed.
TEST(NumberRules, TypingKeepsTheFieldValid)
{
    struct Case {
        bool integer;
        const char* keys;
        const char* field;
    };
    const Case cases[] = {
        {true, "-", ""},      {true, "-12", "12"}, {true, "1.5", "15"},  {true, "12a", "12"},
        {true, " 1", "1"},    {true, "1,000", "1000"},
        {false, "1e5", "15"}, {false, "12.5", "12.5"}, {false, "12,5", "125"}, {false, ".", ""},
        {false, "0.5", "0.5"}, {false, "-", ""},
    };
    for (const Case& k : cases) {
        QLineEdit field;
        if (k.integer)
            field.setValidator(new OnlyIntegerValueFormatter(&field));
        else
            field.setValidator(new OnlyFloategerValueFormatter(&field));
        QTest::keyClicks(&field, k.keys);
        EXPECT_EQ(field.text(), k.field) << k.keys;
    }
    // A sign typed in front of digits already there.
    QLineEdit field;
    field.setValidator(new OnlyIntegerValueFormatter(&field));
    QTest::keyClicks(&field, "12");
    field.setCursorPosition(0);
    QTest::keyClicks(&field, "-");
    EXPECT_EQ(field.text(), "-12");
    // Deleting everything is allowed.
    field.selectAll();
    QTest::keyClick(&field, Qt::Key_Backspace);
    EXPECT_EQ(field.text(), "");
}

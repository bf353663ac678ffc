#include "common/NumberFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using tlv::Format;

namespace {

struct Case {
    double value;
    const char* pattern;
    const char* expected;
};

TEST(FormatTest, PatternsOfTheProgramsAtTheirRoundingBoundaries)
{
    const Case cases[] = {
        // '#' before the point shows nothing for values below 1
        {0.25, "#.00", ".25"},
        {0, "#.00", ".00"},
        {0.994, "#.00", ".99"},
        {0.995, "#.00", "1.00"},
        {12.345, "#.00", "12.35"},
        {1.005, "#.00", "1.01"},
        {-0.25, "#.00", "-.25"},
        {0.5, "##0.000", "0.500"},
        {123.4565, "##0.000", "123.457"},
        {-1.0005, "##0.000", "-1.001"},
        // the point stays even without decimals
        {3, "#0.", "3."},
        {2.5, "#0.", "3."},
        {-2.5, "#0.", "-3."},
        {0.4, "#0.", "0."},
        // optional decimals drop insignificant zeros, required ones stay
        {1.2, "#0.0##", "1.2"},
        {1.23456, "#0.0##", "1.235"},
        {1, "#0.0##", "1.0"},
        {0.0005, "#0.0##", "0.001"},
        {0.0004, "#0.0##", "0.0"},
        {100.1, "##0.0##", "100.1"},
        // halves go away from zero on the decimal form of the value
        {2.675, "0.00", "2.68"},
        {-2.675, "0.00", "-2.68"},
        {1.115, "0.00", "1.12"},
        {2.5, "0", "3"},
        {3.5, "0", "4"},
        {-2.5, "0", "-3"},
        {0.49999999, "0", "0"},
        // a value shown as zero has no sign
        {-0.004, "0.00", "0.00"},
        {-0.005, "0.00", "-0.01"},
        {-0.0001, "#.000", ".000"},
        // leading zeros of the pattern and integer digits beyond it
        {5, "#00.00", "05.00"},
        {12.34, "#00.00", "12.34"},
        {123.45, "#000.0", "123.5"},
        {1234.5, "#000.0", "1234.5"},
        {1.5, "000.000", "001.500"},
        {0.12345, "0.0000", "0.1235"},
        {7.999, "00.00", "08.00"},
        {9.9996, "#0.000", "10.000"},
        {99.995, "#0.00", "100.00"},
        {0.05, "#0.0", "0.1"},
        {0.04999, "#0.0", "0.0"},
        {1e20, "0", "100000000000000000000"},
        {123456789.125, "0.00", "123456789.13"},
        // literal text around the number, and thousands
        {5, "0.0 %", "5.0 %"},
        {-5, "$0", "-$5"},
        {1234567, "#,##0", "1,234,567"},
        {0, "#", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Format(c.value, QString::fromLatin1(c.pattern)), QString::fromLatin1(c.expected))
            << c.value << " with " << c.pattern;
}

TEST(FormatTest, UnusualInputs)
{
    EXPECT_EQ(Format(std::nan(""), "#0.00"), "NaN");
    EXPECT_EQ(Format(std::numeric_limits<double>::infinity(), "0"), "Inf");
    EXPECT_EQ(Format(-std::numeric_limits<double>::infinity(), "0"), "-Inf");
    EXPECT_EQ(Format(2.5, ""), "2.5");
    EXPECT_EQ(Format(2.5, "kA"), "kA");
    EXPECT_EQ(Format(std::numeric_limits<double>::denorm_min(), "0.00"), "0.00");
    EXPECT_EQ(Format(-std::numeric_limits<double>::max(), "0").size(), 310);
}

TEST(FormatTest, ThicknessInKiloAngstromChangesPatternAtTenAndAHundred)
{
    EXPECT_EQ(tlv::FormatThickness(12340), "12.34");
    EXPECT_EQ(tlv::FormatThickness(0), "0.000");
    EXPECT_EQ(tlv::FormatThickness(250), "0.250");
    EXPECT_EQ(tlv::FormatThickness(-500), "-0.500");
    EXPECT_EQ(tlv::FormatThickness(9999), "9.999");
    EXPECT_EQ(tlv::FormatThickness(9999.6), "10.000") << "below 10 kA keeps its pattern";
    EXPECT_EQ(tlv::FormatThickness(10000), "10.00");
    EXPECT_EQ(tlv::FormatThickness(99994), "99.99");
    EXPECT_EQ(tlv::FormatThickness(100000), "100.0");
    EXPECT_EQ(tlv::FormatThickness(1234567), "1234.6");
    EXPECT_EQ(tlv::ThicknessPattern(9.99999), "#0.000");
    EXPECT_EQ(tlv::ThicknessPattern(10), "#00.00");
    EXPECT_EQ(tlv::ThicknessPattern(100), "#000.0");
}

TEST(FormatTest, RateIncludesOneAndTenInTheFinerPattern)
{
    EXPECT_EQ(tlv::FormatRate(0.5), ".500");
    EXPECT_EQ(tlv::FormatRate(0), ".000");
    EXPECT_EQ(tlv::FormatRate(1), "1.000");
    EXPECT_EQ(tlv::FormatRate(1.0001), "1.00");
    EXPECT_EQ(tlv::FormatRate(10), "10.00");
    EXPECT_EQ(tlv::FormatRate(10.01), "10.0");
    EXPECT_EQ(tlv::FormatRate(-2), "-2.000");
    EXPECT_EQ(tlv::FormatRate(123.45), "123.5");
}

TEST(NumberTextTest, MessagesAndDefaultsShowNumbersPlainly)
{
    EXPECT_EQ(tlv::NumberText(2.5), "2.5");
    EXPECT_EQ(tlv::NumberText(0.25), "0.25");
    EXPECT_EQ(tlv::NumberText(100), "100");
    EXPECT_EQ(tlv::NumberText(-3), "-3");
    EXPECT_EQ(tlv::NumberText(0), "0");
    EXPECT_EQ(tlv::NumberText(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(tlv::NumberText(123456789012345.0), "123456789012345");
    EXPECT_EQ(tlv::NumberText(1e15), "1E+15");
    EXPECT_EQ(tlv::NumberText(-1.5e20), "-1.5E+20");
    EXPECT_EQ(tlv::NumberText(0.00001), "0.00001");
    EXPECT_EQ(tlv::NumberText(1e-6), "1E-06");
    EXPECT_EQ(tlv::NumberText(double(0.1f), 7), "0.1");
    EXPECT_EQ(tlv::NumberText(double(2.3f), 7), "2.3");
    EXPECT_EQ(tlv::NumberText(6100000), "6100000");
}

TEST(ValTest, ReadsAsFarAsTheTextFormsANumber)
{
    EXPECT_DOUBLE_EQ(tlv::Val("12.5 mm"), 12.5);
    EXPECT_DOUBLE_EQ(tlv::Val("abc"), 0);
    EXPECT_DOUBLE_EQ(tlv::Val(""), 0);
    EXPECT_DOUBLE_EQ(tlv::Val(" -3"), -3);
    EXPECT_DOUBLE_EQ(tlv::Val("+4"), 4);
    EXPECT_DOUBLE_EQ(tlv::Val("1 2 3"), 123);
    EXPECT_DOUBLE_EQ(tlv::Val(".25"), 0.25);
    EXPECT_DOUBLE_EQ(tlv::Val("1,5"), 1);
    EXPECT_DOUBLE_EQ(tlv::Val("1e3"), 1000);
    EXPECT_DOUBLE_EQ(tlv::Val("1D-2"), 0.01);
    EXPECT_DOUBLE_EQ(tlv::Val("2e"), 2);
    EXPECT_DOUBLE_EQ(tlv::Val("1.2.3"), 1.2);
    EXPECT_DOUBLE_EQ(tlv::Val("-"), 0);
    EXPECT_DOUBLE_EQ(tlv::Val("1e999"), 0) << "too large to hold";
    EXPECT_DOUBLE_EQ(tlv::Val("&HFF"), 255);
    EXPECT_DOUBLE_EQ(tlv::Val("&HFFFF"), -1);
    EXPECT_DOUBLE_EQ(tlv::Val("&H10000"), 65536);
    EXPECT_DOUBLE_EQ(tlv::Val("&O17"), 15);
    EXPECT_DOUBLE_EQ(tlv::Val(tlv::NumberText(6.02e23)), 6.02e23);
}

} // namespace

#include "analysis/ExactDecimal.h"
#include "store/NumberText.h"

#include <gtest/gtest.h>

using hra::analysis::ExactDecimal;
using hra::store::numberText;

TEST(NumberText, ShortestFormWithFifteenDigits)
{
    const std::pair<double, const char*> cases[] = {
        {22.857142857142858, "22.8571428571429"},
        {24.999999999999996, "25"},
        {3.90, "3.9"},
        {140.0, "140"},
        {-0.0, "0"},
        {0.26, "0.26"},
        {(1.9 - 1.7) / 0.2 * 0.26, "0.26"}, // binary noise below the 15th digit disappears
        {0.0001, "0.0001"},
        {0.00001, "1E-5"},
        {1e20, "1E20"},
        {-1.5e-7, "-1.5E-7"},
        {123456789012345.0, "123456789012345"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(numberText(value).toStdString(), text) << value;
    EXPECT_EQ(hra::store::roundToNumberText((1.9 - 1.7) / 0.2 * 0.26), 0.26);
}

TEST(ExactDecimal, MathematicallyWholeProductsAreNotCutBelow)
{
    auto d = ExactDecimal::fromDouble;
    // In binary these give 125.99999999999999 and 107.99999999999999.
    EXPECT_EQ((d(180) * d(0.7)).truncated(), 126);
    EXPECT_EQ((d(180) * d(0.6)).truncated(), 108);
    EXPECT_EQ((d(1.7) * d(100)).truncated(), 170);
    EXPECT_EQ((d(1.2) * d(1.1) * d(11.5) * d(15)).truncated(), 227); // 227.7
    EXPECT_EQ((d(80.3) - d(65.3)).truncated(), 15);
    EXPECT_EQ((d(0.3) - d(0.1) - d(0.2)).sign(), 0);
    EXPECT_EQ((d(-2.5)).truncated(), -2);
    EXPECT_EQ((d(1.7) * d(100)).toDouble(), 170.0);
}

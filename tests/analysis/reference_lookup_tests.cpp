#include "Fixtures.h"
#include "analysis/ReferenceData.h"

#include <gtest/gtest.h>

using namespace hra::analysis;
using namespace hra::analysis::test;

TEST(BandLookup, FirstRowWhoseBoundIsAtLeastTheValue)
{
    ReferenceTables ref;
    // Stored out of order: the lookup scans in ascending bounds.
    ref.bands[int(BandTable::AgeCoronary)] = {{59, 2, 1.5}, {39, 1, 0.5}, {49, 1.2, 0.9}};
    ref.prepare();
    struct Case
    {
        double age;
        const char* sex;
        double expected;
    };
    const Case cases[] = {
        {39, "男", 1},     {40, "男", 1.2},  {39, "女", 0.5},
        {-10000, "男", 1},                                  // missing age: first band
        {59, "女", 1.5},   {60, "男", 0},    {60, "女", 0}, // above the last bound
        {45, "未知", 0},   {45, nullptr, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ref.band(BandTable::AgeCoronary, opt(c.sex), c.age), c.expected)
            << c.age << " " << s(opt(c.sex));
    EXPECT_EQ(ref.band(BandTable::AgeStroke, q("男"), 40), 0); // empty table
}

TEST(StandardWeightLookup, RowByAgeThenFirstHeightColumnAtLeastTheHeight)
{
    StandardWeightTable t;
    t.heights = {160, 170, 180};
    t.rows = {{30, {55, 62, 70}}, {50, {57, 65, std::nullopt}}};
    EXPECT_EQ(lookupStandardWeight(t, 40, 170), 65);
    EXPECT_EQ(lookupStandardWeight(t, 40, 165), 65);
    EXPECT_EQ(lookupStandardWeight(t, 30, 150), 55);
    EXPECT_EQ(lookupStandardWeight(t, 40, 181), 0); // taller than the last column
    EXPECT_EQ(lookupStandardWeight(t, 51, 170), 0); // older than the last row
    EXPECT_EQ(lookupStandardWeight(t, 40, 175), 0); // empty cell
}

TEST(ReferenceRanges, UnitIsEmptyWithoutRowOrUnit)
{
    ReferenceTables ref;
    ref.ranges = {{q("zongdgc"), bounds(2.84, 5.68, "mmol/L")},
                  {q("tizzs"), bounds(18.5, 24)},
                  {q("zongdgc"), bounds(0, 1, "later row")}};
    EXPECT_EQ(ref.unit(q("zongdgc")), q("mmol/L"));
    EXPECT_EQ(ref.unit(q("tizzs")), QString());
    EXPECT_EQ(ref.unit(q("kongfxt")), QString());
    EXPECT_FALSE(ref.range(q("kongfxt")).has_value());
}

#include "Fixtures.h"
#include "analysis/BloodPressureGrade.h"

#include <gtest/gtest.h>

using namespace hra::analysis;
using namespace hra::analysis::test;

namespace {

// "label=value|label=value" of the bars after the fixed first one.
std::string bars(const BloodPressureGrade& g)
{
    std::string out;
    for (size_t i = 1; i < g.rows.size(); ++i)
        out += (i > 1 ? "|" : "") + g.rows[i].label.toStdString() + "=" +
               std::to_string(int(g.rows[i].value));
    return out;
}

} // namespace

TEST(BloodPressureGrade, TableCorners)
{
    struct Case
    {
        std::optional<double> s, d;
        const char* bars;
        const char* advice;
    };
    const Case cases[] = {
        {140, 90, "您为1级高血压=1", "1级"},
        {139, 90, "您的血压正常=0", "0级"},
        {139, 91, "您的舒张压异常=91", "0级"},
        {159, 99, "您为1级高血压=1", "1级"},
        {159, 100, "您为2级高血压=2", "2级"},
        {159, 110, "您为3级高血压=3", "3级"},
        {160, 109, "您为2级高血压=2", "2级"},
        {160, 110, "您为3级高血压=3", "3级"},
        {179, 0, "您为2级高血压=2", "2级"},
        {180, 40, "您为3级高血压=3", "3级"},
        {800, 800, "您为3级高血压=3", "3级"},
        {85, 70, "您的收缩压异常=85", "0级"},
        {85, 95, "您的收缩压异常=85|您的舒张压异常=95", "0级"},
        {89, 59, "您的收缩压异常=89|您的舒张压异常=59", "0级"},
        {90, 60, "您的血压正常=0", "0级"},
        {120, 55, "您的舒张压异常=55", "0级"},
        {0, 0, "您的收缩压异常=0|您的舒张压异常=0", "0级"},
        {130, 900, "", "0级"},
        {900, 80, "", "0级"},
        {-5, 80, "", "0级"},
        {std::nullopt, 80, "", "0级"},
        {140, std::nullopt, "", "0级"},
        {std::nullopt, std::nullopt, "", "0级"},
    };
    for (const Case& c : cases) {
        ExamInput e;
        e.systolic = c.s;
        e.diastolic = c.d;
        const BloodPressureGrade g = gradeBloodPressure(e);
        SCOPED_TRACE(std::to_string(c.s.value_or(-1)) + "/" + std::to_string(c.d.value_or(-1)));
        ASSERT_FALSE(g.rows.empty());
        EXPECT_EQ(g.rows[0], (BarRow{q("正常人的级别"), 0}));
        EXPECT_EQ(bars(g), q(c.bars).toStdString());
        EXPECT_EQ(g.adviceLevel, q(c.advice));
    }
}

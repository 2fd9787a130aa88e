#include "Fixtures.h"
#include "analysis/MetabolicScreen.h"

#include <functional>
#include <gtest/gtest.h>

using namespace hra::analysis;
using namespace hra::analysis::test;

namespace {

// A man without any criterion.
ExamInput healthy(const char* sex = "男")
{
    ExamInput e;
    e.sex = q(sex);
    e.bmi = 22;
    e.triglycerides = 1.2;
    e.hdl = 1.3;
    e.systolic = 120;
    e.diastolic = 75;
    e.fastingGlucose = 5;
    return e;
}

} // namespace

TEST(MetabolicScreen, ThresholdsCountInclusively)
{
    struct Case
    {
        const char* name;
        ExamInput exam;
        int criteria;
    };
    std::vector<Case> cases;
    auto with = [](auto change, const char* sex = "男") {
        ExamInput e = healthy(sex);
        change(e);
        return e;
    };
    cases.push_back({"healthy", healthy(), 0});
    cases.push_back({"BMI 25.0", with([](auto& e) { e.bmi = 25.0; }), 1});
    cases.push_back({"BMI 24.9", with([](auto& e) { e.bmi = 24.9; }), 0});
    cases.push_back({"TG 1.7", with([](auto& e) { e.triglycerides = 1.7; }), 1});
    cases.push_back({"TG 1.69", with([](auto& e) { e.triglycerides = 1.69; }), 0});
    cases.push_back({"glucose 5.6", with([](auto& e) { e.fastingGlucose = 5.6; }), 1});
    cases.push_back({"glucose 5.59", with([](auto& e) { e.fastingGlucose = 5.59; }), 0});
    cases.push_back({"130/60", with([](auto& e) {
                         e.systolic = 130;
                         e.diastolic = 60;
                     }),
                     1});
    cases.push_back({"120/85", with([](auto& e) { e.diastolic = 85; }), 1});
    cases.push_back({"129/84", with([](auto& e) {
                         e.systolic = 129;
                         e.diastolic = 84;
                     }),
                     0});
    cases.push_back({"woman HDL 1.0", with([](auto& e) { e.hdl = 1.0; }, "女"), 1});
    cases.push_back({"man HDL 1.0", with([](auto& e) { e.hdl = 1.0; }), 0});
    cases.push_back({"man HDL 0.89", with([](auto& e) { e.hdl = 0.89; }), 1});
    cases.push_back({"HDL missing reads 0", with([](auto& e) { e.hdl.reset(); }), 1});
    cases.push_back({"HDL 0 of another sex", with([](auto& e) {
                         e.hdl = 0;
                         e.sex = q("未知");
                     }),
                     0});
    cases.push_back({"no examination row", ExamInput{}, 0});
    for (const Case& c : cases)
        EXPECT_EQ(screenMetabolicDisorder(c.exam).criteria, c.criteria) << c.name;
}

TEST(MetabolicScreen, LevelByCount)
{
    ExamInput e = healthy();
    const std::pair<std::function<void(ExamInput&)>, const char*> steps[] = {
        {[](ExamInput&) {}, "目前没有代谢紊乱现象"},
        {[](ExamInput& x) { x.bmi = 30; }, "目前没有代谢紊乱现象"},
        {[](ExamInput& x) { x.triglycerides = 2; }, "目前没有代谢紊乱现象"},
        {[](ExamInput& x) { x.hdl = 0.5; }, "危险"},
        {[](ExamInput& x) { x.systolic = 150; }, "I高度危险"},
        {[](ExamInput& x) { x.fastingGlucose = 7; }, "II高度危险"},
    };
    int n = 0;
    for (const auto& [step, level] : steps) {
        step(e);
        const MetabolicScreen m = screenMetabolicDisorder(e);
        EXPECT_EQ(m.criteria, n) << level;
        EXPECT_EQ(m.level, q(level)) << n;
        ++n;
    }
}

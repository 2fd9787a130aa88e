#include "domain/SaveRules.h"
#include "store/NumberText.h"

#include <gtest/gtest.h>

using namespace hra::domain;
using namespace hra::store;

TEST(NumberText, ShortestFifteenDigitForm)
{
    const std::pair<double, const char*> cases[] = {
        {22.857142857142858, "22.8571428571429"},
        {24.999999999999996, "25"},
        {3.90, "3.9"},
        {140.0, "140"},
        {0.0, "0"},
        {-0.0, "0"},
        {-1.5, "-1.5"},
        {0.1 + 0.2, "0.3"},
        {1e-5, "1E-5"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(numberText(value).toStdString(), text) << value;
}

TEST(SaveRules, BodyMassIndexIsCutAfterFiveCharacters)
{
    struct Case
    {
        QVariant height, weight;
        std::optional<double> bmi;
    };
    const Case cases[] = {
        {1.75, 70, 22.85},
        {2.20, 45, 9.297},
        {1.20, 150, 104.1},
        {1.60, 64, 25.0},                                     // 24.999999999999996 prints as "25"
        {QStringLiteral("1.60"), QStringLiteral("64"), 25.0}, // numeric columns may arrive as text
        {1.70, QVariant(), std::nullopt},
        {QVariant(), 70, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.height.toString().toStdString() + " m, " +
                     c.weight.toString().toStdString() + " kg");
        EXPECT_EQ(bodyMassIndex(c.height, c.weight), c.bmi);
    }
    EXPECT_THROW(bodyMassIndex(0.0, 70), SaveRuleError);
}

TEST(SaveRules, ExerciseVerdict)
{
    const QString previous = QStringLiteral("旧");
    struct Case
    {
        QVariant kind, frequency;
        QString verdict;
    };
    const Case cases[] = {
        {QStringLiteral("打篮球,快跑"), QStringLiteral("5-7次"), QStringLiteral("一般")},
        {QStringLiteral("太极拳,上楼梯"), QStringLiteral("5-7次"), QStringLiteral("合适")},
        {QStringLiteral("打网球,骑自行车"), QStringLiteral("≥7次"), QStringLiteral("合适")},
        {QStringLiteral("散步,一般家务,乘车"), QStringLiteral("≤2次"), QStringLiteral("不合适")},
        {QStringLiteral("散步,一般家务,乘车"), QStringLiteral("2-4次"), QStringLiteral("一般")},
        {QStringLiteral("太极拳,上楼梯"), QVariant(), previous}, // frequency missing: kept
        {QStringLiteral("太极拳,上楼梯"), QStringLiteral("每天"),
         previous},                                                  // unknown frequency: kept
        {QStringLiteral("游泳"), QStringLiteral("2-4次"), previous}, // unknown kind: kept
        {QVariant(), QStringLiteral("2-4次"), QString()},            // kind cleared: empty
        {QString(), QStringLiteral("2-4次"), QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind.toString().toStdString() + " / " +
                     c.frequency.toString().toStdString());
        EXPECT_EQ(exerciseVerdict(c.kind, c.frequency, previous).toString(), c.verdict);
    }
}

TEST(SaveRules, StampsRecordNumberAndSaveTimeByMode)
{
    const QDateTime now(QDate(2026, 3, 1), QTime(9, 30));
    const QDateTime earlier(QDate(2025, 1, 1), QTime(8, 0));
    for (AssessmentTable t :
         {AssessmentTable::CurrentStatus, AssessmentTable::Diet, AssessmentTable::Exercise,
          AssessmentTable::Lifestyle, AssessmentTable::Examination}) {
        SCOPED_TRACE(tableName(t).toStdString());
        QVariantMap fresh;
        applySaveRules(t, fresh, QStringLiteral("  0042 "), AssessmentMode::New, now);
        EXPECT_EQ(fresh.value("bianh").toString(), QStringLiteral("0042"));
        EXPECT_EQ(fresh.value("lurrq").toDateTime(), now);

        QVariantMap stored{{"lurrq", earlier}};
        applySaveRules(t, stored, QStringLiteral("0042"), AssessmentMode::Stored, now);
        EXPECT_EQ(stored.value("lurrq").toDateTime(), earlier);
    }
    QVariantMap reg{{"lurrq", earlier}};
    applySaveRules(AssessmentTable::Register, reg, QStringLiteral("0042"), AssessmentMode::Stored,
                   now);
    EXPECT_EQ(reg.value("lurrq").toDateTime(), now); // the register row always shows the last save

    QVariantMap status;
    applySaveRules(AssessmentTable::CurrentStatus, status, QStringLiteral("1"),
                   AssessmentMode::None, now);
    EXPECT_EQ(status.value("mqzk_id").toString(), QStringLiteral("jkpg_mqzk"));

    QVariantMap exam{{"sheng", 1.70}, {"tiz", QVariant()}, {"tizzs", 30.1}};
    applySaveRules(AssessmentTable::Examination, exam, QStringLiteral("1"), AssessmentMode::New,
                   now);
    EXPECT_EQ(exam.value("tizzs").toDouble(), 30.1); // weight missing: old index untouched
}

TEST(SaveRules, NewRowDefaults)
{
    QVariantMap status, lifestyle, diet;
    applyNewRowDefaults(AssessmentTable::CurrentStatus, status);
    applyNewRowDefaults(AssessmentTable::Lifestyle, lifestyle);
    applyNewRowDefaults(AssessmentTable::Diet, diet);
    EXPECT_EQ(status.size(), 18);
    for (const QVariant& v : status)
        EXPECT_EQ(v.toString(), QStringLiteral("0"));
    EXPECT_EQ(lifestyle.keys(), QStringList({"yinjzl_bj", "yinjzl_gj", "yinjzl_pj", "yinjzl_qt"}));
    EXPECT_TRUE(diet.isEmpty());
}

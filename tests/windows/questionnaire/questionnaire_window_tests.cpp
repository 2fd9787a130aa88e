#include "domain/Operators.h"
#include "domain/SessionState.h"
#include "store/Sql.h"
#include "support/TestDatabase.h"
#include "ui/FlatButton.h"
#include "ui/Form.h"
#include "ui/OptionGroup.h"
#include "ui/PromptService.h"
#include "windows/questionnaire/QuestionnaireWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace hra;
using questionnaire::QuestionnaireWindow;

namespace {

// The nine required examination values, in the order the save checks them.
const std::pair<const char*, const char*> kRequired[] = {
    {"sheng", "1.75"},  {"tiz", "70"},     {"yaow", "80"},     {"shousy", "120"},   {"shuzy", "80"},
    {"zongdgc", "4.5"}, {"ganysz", "1.2"}, {"kongfxt", "5.0"}, {"canhexsxt", "6.0"}};

class QuestionnaireTest : public ::testing::TestWithParam<store::Driver>
{
protected:
    void SetUp() override
    {
        HRA_REQUIRE_BACKEND(db);
        conn = db.connectInitialised();
        ASSERT_TRUE(conn);
        store::run(conn->db(), QStringLiteral("insert into jkpg_jbxx (bianh, xingm, xingb, nianl) "
                                              "values ('0042', '王五', '男', 50)"));
        session.currentOperatorCode = QStringLiteral("op01");
        context.emplace(questionnaire::Context{
            *conn, session, prompts, [this](const QString& bh, qint32 id, const QString&) {
                handedOver = bh + u'/' + QString::number(id);
            }});
    }

    std::unique_ptr<QuestionnaireWindow> open(const QString& number, bool history = false)
    {
        auto w = std::make_unique<QuestionnaireWindow>(*context);
        w->show();
        w->historyBox()->setChecked(history);
        w->recordNumberBox()->setText(number);
        QTest::keyClick(w->recordNumberBox(), Qt::Key_Return);
        return w;
    }

    static QLineEdit* edit(QuestionnaireWindow& w, int page, const char* column)
    {
        return qobject_cast<QLineEdit*>(w.form(page).control(QString::fromLatin1(column)));
    }

    static void fillRequired(QuestionnaireWindow& w, const char* skip = nullptr)
    {
        for (const auto& [column, value] : kRequired)
            if (!skip || qstrcmp(skip, column) != 0)
                edit(w, 4, column)->setText(QString::fromLatin1(value));
    }

    QVariant stored(const QString& table, const QString& column, qint32 id = 1) const
    {
        return store::scalar(
            conn->db(), QStringLiteral("select %1 from %2 where jkpg_id = :id").arg(column, table),
            {{QStringLiteral("id"), id}});
    }

    void addAssessment(qint32 id, const QString& state)
    {
        store::run(conn->db(),
                   QStringLiteral("insert into jkpg_id (jkpg_id, bianh, id, zhuangt) "
                                  "values (:id, '0042', '0042', :s)"),
                   {{QStringLiteral("id"), id}, {QStringLiteral("s"), state}});
    }

    test::TestDatabase db{GetParam()};
    std::unique_ptr<store::Connection> conn;
    domain::SessionState session;
    ui::ScriptedPromptService prompts;
    std::optional<questionnaire::Context> context;
    QString handedOver;
};

// A first interview from Enter to the hand-over: only the nine required
// values typed stores six rows, options NULL, ticks "0", the typed answers
// exactly; the index shows while typing.
TEST_P(QuestionnaireTest, FirstInterviewStoresSixRows)
{
    auto w = open(QStringLiteral(" 0042 "));
    EXPECT_TRUE(w->personPanel()->isVisible());
    EXPECT_EQ(w->stateLabel()->text(), "评估");
    EXPECT_EQ(w->rows().mode(), domain::AssessmentMode::New);
    EXPECT_EQ(session.assessmentMode, domain::AssessmentMode::New);

    w->showSection(4);
    QTest::keyClicks(edit(*w, 4, "sheng"), QStringLiteral("1.75"));
    EXPECT_EQ(edit(*w, 4, "tizzs")->text(), ""); // no weight yet
    QTest::keyClicks(edit(*w, 4, "tiz"), QStringLiteral("70"));
    EXPECT_EQ(edit(*w, 4, "tizzs")->text(), "22.85");
    fillRequired(*w);

    auto* fatigue = qobject_cast<ui::OptionGroup*>(w->form(0).control(QStringLiteral("pilcd")));
    fatigue->button(0)->click();
    auto* smoking = qobject_cast<ui::OptionGroup*>(w->form(3).control(QStringLiteral("shifxy")));
    smoking->button(1)->click();
    QTest::mouseClick(smoking, Qt::RightButton); // cleared again
    auto* other = qobject_cast<QCheckBox*>(w->form(0).control(QStringLiteral("qit")));
    other->setChecked(true);
    edit(*w, 0, "qitnr")->setText(QStringLiteral("痛风"));

    w->save();
    EXPECT_EQ(prompts.messages(), QStringList({"请确保各项调查值录入正确,确实要保存吗？",
                                               "保存成功!", "是否进行数据分析及生成报告？"}));
    EXPECT_EQ(handedOver, "0042/1");
    for (const QString table :
         {"jkpg_id", "jkpg_mqzk", "jkpg_ssyy", "jkpg_ydfs", "jkpg_shfs", "jkpg_tgjc"})
        EXPECT_EQ(stored(table, QStringLiteral("bianh")).toString(), "0042") << table.toStdString();
    EXPECT_EQ(stored("jkpg_mqzk", "pilcd").toString(), "无疲劳 ");
    EXPECT_EQ(stored("jkpg_mqzk", "qit").toString(), "其他");
    EXPECT_EQ(stored("jkpg_mqzk", "qitnr").toString(), "痛风");
    EXPECT_EQ(stored("jkpg_mqzk", "feia").toString(), "0");
    EXPECT_TRUE(store::isNull(stored("jkpg_shfs", "shifxy")));
    EXPECT_EQ(stored("jkpg_shfs", "yinjzl_bj").toString(), "0");
    EXPECT_TRUE(store::isNull(stored("jkpg_ssyy", "meitsc")));
    EXPECT_DOUBLE_EQ(stored("jkpg_tgjc", "tizzs").toDouble(), 22.85);
}

// The first missing value in the order of the save is named, on the
// examination page, with the focus in it; nothing is stored.
TEST_P(QuestionnaireTest, MissingRequiredValueIsNamedInOrder)
{
    auto w = open(QStringLiteral("0042"));
    w->showSection(0);
    w->show();
    QApplication::setActiveWindow(w.get());
    fillRequired(*w, "zongdgc");
    edit(*w, 4, "ganysz")->clear();
    w->save();
    ASSERT_EQ(prompts.messages(), QStringList({"总胆固醇为必填项,带*号的为必填项!"}));
    EXPECT_EQ(prompts.records()[0].caption, "");
    EXPECT_EQ(prompts.records()[0].icon, QMessageBox::Critical);
    EXPECT_EQ(w->currentSection(), 4);
    EXPECT_TRUE(edit(*w, 4, "zongdgc")->hasFocus());
    EXPECT_EQ(store::scalar(conn->db(), QStringLiteral("select count(*) from jkpg_id")).toInt(), 0);

    // A value that is no number is refused before anything is asked.
    prompts.clear();
    fillRequired(*w);
    edit(*w, 4, "tunw")->setText(QStringLiteral("八十"));
    w->save();
    ASSERT_EQ(prompts.records().size(), 1u);
    EXPECT_TRUE(prompts.records()[0].text.contains(QStringLiteral("八十")));
}

TEST_P(QuestionnaireTest, EditingTheNumberDiscardsAndSaveThenDoesNothing)
{
    auto w = open(QStringLiteral("0042"));
    fillRequired(*w);
    QTest::keyClick(w->recordNumberBox(), Qt::Key_Backspace);
    EXPECT_FALSE(w->personPanel()->isVisible());
    EXPECT_EQ(session.assessmentMode, domain::AssessmentMode::None);
    EXPECT_EQ(edit(*w, 4, "sheng")->text(), "");
    QTest::keyClicks(w->recordNumberBox(), QStringLiteral("2"));
    w->save();
    EXPECT_TRUE(prompts.messages().isEmpty());
    EXPECT_EQ(store::scalar(conn->db(), QStringLiteral("select count(*) from jkpg_id")).toInt(), 0);
}

// The chooser: an ended latest assessment offers it with "&N 新建评估"
// enabled and the end button disabled; an operator who reopens one cannot
// save it, the manager can even when it is ended.
TEST_P(QuestionnaireTest, ChooserAndWhoMaySaveAReopenedAssessment)
{
    addAssessment(3, QStringLiteral("结束"));
    store::run(
        conn->db(),
        QStringLiteral("insert into jkpg_tgjc (jkpg_id, bianh, sheng) values (3, '0042', 1.8)"));
    auto w = open(QStringLiteral("0042"));
    ASSERT_TRUE(w->chooser());
    EXPECT_TRUE(w->chooser()->newButton()->isEnabled());
    EXPECT_FALSE(w->endButton()->isEnabled());
    EXPECT_EQ(w->chooser()->grid()->item(0, 2)->text(), "结束");
    w->chooser()->viewSelected();
    QApplication::processEvents();
    EXPECT_FALSE(w->chooser());
    EXPECT_FALSE(w->saveButton()->isEnabled());
    EXPECT_EQ(edit(*w, 4, "sheng")->text(), "1.8");
    EXPECT_EQ(w->stateLabel()->text(), "结束");

    session.currentOperatorCode = domain::kManagerCode;
    auto m = open(QStringLiteral("0042"));
    m->chooser()->viewSelected();
    EXPECT_TRUE(m->saveButton()->isEnabled());
    fillRequired(*m);
    m->save();
    EXPECT_TRUE(prompts.messages().contains(QStringLiteral("保存成功!")));
    EXPECT_EQ(stored("jkpg_tgjc", "sheng", 3).toDouble(), 1.75);
    EXPECT_EQ(stored("jkpg_id", "zhuangt", 3).toString(), "结束");

    // One in progress: the history chooser refuses a second.
    addAssessment(4, QStringLiteral("评估"));
    auto h = open(QStringLiteral("0042"), true);
    ASSERT_TRUE(h->chooser());
    EXPECT_FALSE(h->chooser()->newButton()->isEnabled());
}

// With the history box ticked and no assessment, the first-assessment
// notice comes before the new one; ending then writes only the state.
TEST_P(QuestionnaireTest, HistoryNoticeRefillAndEnd)
{
    auto w = open(QStringLiteral("0042"), true);
    EXPECT_EQ(prompts.messages(),
              QStringList({"该编号是第一次评估,没有评估历史,请进行第一次评估!"}));
    EXPECT_EQ(w->rows().mode(), domain::AssessmentMode::New);
    fillRequired(*w);
    prompts.answerMessage(QMessageBox::Yes); // save
    prompts.answerMessage(QMessageBox::Ok);  // saved
    prompts.answerMessage(QMessageBox::No);  // no analysis now
    w->save();
    ASSERT_EQ(w->rows().mode(), domain::AssessmentMode::Stored);

    prompts.clear();
    w->showSection(4);
    w->refill();
    EXPECT_EQ(prompts.messages(), QStringList({"确实要重填<体格检查及实验室检查>吗？"}));
    EXPECT_EQ(edit(*w, 4, "sheng")->text(), "");
    EXPECT_DOUBLE_EQ(stored("jkpg_tgjc", "sheng").toDouble(), 1.75); // until saved

    prompts.clear();
    w->endAssessment();
    EXPECT_EQ(prompts.messages(),
              QStringList({"用户评估结束后,其该次评估资料将不能修改,确实要结束吗？",
                           "用户该次评估已结束!"}));
    EXPECT_EQ(stored("jkpg_id", "zhuangt").toString(), "结束");
    EXPECT_DOUBLE_EQ(stored("jkpg_tgjc", "sheng").toDouble(), 1.75);
}

TEST_P(QuestionnaireTest, UnknownNumberAndTheHandOverFromTheRecords)
{
    auto w = open(QStringLiteral("0043"));
    EXPECT_EQ(prompts.messages(), QStringList({"该卡号不存在,请先建档!"}));
    EXPECT_EQ(prompts.records()[0].caption, "揭示信息");
    EXPECT_FALSE(w->personPanel()->isVisible());

    session.pendingRecordNo = QStringLiteral("0042");
    QuestionnaireWindow handed(*context);
    handed.show();
    EXPECT_TRUE(session.pendingRecordNo.isEmpty());
    EXPECT_EQ(handed.recordNumberBox()->text(), "0042");
    EXPECT_EQ(handed.rows().mode(), domain::AssessmentMode::New);
}

INSTANTIATE_TEST_SUITE_P(Backends, QuestionnaireTest, ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });

} // namespace

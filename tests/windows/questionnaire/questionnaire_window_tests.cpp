#include "domain/Assessment.h"
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
#include <QPushButton>
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

QString secondAssessmentQuestion(qint32 id)
{
    return QStringLiteral(
               "该档案已有一份正在进行的评估（评估编号 %1），可能是其他工作站刚刚开始的。"
               "本次未保存。\n\n"
               "继续该评估：调出评估编号 %1,带入您录入的内容"
               "(与该评估不同之处以您录入的为准),核对后再保存\n"
               "另存为新评估：保存为该档案的另一份新的评估\n"
               "取消：暂不保存,录入的内容保留")
        .arg(id);
}

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
    EXPECT_EQ(edit(*w, 4, "tizzs")->text(), "22.86");
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
    EXPECT_DOUBLE_EQ(stored("jkpg_tgjc", "tizzs").toDouble(), 22.86);
}

// Another workstation begins an assessment of the same person while this
// window holds a new one: the save asks, defaulting to 取消, and stores a
// second assessment only on 另存为新评估.
TEST_P(QuestionnaireTest, ASecondAssessmentInProgressIsStoredOnlyWhenTheOperatorSaysSo)
{
    auto w = open(QStringLiteral("0042"));
    ASSERT_EQ(w->rows().mode(), domain::AssessmentMode::New);
    fillRequired(*w);
    addAssessment(7, QStringLiteral("评估"));
    const auto inProgress = [this] {
        return store::scalar(conn->db(), QStringLiteral("select count(*) from jkpg_id where "
                                                        "bianh = '0042' and zhuangt = '评估'"))
            .toInt();
    };

    prompts.answerMessage(QMessageBox::Yes); // the values are right; the question unanswered
    w->save();
    ASSERT_EQ(prompts.messages(), QStringList({"请确保各项调查值录入正确,确实要保存吗？",
                                               secondAssessmentQuestion(7)}));
    EXPECT_EQ(prompts.records().back().answers,
              QStringList({"继续该评估", "另存为新评估", "取消"}));
    EXPECT_EQ(prompts.records().back().defaultAnswer, 2);
    EXPECT_EQ(inProgress(), 1);
    EXPECT_EQ(w->rows().mode(), domain::AssessmentMode::New);
    EXPECT_EQ(edit(*w, 4, "shousy")->text(), "120"); // what was typed stays

    prompts.clear();
    prompts.answerMessage(QMessageBox::Yes);
    prompts.answerChoice(QStringLiteral("另存为新评估"));
    w->save();
    EXPECT_EQ(prompts.messages().mid(0, 3),
              QStringList({"请确保各项调查值录入正确,确实要保存吗？", secondAssessmentQuestion(7),
                           "保存成功!"}));
    EXPECT_EQ(inProgress(), 2);
}

// 继续该评估 opens the other workstation's assessment with this operator's
// answers on top (theirs where the operator typed nothing); the next save
// stores them into it and no second assessment is made.
TEST_P(QuestionnaireTest, ContinuingTheOtherAssessmentCarriesTheTypedAnswersOver)
{
    auto w = open(QStringLiteral("0042"));
    auto other = db.connect(QStringLiteral("other"));
    domain::AssessmentRows theirs;
    theirs.startNew(other->db(), QStringLiteral("0042"));
    store::RowBuffer& exam = theirs.section(domain::AssessmentTable::Examination);
    for (const auto& [column, value] : kRequired)
        exam.setValue(QString::fromLatin1(column), QString::fromLatin1(value));
    exam.setValue(QStringLiteral("shuzy"), 85);
    exam.setValue(QStringLiteral("xuens"), QStringLiteral("380"));
    theirs.save(other->db());
    ASSERT_EQ(theirs.id(), 1);

    fillRequired(*w);
    edit(*w, 4, "kongfxt")->setText(QStringLiteral("6.2"));
    auto* fatigue = qobject_cast<ui::OptionGroup*>(w->form(0).control(QStringLiteral("pilcd")));
    fatigue->button(2)->click();
    prompts.answerMessage(QMessageBox::Yes);
    prompts.answerChoice(QStringLiteral("继续该评估"));
    w->save();
    EXPECT_EQ(prompts.messages(),
              QStringList({"请确保各项调查值录入正确,确实要保存吗？", secondAssessmentQuestion(1),
                           "已调出评估编号 1,您录入的内容已带入,请核对后再保存。"}));
    EXPECT_EQ(w->rows().id(), 1);
    EXPECT_EQ(w->rows().mode(), domain::AssessmentMode::Stored);
    EXPECT_EQ(edit(*w, 4, "shuzy")->text(), "80");    // the operator's answer wins
    EXPECT_EQ(edit(*w, 4, "xuens")->text(), "380");   // theirs where nothing was typed
    EXPECT_EQ(edit(*w, 4, "kongfxt")->text(), "6.2"); // typed, not yet stored
    EXPECT_TRUE(w->hasChanges());
    EXPECT_DOUBLE_EQ(stored("jkpg_tgjc", "kongfxt").toDouble(), 5.0);

    prompts.clear();
    prompts.answerMessage(QMessageBox::Yes);
    prompts.answerMessage(QMessageBox::Ok);
    prompts.answerMessage(QMessageBox::No);
    w->save();
    EXPECT_EQ(prompts.messages(), QStringList({"请确保各项调查值录入正确,确实要保存吗？",
                                               "保存成功!", "是否进行数据分析及生成报告？"}));
    EXPECT_EQ(store::scalar(conn->db(), QStringLiteral("select count(*) from jkpg_id")).toInt(), 1);
    EXPECT_EQ(stored("jkpg_tgjc", "shuzy").toInt(), 80);
    EXPECT_EQ(stored("jkpg_tgjc", "xuens").toString(), "380");
    EXPECT_DOUBLE_EQ(stored("jkpg_tgjc", "kongfxt").toDouble(), 6.2);
    EXPECT_EQ(stored("jkpg_mqzk", "pilcd").toString(), "很疲劳");
}

// A and B hold the same assessment; B stores 舒张压 95 over 85, then A, who
// typed 空腹血糖 6.2, saves. Nothing of A's save is stored until A chooses: the
// question names B's change with both values; 重新载入 shows B's value with
// A's on top (stored by A's next save), 覆盖 stores A's values, 取消 nothing.
TEST_P(QuestionnaireTest, ASaveOverAChangeFromAnotherWorkstationAsksWhatToDo)
{
    const QString question =
        QStringLiteral("该记录已被其他工作站修改!本次未保存。\n\n其他工作站修改了：\n"
                       "  舒张压：其他工作站为“95”，本机为“85”\n\n"
                       "重新载入：调出其他工作站保存的内容,保留您录入的修改,核对后再保存\n"
                       "覆盖：用本机的内容覆盖其他工作站的修改\n取消：暂不保存,录入的内容保留");
    const QString reloaded =
        QStringLiteral("已载入其他工作站保存的内容,您录入的修改已保留,请核对后再保存。");
    struct Case
    {
        const char* answer;
        QStringList after; // the prompts after the question
        int storedPressure;
        double storedGlucose;
        const char* shownPressure;
    };
    const Case cases[] = {
        {"重新载入", {reloaded}, 95, 5.6, "95"},
        {"覆盖", {"保存成功!", "是否进行数据分析及生成报告？"}, 85, 6.2, "85"},
        {"取消", {}, 95, 5.6, "85"},
    };
    int person = 43;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        const QString number = QStringLiteral("00%1").arg(person++);
        store::run(conn->db(),
                   QStringLiteral("insert into jkpg_jbxx (bianh, xingm, xingb, nianl) "
                                  "values (:bh, '赵六', '女', 40)"),
                   {{QStringLiteral("bh"), number}});
        auto w = open(number);
        fillRequired(*w);
        edit(*w, 4, "shuzy")->setText(QStringLiteral("85"));
        edit(*w, 4, "kongfxt")->setText(QStringLiteral("5.6"));
        prompts.answerMessage(QMessageBox::Yes);
        prompts.answerMessage(QMessageBox::Ok);
        prompts.answerMessage(QMessageBox::No); // stay in the questionnaire
        w->save();
        const qint32 id = w->rows().id();
        ASSERT_EQ(stored("jkpg_tgjc", "shuzy", id).toInt(), 85);
        store::run(conn->db(),
                   QStringLiteral("update jkpg_tgjc set shuzy = 95, banb = banb + 1 "
                                  "where jkpg_id = :id"),
                   {{QStringLiteral("id"), id}});

        prompts.clear();
        edit(*w, 4, "kongfxt")->setText(QStringLiteral("6.2"));
        prompts.answerMessage(QMessageBox::Yes);
        prompts.answerChoice(QString::fromUtf8(c.answer));
        for (qsizetype i = 0; i < c.after.size(); ++i)
            prompts.answerMessage(QMessageBox::No); // no analysis now
        w->save();
        ASSERT_EQ(prompts.messages(),
                  QStringList({"请确保各项调查值录入正确,确实要保存吗？", question}) + c.after);
        EXPECT_EQ(prompts.records()[1].answers, QStringList({"重新载入", "覆盖", "取消"}));
        EXPECT_EQ(prompts.records()[1].defaultAnswer, 0);
        EXPECT_EQ(stored("jkpg_tgjc", "shuzy", id).toInt(), c.storedPressure);
        EXPECT_DOUBLE_EQ(stored("jkpg_tgjc", "kongfxt", id).toDouble(), c.storedGlucose);
        EXPECT_EQ(edit(*w, 4, "shuzy")->text(), QString::fromUtf8(c.shownPressure));
        EXPECT_EQ(edit(*w, 4, "kongfxt")->text(), "6.2");
        // A's 6.2 is neither stored nor dropped unasked.
        EXPECT_EQ(w->hasChanges(), c.storedGlucose != 6.2);
        if (c.after != QStringList{reloaded})
            continue;

        // Saved again, the reloaded assessment keeps both changes.
        prompts.clear();
        prompts.answerMessage(QMessageBox::Yes);
        prompts.answerMessage(QMessageBox::Ok);
        prompts.answerMessage(QMessageBox::No);
        w->save();
        EXPECT_EQ(prompts.messages().value(1), "保存成功!");
        EXPECT_EQ(stored("jkpg_tgjc", "shuzy", id).toInt(), 95);
        EXPECT_DOUBLE_EQ(stored("jkpg_tgjc", "kongfxt", id).toDouble(), 6.2);
    }
}

// With the database gone, Enter on a number says the link is lost, not that
// the person does not exist.
TEST_P(QuestionnaireTest, ALostLinkIsNoUnknownPerson)
{
    auto other = db.connect(QStringLiteral("other"));
    db.cut(*conn, *other);
    auto w = open(QStringLiteral("0042"));
    EXPECT_EQ(prompts.messages(), QStringList({"数据库连接中断,请稍后再试!"}));
    EXPECT_FALSE(w->personPanel()->isVisible());
    db.restore(*other);
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
    EXPECT_EQ(prompts.records()[0].caption, "出错提示");
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

// Another number typed over an assessment with changes asks first: 取消
// keeps the number and the answers, 否 drops them; a save then names what
// is missing.
TEST_P(QuestionnaireTest, EditingTheNumberOfAnOpenAssessmentAsks)
{
    auto w = open(QStringLiteral("0042"));
    fillRequired(*w);
    prompts.answerMessage(QMessageBox::Cancel);
    QTest::keyClick(w->recordNumberBox(), Qt::Key_Backspace);
    EXPECT_EQ(prompts.messages(), QStringList({"数据已修改，是否保存?"}));
    EXPECT_EQ(w->recordNumberBox()->text(), "0042");
    EXPECT_TRUE(w->personPanel()->isVisible());
    EXPECT_EQ(edit(*w, 4, "sheng")->text(), "1.75");
    EXPECT_EQ(w->rows().mode(), domain::AssessmentMode::New);

    prompts.clear();
    prompts.answerMessage(QMessageBox::No);
    QTest::keyClick(w->recordNumberBox(), Qt::Key_Backspace);
    EXPECT_EQ(prompts.messages(), QStringList({"数据已修改，是否保存?"}));
    EXPECT_FALSE(w->personPanel()->isVisible());
    EXPECT_EQ(session.assessmentMode, domain::AssessmentMode::None);
    EXPECT_EQ(edit(*w, 4, "sheng")->text(), "");

    prompts.clear();
    w->recordNumberBox()->clear();
    w->save();
    EXPECT_EQ(prompts.messages(), QStringList({"请先输入编号并回车,再保存调查信息!"}));
    EXPECT_EQ(store::scalar(conn->db(), QStringLiteral("select count(*) from jkpg_id")).toInt(), 0);
}

// However the window is closed holding answers not stored, it asks
// "数据已修改，是否保存?" with 是/否/取消, 取消 the default: 取消 keeps the
// window open with them, 否 closes without them, 是 stores them first.
TEST_P(QuestionnaireTest, ClosingWithChangesAsks)
{
    const struct
    {
        const char* what;
        QMessageBox::StandardButton answer;
        bool escape; // else the 关闭 button
        bool staysOpen;
        int stored;
    } cases[] = {{"取消 on Escape", QMessageBox::Cancel, true, true, 0},
                 {"否 on 关闭", QMessageBox::No, false, false, 0},
                 {"取消 on 关闭", QMessageBox::Cancel, false, true, 0},
                 {"是 on Escape", QMessageBox::Yes, true, false, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto w = open(QStringLiteral("0042"));
        fillRequired(*w);
        prompts.clear();
        prompts.answerMessage(c.answer);
        if (c.escape)
            QTest::keyClick(edit(*w, 4, "sheng"), Qt::Key_Escape);
        else
            w->findChild<QPushButton*>(QStringLiteral("Myspb_gb"))->click();
        ASSERT_FALSE(prompts.records().empty());
        const auto& asked = prompts.records()[0];
        EXPECT_EQ(asked.text, "数据已修改，是否保存?");
        EXPECT_EQ(asked.caption, "提示信息");
        EXPECT_EQ(asked.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        EXPECT_EQ(asked.defaultButton, QMessageBox::Cancel);
        EXPECT_EQ(w->isVisible(), c.staysOpen);
        EXPECT_EQ(store::scalar(conn->db(), QStringLiteral("select count(*) from jkpg_id")).toInt(),
                  c.stored);
    }
    EXPECT_DOUBLE_EQ(stored("jkpg_tgjc", "sheng").toDouble(), 1.75);
    EXPECT_EQ(prompts.messages(), QStringList({"数据已修改，是否保存?", "保存成功!"}));

    // The stored assessment reopened and left as it was closes without a question.
    auto w = open(QStringLiteral("0042"));
    EXPECT_EQ(edit(*w, 4, "sheng")->text(), "1.75");
    prompts.clear();
    w->close();
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(prompts.messages().isEmpty());
}

// Answers ticked and typed before the record number belong to the
// assessment the number then opens.
TEST_P(QuestionnaireTest, AnswersTypedBeforeTheNumberAreKept)
{
    QuestionnaireWindow w(*context);
    w.show();
    auto* fatigue = qobject_cast<ui::OptionGroup*>(w.form(0).control(QStringLiteral("pilcd")));
    fatigue->button(1)->click();
    fillRequired(w);
    QTest::keyClicks(w.recordNumberBox(), QStringLiteral("0042"));
    QTest::keyClick(w.recordNumberBox(), Qt::Key_Return);
    EXPECT_EQ(w.rows().mode(), domain::AssessmentMode::New);
    EXPECT_EQ(fatigue->value(), "稍微疲劳");
    EXPECT_EQ(edit(w, 4, "sheng")->text(), "1.75");
    EXPECT_TRUE(w.hasChanges());
    prompts.answerMessage(QMessageBox::Yes);
    prompts.answerMessage(QMessageBox::Ok);
    prompts.answerMessage(QMessageBox::No);
    w.save();
    EXPECT_EQ(stored("jkpg_mqzk", "pilcd").toString(), "稍微疲劳");
    EXPECT_DOUBLE_EQ(stored("jkpg_tgjc", "sheng").toDouble(), 1.75);
    EXPECT_FALSE(w.hasChanges());
}

// Each number of the questionnaire takes plausible values only: the first
// implausible one is named with its range, the focus goes there and
// nothing is stored.
TEST_P(QuestionnaireTest, ImplausibleValuesAreRefusedNamingFieldAndRange)
{
    const struct
    {
        int page;
        const char* column;
        const char* typed;
        const char* message;
    } cases[] = {
        {4, "sheng", "9", "“身高”必须是0.5到2.5之间的数(最多2位小数): 9"},
        {4, "sheng", "1.755", "“身高”必须是0.5到2.5之间的数(最多2位小数): 1.755"},
        {4, "tiz", "1e308", "“体重”必须是2到300之间的数(最多1位小数): 1e308"},
        {4, "tiz", "100000", "“体重”必须是2到300之间的数(最多1位小数): 100000"},
        {4, "shuzy", "-10", "“舒张压”必须是20到200之间的整数: -10"},
        {4, "shousy", "-500", "“收缩压”必须是50到300之间的整数: -500"},
        {4, "yaow", "8", "“腰围”必须是30到250之间的数(最多1位小数): 8"},
        {4, "kongfxt", "500", "“空腹血糖”必须是1到40之间的数(最多2位小数): 500"},
        {4, "shuzy", "150", "收缩压必须高于舒张压!"},
        {2, "meizgzts", "abc", "“1.您平均每周工作多少天？”不是有效的数字: abc"},
        {2, "meizgzts", "8", "“1.您平均每周工作多少天？”必须是0到7之间的整数: 8"},
    };
    auto w = open(QStringLiteral("0042"));
    QApplication::setActiveWindow(w.get());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        fillRequired(*w);
        edit(*w, 2, "meizgzts")->clear();
        edit(*w, c.page, c.column)->setText(QString::fromUtf8(c.typed));
        w->showSection(0);
        prompts.clear();
        w->save();
        EXPECT_EQ(prompts.messages(), QStringList({QString::fromUtf8(c.message)}));
        EXPECT_EQ(w->currentSection(), c.page);
        EXPECT_TRUE(edit(*w, c.page, c.column)->hasFocus());
    }
    EXPECT_EQ(store::scalar(conn->db(), QStringLiteral("select count(*) from jkpg_id")).toInt(), 0);

    // Measured decimals are taken: 72.5 kg, and five working days stored as text.
    fillRequired(*w);
    edit(*w, 4, "tiz")->setText(QStringLiteral("72.5"));
    edit(*w, 2, "meizgzts")->setText(QStringLiteral("5"));
    prompts.clear();
    prompts.answerMessage(QMessageBox::Yes);
    prompts.answerMessage(QMessageBox::Ok);
    prompts.answerMessage(QMessageBox::No);
    w->save();
    EXPECT_DOUBLE_EQ(stored("jkpg_tgjc", "tiz").toDouble(), 72.5);
    EXPECT_DOUBLE_EQ(stored("jkpg_tgjc", "tizzs").toDouble(), 23.67);
    EXPECT_EQ(stored("jkpg_ydfs", "meizgzts").toString(), "5");
}

// The live index shows only for two plausible numbers: "8o" is no weight.
TEST_P(QuestionnaireTest, LiveBodyMassIndexNeedsTwoValidValues)
{
    auto w = open(QStringLiteral("0042"));
    QLineEdit* height = edit(*w, 4, "sheng");
    QLineEdit* weight = edit(*w, 4, "tiz");
    QLineEdit* index = edit(*w, 4, "tizzs");
    const struct
    {
        const char* height;
        const char* weight;
        const char* shown;
    } cases[] = {{"1.75", "72.5", "23.67"}, {"1.75", "8o", ""},   {"1.75", "", ""},
                 {"9", "70", ""},           {"1.7a", "70", ""},   {"1.75", "70", "22.86"},
                 {"0", "70", ""},           {"1.75", "1e308", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.height) + " m, " + c.weight + " kg");
        height->clear();
        weight->clear();
        QTest::keyClicks(height, QString::fromLatin1(c.height));
        QTest::keyClicks(weight, QString::fromLatin1(c.weight));
        EXPECT_EQ(index->text(), QString::fromLatin1(c.shown));
    }
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
    EXPECT_EQ(prompts.records()[0].defaultButton, QMessageBox::No);
    EXPECT_EQ(edit(*w, 4, "sheng")->text(), "");
    EXPECT_DOUBLE_EQ(stored("jkpg_tgjc", "sheng").toDouble(), 1.75); // until saved

    // The end names the assessment and answers 否 on Enter; the emptied page
    // was not typed into, so nothing is asked about it.
    prompts.clear();
    prompts.answerMessage(QMessageBox::Yes);
    w->endAssessment();
    EXPECT_EQ(prompts.messages(),
              QStringList({"用户评估结束后,其该次评估资料将不能修改,确实要结束吗？\n(编号0042,"
                           "评估号1)",
                           "用户该次评估已结束!"}));
    EXPECT_EQ(prompts.records()[0].defaultButton, QMessageBox::No);
    EXPECT_EQ(stored("jkpg_id", "zhuangt").toString(), "结束");
    EXPECT_DOUBLE_EQ(stored("jkpg_tgjc", "sheng").toDouble(), 1.75);
}

TEST_P(QuestionnaireTest, UnknownNumberAndTheHandOverFromTheRecords)
{
    auto w = open(QStringLiteral("0043"));
    EXPECT_EQ(prompts.messages(), QStringList({"该卡号不存在,请先建档!"}));
    EXPECT_EQ(prompts.records()[0].caption, "提示信息");
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

#include "domain/Operators.h"
#include "domain/SessionState.h"
#include "sheets/SheetReader.h"
#include "store/Sql.h"
#include "support/TestDatabase.h"
#include "ui/BookExport.h"
#include "ui/FlatButton.h"
#include "ui/PromptService.h"
#include "windows/query/QueryWindow.h"
#include "windows/query/SearchModel.h"
#include "windows/questionnaire/QuestionnaireWindow.h"
#include "windows/records/RenumberDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace hra;
using query::QueryWindow;

namespace {

struct HandOver
{
    QString kind;
    QString recordNumber;
    qint32 id = 0;
    QString state;
};

class QueryWindowTest : public ::testing::TestWithParam<store::Driver>
{
protected:
    void SetUp() override
    {
        HRA_REQUIRE_BACKEND(db);
        conn = db.connectInitialised();
        ASSERT_TRUE(conn);
        session.currentOperatorCode = QStringLiteral("op01");
        addPerson("0000000021", "赵六", "男", 40);
        addPerson("0000000022", "钱七", "女", 33);
        addAssessment(201, "0000000021", "结束");
        addAssessment(202, "0000000021", "评估");
        addAssessment(203, "0000000022", "结束");
        context.emplace(query::Context{*conn, session, prompts, hook("data"), hook("report"),
                                       [this](const QString& bh) { modified << bh; }});
        window = std::make_unique<QueryWindow>(*context);
        window->show();
    }

    query::Context::AssessmentHandOver hook(const QString& kind)
    {
        return [this, kind](const QString& bh, qint32 id, const QString& state) {
            handOvers.push_back({kind, bh, id, state});
        };
    }

    void addPerson(const char* number, const char* name, const char* sex, int age)
    {
        store::run(
            conn->db(),
            QStringLiteral(
                "insert into jkpg_jbxx (bianh, xingm, xingb, nianl) values (:bh, :xm, :xb, :nl)"),
            {{"bh", QString::fromUtf8(number)},
             {"xm", QString::fromUtf8(name)},
             {"xb", QString::fromUtf8(sex)},
             {"nl", age}});
    }

    // An assessment with a row in each section table.
    void addAssessment(qint32 id, const char* number, const char* state)
    {
        const Bindings values{{"id", id}, {"bh", QString::fromUtf8(number)}};
        store::run(
            conn->db(),
            QStringLiteral(
                "insert into jkpg_id (jkpg_id, bianh, zhuangt, lurrq) values (:id, :bh, :st, :t)"),
            {{"id", id},
             {"bh", QString::fromUtf8(number)},
             {"st", QString::fromUtf8(state)},
             {"t", QDateTime::currentDateTime()}});
        for (const char* table : {"jkpg_mqzk", "jkpg_ssyy", "jkpg_ydfs", "jkpg_shfs", "jkpg_tgjc"})
            store::run(conn->db(),
                       QStringLiteral("insert into %1 (jkpg_id, bianh) values (:id, :bh)")
                           .arg(QLatin1String(table)),
                       values);
    }

    int rowsOf(qint32 id) const
    {
        int n = 0;
        for (const char* table :
             {"jkpg_id", "jkpg_mqzk", "jkpg_ssyy", "jkpg_ydfs", "jkpg_shfs", "jkpg_tgjc"})
            n += store::scalar(conn->db(),
                               QStringLiteral("select count(*) from %1 where jkpg_id = :id")
                                   .arg(QLatin1String(table)),
                               {{"id", id}})
                     .toInt();
        return n;
    }

    QStringList shownNumbers() const
    {
        QStringList out;
        for (int i = 0; i < window->model()->rowCount(); ++i)
            out << QString::number(window->model()->row(i)->id);
        return out;
    }

    void select(int row) { window->grid()->selectRow(row); }

    // Answers the prompt (TFrm_xxcxts) as soon as it shows.
    void answerPrompt(bool report, bool confirm)
    {
        QTimer::singleShot(0, [this, report, confirm] {
            QTRY_VERIFY(window->prompt() != nullptr);
            query::QueryPrompt* p = window->prompt();
            EXPECT_TRUE(p->enteredDataOption()->isChecked()); // chosen at first
            if (report)
                p->reportOption()->setChecked(true);
            confirm ? p->accept() : p->reject();
        });
    }

    using Bindings = store::Bindings;
    test::TestDatabase db{GetParam()};
    std::unique_ptr<store::Connection> conn;
    domain::SessionState session;
    ui::ScriptedPromptService prompts;
    std::optional<query::Context> context;
    std::unique_ptr<QueryWindow> window;
    std::vector<HandOver> handOvers;
    QStringList modified;
};

TEST_P(QueryWindowTest, ShowingStartsOnTheCriteriaWithTodaysDates)
{
    EXPECT_EQ(window->pages()->currentIndex(), 0);
    EXPECT_EQ(window->dateFromBox()->date(), QDate::currentDate());
    EXPECT_EQ(window->dateToBox()->date(), QDate::currentDate());
    EXPECT_FALSE(window->model()->isOpen());
    // Before a search the actions say what they lack and do nothing.
    window->deleteAssessment();
    window->modifyPerson();
    window->openPrompt();
    EXPECT_EQ(prompts.messages(), QStringList(3, QStringLiteral("请先查询并选中一条评估记录!")));
    EXPECT_TRUE(modified.isEmpty());
}

TEST_P(QueryWindowTest, EnterSearchesAndShowsTheResultsNewestFirst)
{
    QTest::keyClick(window->nameBox(), Qt::Key_Return);
    EXPECT_EQ(window->pages()->currentIndex(), 1);
    EXPECT_EQ(shownNumbers(), (QStringList{"203", "202", "201"}));

    window->pages()->setCurrentIndex(0);
    window->recordNumberBox()->setText(QStringLiteral("0000000022"));
    QTest::keyClick(window->recordNumberBox(), Qt::Key_Return);
    EXPECT_EQ(shownNumbers(), QStringList{"203"});
    EXPECT_EQ(window->model()->data(window->model()->index(0, 1), Qt::DisplayRole).toString(),
              QStringLiteral("钱七"));
}

// "导出Excel" writes every row of the search shown, under the grid's
// captions, to the file chosen.
TEST_P(QueryWindowTest, ExportWritesTheSearchShownToExcel)
{
    auto* excel = window->findChild<QPushButton*>(QStringLiteral("ExportExcel"));
    ASSERT_TRUE(excel);
    QTemporaryDir dir;
    const QString book = dir.filePath(QStringLiteral("查询.xlsx"));
    prompts.answerFile(book);
    excel->click(); // nothing searched yet
    EXPECT_EQ(prompts.messages(), QStringList{"请先查询,再导出查询结果!"});
    EXPECT_FALSE(QFile::exists(book));

    window->nameBox()->setText(QStringLiteral("赵"));
    window->search();
    prompts.clear();
    excel->click();
    EXPECT_EQ(prompts.messages(), QStringList{ui::kBookWritten.arg(2).arg(book)});
    QList<QStringList> rows;
    for (const sheets::Row& r : sheets::readSheet(book).rows)
        rows << (QStringList(r.cells.mid(0, 4)) << r.cells.value(5));
    QStringList captions;
    for (int c = 0; c < window->model()->columnCount(); ++c)
        captions << window->model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    EXPECT_EQ(sheets::readSheet(book).rows.at(0).cells, captions);
    EXPECT_EQ(rows, (QList<QStringList>{{"编号", "姓名", "性别", "状态", "年龄"},
                                        {"0000000021", "赵六", "男", "评估", "40"},
                                        {"0000000021", "赵六", "男", "结束", "40"}}));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"查询.xlsx"});
}

TEST_P(QueryWindowTest, AgesThatAreNotNumbersAreRefusedAndEmptied)
{
    window->ageFromBox()->setText(QStringLiteral("2a"));
    window->ageToBox()->setText(QStringLiteral("30"));
    window->search();
    ASSERT_EQ(prompts.records().size(), 1u);
    EXPECT_EQ(prompts.records()[0].text, QStringLiteral("录入内容不合法!"));
    EXPECT_EQ(prompts.records()[0].caption, QStringLiteral("错误提示"));
    EXPECT_EQ(prompts.records()[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(window->ageFromBox()->text().isEmpty());
    EXPECT_TRUE(window->ageToBox()->text().isEmpty());
    EXPECT_EQ(window->pages()->currentIndex(), 0);
    EXPECT_FALSE(window->model()->isOpen());
    EXPECT_EQ(window->focusWidget(), window->ageFromBox());
}

TEST_P(QueryWindowTest, ClearingEmptiesTheCriteriaButKeepsTheDates)
{
    window->recordNumberBox()->setText(QStringLiteral("1"));
    window->nameBox()->setText(QStringLiteral("x"));
    window->sexBox()->setEditText(QStringLiteral("女"));
    window->ageFromBox()->setText(QStringLiteral("1"));
    window->ageToBox()->setText(QStringLiteral("2"));
    window->useDatesBox()->setChecked(true);
    window->dateFromBox()->setDate(QDate(2020, 1, 2));
    window->findChild<QPushButton*>(QStringLiteral("Myspeedbutton3"))->click();
    for (QLineEdit* box :
         {window->recordNumberBox(), window->nameBox(), window->ageFromBox(), window->ageToBox()})
        EXPECT_TRUE(box->text().isEmpty());
    EXPECT_TRUE(window->sexBox()->currentText().isEmpty());
    EXPECT_FALSE(window->useDatesBox()->isChecked());
    EXPECT_EQ(window->dateFromBox()->date(), QDate(2020, 1, 2));
    window->search();
    EXPECT_EQ(shownNumbers().size(), 3);
}

// A date range given the wrong way round is turned round, and the operator told.
TEST_P(QueryWindowTest, AReversedDateRangeIsSwappedWithAMessage)
{
    const QDate today = QDate::currentDate();
    window->useDatesBox()->setChecked(true);
    window->dateFromBox()->setDate(today);
    window->dateToBox()->setDate(today.addDays(-3));
    window->search();
    EXPECT_EQ(prompts.messages(), QStringList({"开始日期晚于结束日期,已将两个日期交换!"}));
    EXPECT_EQ(window->dateFromBox()->date(), today.addDays(-3));
    EXPECT_EQ(window->dateToBox()->date(), today);
    EXPECT_EQ(shownNumbers(), (QStringList{"203", "202", "201"}));
}

TEST_P(QueryWindowTest, DeleteRemovesTheAssessmentAndSearchesAgain)
{
    window->search();
    select(1); // 202
    prompts.answerMessage(QMessageBox::No);
    window->deleteAssessment();
    EXPECT_EQ(rowsOf(202), 6);

    // The question names what goes, and Enter answers 否.
    const QString question =
        QStringLiteral("确实要删除该评估记录吗？\n\n编号：0000000021    姓名：赵六\n评估号：202    "
                       "评估日期：%1")
            .arg(window->model()->row(1)->date.toString(QStringLiteral("yyyy-MM-dd hh:mm")));
    EXPECT_EQ(prompts.records()[0].text, question);
    EXPECT_EQ(prompts.records()[0].defaultButton, QMessageBox::No);
    prompts.clear();
    prompts.answerMessage(QMessageBox::Yes);
    window->deleteAssessment();
    EXPECT_EQ(prompts.messages(), (QStringList{question, "删除成功!"}));
    EXPECT_EQ(rowsOf(202), 0);
    EXPECT_EQ(rowsOf(201), 6);
    EXPECT_EQ(store::scalar(conn->db(), QStringLiteral("select count(*) from jkpg_jbxx")).toInt(),
              2);
    EXPECT_EQ(shownNumbers(), (QStringList{"203", "201"}));
    EXPECT_EQ(window->pages()->currentIndex(), 1);
}

TEST_P(QueryWindowTest, AFailedDeleteKeepsEverythingAndSaysSo)
{
    window->search();
    select(0); // 203
    store::execute(conn->db(), QStringLiteral("drop table jkpg_shfs"));
    window->deleteAssessment();
    EXPECT_EQ(prompts.messages().last(), QStringLiteral("删除不成功!"));
    EXPECT_EQ(prompts.records().back().icon, QMessageBox::Critical);
    EXPECT_EQ(store::scalar(conn->db(),
                            QStringLiteral("select count(*) from jkpg_mqzk where jkpg_id = 203"))
                  .toInt(),
              1);
    EXPECT_EQ(shownNumbers(), (QStringList{"203", "202", "201"}));
}

TEST_P(QueryWindowTest, ThePromptHandsTheSelectedAssessmentOver)
{
    struct Case
    {
        bool report;
        bool confirm;
        const char* kind; // nullptr: nothing handed over
    };
    for (const Case c :
         {Case{false, true, "data"}, Case{true, true, "report"}, Case{true, false, nullptr}}) {
        SCOPED_TRACE(c.report ? "report" : "data");
        handOvers.clear();
        window = std::make_unique<QueryWindow>(*context);
        window->show();
        window->search();
        select(2); // 201
        answerPrompt(c.report, c.confirm);
        QTest::keyClick(window->grid(), Qt::Key_Return);
        if (!c.kind) {
            EXPECT_TRUE(handOvers.empty());
            EXPECT_TRUE(window->isVisible()); // closing the prompt leaves the window
            continue;
        }
        ASSERT_EQ(handOvers.size(), 1u);
        EXPECT_EQ(handOvers[0].kind, QString::fromUtf8(c.kind));
        EXPECT_EQ(handOvers[0].recordNumber, QStringLiteral("0000000021"));
        EXPECT_EQ(handOvers[0].id, 201);
        EXPECT_EQ(handOvers[0].state, QStringLiteral("结束"));
        EXPECT_FALSE(window->isVisible());
    }
}

TEST_P(QueryWindowTest, EnteredDataOpensReadOnlyExceptForTheManager)
{
    for (const char* code : {"op01", "rootadm"}) {
        SCOPED_TRACE(code);
        session.currentOperatorCode = QString::fromUtf8(code);
        questionnaire::Context qc{*conn, session, prompts, {}};
        questionnaire::QuestionnaireWindow questionnaire(qc);
        questionnaire.show();
        // The hand-over the main window makes.
        context->openEnteredData = [&questionnaire](const QString& bh, qint32 id,
                                                    const QString& state) {
            questionnaire.openAssessment(bh, id, state);
        };
        window = std::make_unique<QueryWindow>(*context);
        window->show();
        window->search();
        select(1); // 202, in progress
        answerPrompt(false, true);
        window->openPrompt();
        EXPECT_EQ(questionnaire.rows().id(), 202);
        EXPECT_EQ(questionnaire.recordNumberBox()->text(), QStringLiteral("0000000021"));
        EXPECT_EQ(questionnaire.saveButton()->isEnabled(),
                  domain::isManager(session.currentOperatorCode));
        EXPECT_TRUE(questionnaire.endButton()->isEnabled());
    }
}

TEST_P(QueryWindowTest, ModifyPersonHandsTheNumberOverAndCloses)
{
    window->search();
    select(0);
    window->findChild<QPushButton*>(QStringLiteral("Myspeedbutton4"))->click();
    EXPECT_EQ(modified, QStringList{"0000000022"});
    EXPECT_FALSE(window->isVisible());
}

TEST_P(QueryWindowTest, RenumberShowsTheNewNumberAfterwards)
{
    window->search();
    select(0); // 0000000022
    QTimer::singleShot(0, [] {
        QTRY_VERIFY(qobject_cast<records::RenumberDialog*>(QApplication::activeModalWidget()));
        auto* dialog = qobject_cast<records::RenumberDialog*>(QApplication::activeModalWidget());
        dialog->newNumberBox()->setText(QStringLiteral("0000000099"));
        dialog->confirm();
    });
    window->renumber();
    EXPECT_EQ(window->model()->row(0)->recordNumber, QStringLiteral("0000000099"));
    EXPECT_EQ(window->model()->row(0)->id, 203);
}

TEST_P(QueryWindowTest, TheGridReadsFurtherPagesAsItScrolls)
{
    for (int i = 0; i < query::SearchModel::kPageSize + 5; ++i)
        store::run(
            conn->db(),
            QStringLiteral(
                "insert into jkpg_id (jkpg_id, bianh, zhuangt) values (:id, '0000000022', '结束')"),
            {{"id", 1000 + i}});
    window->search();
    EXPECT_EQ(window->model()->rowCount(), query::SearchModel::kPageSize);
    EXPECT_TRUE(window->model()->canFetchMore({}));
    window->model()->fetchMore({});
    EXPECT_EQ(window->model()->rowCount(), query::SearchModel::kPageSize + 8);
    EXPECT_FALSE(window->model()->canFetchMore({}));
    EXPECT_EQ(window->model()->row(0)->id, 1000 + query::SearchModel::kPageSize + 4);
    EXPECT_EQ(window->model()->row(window->model()->rowCount() - 1)->id, 201);
}

INSTANTIATE_TEST_SUITE_P(Backends, QueryWindowTest, ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });

} // namespace

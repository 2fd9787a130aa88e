// The information query inside the real main window, with the windows of the
// areas plugged in as the program does.
#include "domain/Operators.h"
#include "store/Sql.h"
#include "support/GuiWait.h"
#include "support/NoDesktop.h"
#include "support/TestDatabase.h"
#include "ui/FlatButton.h"
#include "ui/Form.h"
#include "ui/PromptService.h"
#include "windows/areas/AreaWindows.h"
#include "windows/query/QueryWindow.h"
#include "windows/questionnaire/QuestionnaireWindow.h"
#include "windows/records/GroupImportWindow.h"
#include "windows/records/ModifyRecordWindow.h"
#include "windows/report/BatchReportWindow.h"
#include "windows/shell/AppContext.h"
#include "windows/shell/MainWindow.h"
#include "windows/shell/WindowRegistry.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>
#include <gtest/gtest.h>

using namespace hra;
using test::NoDesktop;
using test::waitUntil;

namespace {

class AreaWindowsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        context.connection = db.connectInitialised(QStringLiteral("hra"), true);
        ASSERT_TRUE(context.connection);
        app::registerShellWindows(registry);
    }

    void openMainWindow(const QString& operatorCode)
    {
        context.session.currentOperatorCode = operatorCode;
        // The areas keep the main window they first served, as in the
        // program, where there is one: a new main window gets new areas.
        window.reset();
        areas.reset();
        areas.emplace(context, registry);
        window = std::make_unique<app::MainWindow>(context, registry);
        window->resize(1200, 800);
        window->show();
    }

    // Opens "信息查询", searches one person and runs `act` on the window.
    void inQuery(const QString& recordNumber, std::function<void(query::QueryWindow&)> act)
    {
        QTimer::singleShot(0, [recordNumber, act] {
            ASSERT_TRUE(waitUntil([] {
                return qobject_cast<query::QueryWindow*>(QApplication::activeModalWidget());
            }));
            auto* q = qobject_cast<query::QueryWindow*>(QApplication::activeModalWidget());
            q->recordNumberBox()->setText(recordNumber);
            q->search();
            q->grid()->selectRow(0);
            act(*q);
        });
        window->openQuery();
    }

    test::TestDatabase db{store::Driver::Sqlite};
    ui::ScriptedPromptService prompts;
    NoDesktop desktop;
    app::AppContext context{prompts, desktop, QString()};
    app::WindowRegistry registry;
    std::optional<app::AreaWindows> areas;
    std::unique_ptr<app::MainWindow> window;
};

TEST_F(AreaWindowsTest, EnteredDataOpensInTheQuestionnaireSavingOnlyForTheManager)
{
    for (const QString& code : {QStringLiteral("op01"), domain::kManagerCode}) {
        SCOPED_TRACE(code.toStdString());
        openMainWindow(code);
        inQuery(QStringLiteral("0000000001"), [](query::QueryWindow& q) {
            QTimer::singleShot(0, [&q] {
                ASSERT_TRUE(waitUntil([&q] { return q.prompt() != nullptr; }));
                q.prompt()->accept(); // "查看录入数据信息" is chosen at first
            });
            q.openPrompt();
        });
        EXPECT_EQ(window->window(app::kinds::query), nullptr); // the query closed
        auto* questionnaire = dynamic_cast<questionnaire::QuestionnaireWindow*>(
            window->window(app::kinds::questionnaire));
        ASSERT_TRUE(questionnaire);
        EXPECT_EQ(questionnaire->rows().id(), 5); // the newest of the person's two
        EXPECT_EQ(questionnaire->recordNumberBox()->text(), QStringLiteral("0000000001"));
        EXPECT_EQ(questionnaire->saveButton()->isEnabled(), domain::isManager(code));
        window->close();
    }
}

TEST_F(AreaWindowsTest, BasicInformationOpensThePersonForModification)
{
    openMainWindow(QStringLiteral("op01"));
    inQuery(QStringLiteral("0000000002"), [](query::QueryWindow& q) {
        q.findChild<QPushButton*>(QStringLiteral("Myspeedbutton4"))->click();
    });
    auto* modify =
        dynamic_cast<records::ModifyRecordWindow*>(window->window(app::kinds::modifyRecord));
    ASSERT_TRUE(modify);
    EXPECT_EQ(modify->lookupBox()->text(), QStringLiteral("0000000002"));
    EXPECT_EQ(window->window(app::kinds::query), nullptr);
}

TEST_F(AreaWindowsTest, AGroupsNewAssessmentsGoToTheBatchReport)
{
    openMainWindow(QStringLiteral("op01"));
    auto* import = qobject_cast<records::GroupImportWindow*>(window->open(app::kinds::groupImport));
    ASSERT_TRUE(import);
    QList<std::pair<QString, qint32>> listed;
    QTimer::singleShot(0, [&listed] {
        ASSERT_TRUE(waitUntil([] {
            return qobject_cast<report::BatchReportWindow*>(QApplication::activeModalWidget());
        }));
        auto* batch = qobject_cast<report::BatchReportWindow*>(QApplication::activeModalWidget());
        for (const report::BatchItem& item : batch->items())
            listed.append({item.record, item.assessment});
        batch->close();
    });
    emit import->reportsRequested({5, 2});
    EXPECT_EQ(listed, (QList<std::pair<QString, qint32>>{{QStringLiteral("0000000001"), 5},
                                                         {QStringLiteral("0000000002"), 2}}));
    EXPECT_EQ(window->window(app::kinds::batchReports), nullptr);
}

// The database goes away under the program (on PostgreSQL the session is
// ended and no new one accepted, on SQLite the file is gone) while an
// interview is typed: the save says so and keeps every answer, the status bar
// shows the link lost and back, and the same save then stores everything.
class OutageTest : public ::testing::TestWithParam<store::Driver>
{
protected:
    void SetUp() override
    {
        HRA_REQUIRE_BACKEND(db);
        context.connection = db.connectInitialised(QStringLiteral("hra"), true);
        ASSERT_TRUE(context.connection);
        other = db.connect(QStringLiteral("other"));
        app::registerShellWindows(registry);
        context.session.currentOperatorCode = QStringLiteral("op01");
        areas.emplace(context, registry);
        window = std::make_unique<app::MainWindow>(context, registry);
        window->resize(1200, 800);
        window->show();
    }

    void TearDown() override
    {
        if (window)
            window->close();
    }

    QString connectionState() const
    {
        return window->findChild<QLabel*>(QStringLiteral("ConnectionState"))->text();
    }

    test::TestDatabase db{GetParam()};
    std::unique_ptr<store::Connection> other;
    ui::ScriptedPromptService prompts;
    NoDesktop desktop;
    app::AppContext context{prompts, desktop, QString()};
    app::WindowRegistry registry;
    std::optional<app::AreaWindows> areas;
    std::unique_ptr<app::MainWindow> window;
};

TEST_P(OutageTest, ASaveDuringAnOutageKeepsTheAnswersAndTheRetryStoresThem)
{
    store::run(context.connection->db(),
               QStringLiteral("insert into jkpg_jbxx (bianh, xingm, xingb, nianl) "
                              "values ('0042', '王五', '男', 50)"));
    window->openQuestionnaire();
    auto* q = dynamic_cast<questionnaire::QuestionnaireWindow*>(
        window->window(app::kinds::questionnaire));
    ASSERT_TRUE(q);
    q->recordNumberBox()->setText(QStringLiteral("0042"));
    q->lookUp();
    ASSERT_EQ(q->rows().mode(), domain::AssessmentMode::New);
    const std::pair<const char*, const char*> answers[] = {
        {"sheng", "1.75"}, {"tiz", "70"},      {"yaow", "80"},
        {"shousy", "120"}, {"shuzy", "80"},    {"zongdgc", "4.5"},
        {"ganysz", "1.2"}, {"kongfxt", "5.0"}, {"canhexsxt", "6.0"}};
    auto edit = [q](int page, const char* column) {
        return qobject_cast<QLineEdit*>(q->form(page).control(QString::fromLatin1(column)));
    };
    for (const auto& [column, value] : answers)
        edit(4, column)->setText(QString::fromLatin1(value));
    qobject_cast<QCheckBox*>(q->form(0).control(QStringLiteral("qit")))->setChecked(true);
    edit(0, "qitnr")->setText(QStringLiteral("痛风"));
    EXPECT_EQ(connectionState(), "数据库连接正常");

    db.cut(*context.connection, *other);
    prompts.clear();
    q->save();
    EXPECT_EQ(
        prompts.messages(),
        QStringList({"数据库连接中断,保存不成功!\n\n录入的内容都已保留,数据库恢复后请再保存。"}));
    EXPECT_EQ(prompts.records().back().icon, QMessageBox::Critical);
    for (const auto& [column, value] : answers)
        EXPECT_EQ(edit(4, column)->text(), QString::fromLatin1(value)) << column;
    EXPECT_EQ(edit(0, "qitnr")->text(), "痛风");
    EXPECT_EQ(q->rows().mode(), domain::AssessmentMode::New);
    window->showConnectionState();
    EXPECT_EQ(connectionState(), "数据库连接中断");

    db.restore(*other);
    EXPECT_TRUE(test::waitUntil([this] {
        window->showConnectionState();
        return connectionState() == QStringLiteral("数据库连接正常");
    }));
    prompts.clear();
    prompts.answerMessage(QMessageBox::Yes);
    prompts.answerMessage(QMessageBox::Ok);
    prompts.answerMessage(QMessageBox::No); // no analysis now
    q->save();
    EXPECT_EQ(prompts.messages(), QStringList({"请确保各项调查值录入正确,确实要保存吗？",
                                               "保存成功!", "是否进行数据分析及生成报告？"}));
    const qint32 id = q->rows().id();
    for (const QString table :
         {"jkpg_id", "jkpg_mqzk", "jkpg_ssyy", "jkpg_ydfs", "jkpg_shfs", "jkpg_tgjc"})
        EXPECT_EQ(
            store::scalar(other->db(),
                          QStringLiteral("select count(*) from %1 where jkpg_id = :id").arg(table),
                          {{QStringLiteral("id"), id}})
                .toInt(),
            1)
            << table.toStdString();
    EXPECT_EQ(store::scalar(other->db(),
                            QStringLiteral("select qitnr from jkpg_mqzk where jkpg_id = :id"),
                            {{QStringLiteral("id"), id}})
                  .toString(),
              "痛风");
    EXPECT_DOUBLE_EQ(
        store::scalar(other->db(),
                      QStringLiteral("select shuzy from jkpg_tgjc where jkpg_id = :id"),
                      {{QStringLiteral("id"), id}})
            .toDouble(),
        80);
}

INSTANTIATE_TEST_SUITE_P(Backends, OutageTest, ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });

} // namespace

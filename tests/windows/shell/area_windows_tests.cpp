// The information query inside the real main window, with the windows of the
// areas plugged in as the program does.
#include "domain/Operators.h"
#include "support/GuiWait.h"
#include "support/NoDesktop.h"
#include "support/TestDatabase.h"
#include "ui/FlatButton.h"
#include "ui/PromptService.h"
#include "windows/areas/AreaWindows.h"
#include "windows/query/QueryWindow.h"
#include "windows/questionnaire/QuestionnaireWindow.h"
#include "windows/records/ModifyRecordWindow.h"
#include "windows/shell/AppContext.h"
#include "windows/shell/MainWindow.h"
#include "windows/shell/WindowRegistry.h"

#include <QApplication>
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

} // namespace

// Saves the pictures of the user guide that belong to backups, the operation
// log and the blank questionnaire: operations-screenshots <output folder>.
// Run under xvfb-run.
#include "domain/Audit.h"
#include "paper/PaperQuestionnaire.h"
#include "reportengine/Export.h"
#include "reportengine/Report.h"
#include "support/TestDatabase.h"
#include "ui/ProgramLook.h"
#include "ui/PromptService.h"
#include "windows/backup/BackupWindow.h"
#include "windows/backup/ManagerLogIn.h"
#include "windows/shell/AppContext.h"
#include "windows/shell/AuditLogWindow.h"
#include "windows/shell/Desktop.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QTest>

using namespace hra;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ui::setUpProgramLook();
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);

    test::TestDatabase database(store::Driver::Sqlite);
    store::ConnectionSettings settings = database.settings();
    // The path a user sees, not the test's temporary one.
    settings.databaseFile = QStringLiteral("/home/user/.local/share/hra/qmo_jkpg.sqlite3");
    ui::ScriptedPromptService prompts;
    backup::BackupWindow window(settings, prompts);
    window.findChild<QLabel*>(QStringLiteral("Lab_status"))
        ->setText(
            QStringLiteral("备份完成，备份文件：/home/user/Documents/qmo_jkpg-20261210.sqlite3"));
    window.findChild<QProgressBar*>(QStringLiteral("ProgressBar"))->setValue(100);
    window.show();
    QCursor::setPos(0, 0);
    QTest::qWait(200);
    window.grab().save(QDir(out).filePath(QStringLiteral("backup-window.png")));

    backup::ManagerLogIn logIn(settings, prompts);
    logIn.show();
    QTest::qWait(100);
    logIn.grab().save(QDir(out).filePath(QStringLiteral("backup-login.png")));

    // The operation log of a small day's work.
    {
        struct : app::Desktop
        {
            void openDocument(const QString&) override {}
            void startProgram(const QString&, const QStringList&) override {}
        } desktop;
        app::AppContext context(prompts, desktop, QString());
        context.connection = database.connectInitialised(QStringLiteral("log"));
        if (!context.connection)
            return 1;
        const QSqlDatabase db = context.connection->db();
        using A = domain::AuditAction;
        domain::setAuditActor(
            {QStringLiteral("op01"), QStringLiteral("hra"), QStringLiteral("前台-1")});
        domain::writeAudit(db, {A::LogIn, {}, std::nullopt, {}});
        domain::writeAudit(
            db, {A::Create, QStringLiteral("2026000101"), std::nullopt, QStringLiteral("档案")});
        domain::writeAudit(
            db, {A::Create, QStringLiteral("2026000101"), 1, QStringLiteral("信息调查")});
        domain::writeAudit(
            db, {A::Analyse, QStringLiteral("2026000101"), 1, QStringLiteral("完整报告")});
        domain::writeAudit(db,
                           {A::Print, QStringLiteral("2026000101"), 1, QStringLiteral("完整报告")});
        domain::writeAudit(db, {A::Search, {}, std::nullopt, QStringLiteral("姓名含 张")});
        domain::setAuditActor(
            {QStringLiteral("rootadm"), QStringLiteral("hra-backup"), QStringLiteral("主任室")});
        domain::writeAudit(
            db, {A::Backup, {}, std::nullopt, QStringLiteral("qmo_jkpg-20261210.sqlite3")});
        app::AuditLogWindow log(context);
        log.resize(1000, 420);
        log.show();
        QTest::qWait(200);
        log.grab().save(QDir(out).filePath(QStringLiteral("audit-log.png")));
    }

    reportengine::Report report;
    QString error;
    if (!paper::preparePaperQuestionnaire(report, &error) || !report.build())
        return 1;
    reportengine::renderPage(report.built(), 0, 60)
        .save(QDir(out).filePath(QStringLiteral("questionnaire-page-1.png")));
    return 0;
}

// Saves the pictures of the user guide that belong to backups and the blank
// questionnaire: operations-screenshots <output folder>. Run under xvfb-run.
#include "paper/PaperQuestionnaire.h"
#include "reportengine/Export.h"
#include "reportengine/Report.h"
#include "support/TestDatabase.h"
#include "ui/ProgramLook.h"
#include "ui/PromptService.h"
#include "windows/backup/BackupWindow.h"

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

    reportengine::Report report;
    QString error;
    if (!paper::preparePaperQuestionnaire(report, &error) || !report.build())
        return 1;
    reportengine::renderPage(report.built(), 0, 60)
        .save(QDir(out).filePath(QStringLiteral("questionnaire-page-1.png")));
    return 0;
}

// Shows the questionnaire on a demo person's stored assessment and saves a
// picture of each page and of the assessment chooser:
// questionnaire-screenshots <output folder>. Run under xvfb-run.
#include "domain/Operators.h"
#include "domain/SessionState.h"
#include "support/TestDatabase.h"
#include "ui/PromptService.h"
#include "windows/questionnaire/QuestionnaireWindow.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFont>
#include <QLineEdit>
#include <QTest>

using namespace hra;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("Noto Sans CJK SC"), 10)); // as the program does
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);
    test::TestDatabase database(store::Driver::Sqlite);
    auto conn = database.connectInitialised(QStringLiteral("shots"), true);
    domain::SessionState session;
    session.currentOperatorCode = domain::kManagerCode;
    ui::ScriptedPromptService prompts;
    questionnaire::Context context{*conn, session, prompts, {}};

    // The work area of the main window on a 1366 x 768 screen.
    questionnaire::QuestionnaireWindow window(context);
    window.resize(1215, 640);
    window.show();
    QCursor::setPos(0, 0);
    window.recordNumberBox()->setText(QStringLiteral("0000000001"));
    window.lookUp();
    for (int page = 0; page < 5; ++page) {
        window.showSection(page);
        QTest::qWait(200);
        window.grab().save(
            QDir(out).filePath(QStringLiteral("questionnaire-%1.png").arg(page + 1)));
    }

    // A person whose latest assessment has ended gets the chooser.
    window.recordNumberBox()->setText(QStringLiteral("0000000002"));
    window.lookUp();
    if (QWidget* chooser = window.chooser()) {
        QTest::qWait(200);
        chooser->grab().save(QDir(out).filePath(QStringLiteral("questionnaire-chooser.png")));
    }
    return 0;
}

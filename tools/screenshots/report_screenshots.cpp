// The real main window in data analysis with a demo person's whole report
// built, and the dialogs of the report area: report-screenshots <folder>.
// Run under xvfb-run; the program lies beside hra so that reports/ is found.
#include "reportengine/Report.h"
#include "support/TestDatabase.h"
#include "ui/PromptService.h"
#include "windows/areas/AreaWindows.h"
#include "windows/report/AnalysisWindow.h"
#include "windows/report/AssessmentListDialog.h"
#include "windows/report/Context.h"
#include "windows/report/SectionDialog.h"
#include "windows/report/SettingsDialogs.h"
#include "windows/shell/AppContext.h"
#include "windows/shell/Desktop.h"
#include "windows/shell/MainWindow.h"
#include "windows/shell/WindowRegistry.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QLineEdit>
#include <QTest>

using namespace hra;

namespace {

void save(QWidget* w, const QString& dir, const QString& name)
{
    w->show();
    QCursor::setPos(0, 0); // no button under the mouse, so none is drawn red
    QTest::qWait(300);
    w->grab().save(QDir(dir).filePath(name));
}

void enter(report::AnalysisWindow* w, const QString& number)
{
    auto* box = w->findChild<QLineEdit*>(QStringLiteral("LabEdt_bianh"));
    box->clear();
    QTest::keyClicks(box, number);
    QTest::keyClick(box, Qt::Key_Return);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);

    test::TestDatabase database(store::Driver::Sqlite);
    ui::ScriptedPromptService prompts;
    app::SystemDesktop desktop;
    app::AppContext context(prompts, desktop, QCoreApplication::applicationDirPath());
    context.connection = database.connectInitialised(QStringLiteral("shots"), true);
    context.session.currentOperatorCode = QStringLiteral("rootadm");
    app::WindowRegistry registry;
    app::registerShellWindows(registry);
    app::AreaWindows areas(context, registry);

    app::MainWindow main(context, registry);
    main.resize(1400, 900);
    main.show();
    main.openAnalysis();
    auto* analysis = dynamic_cast<report::AnalysisWindow*>(main.window(app::kinds::analysis));
    if (!analysis)
        return 1;
    enter(analysis, QStringLiteral("0000000001"));
    analysis->buildSection(QStringLiteral("评估报告"));
    while (analysis->report().isBuilding())
        QTest::qWait(20);
    save(&main, out, QStringLiteral("report-analysis.png"));

    enter(analysis, QStringLiteral("0000000004"));
    if (report::AssessmentListDialog* list = analysis->listDialog()) {
        save(list, out, QStringLiteral("report-assessments.png"));
        list->close();
    }

    report::SectionDialog section(analysis, prompts);
    section.setSectionName(QStringLiteral("评估报告"));
    save(&section, out, QStringLiteral("report-section.png"));
    section.hide();

    report::Context settings{*context.connection, prompts, {}, {}};
    report::CentreDialog centre(settings);
    save(&centre, out, QStringLiteral("report-centre.png"));
    centre.hide();
    report::CoverDialog cover(settings);
    save(&cover, out, QStringLiteral("report-cover.png"));
    return 0;
}

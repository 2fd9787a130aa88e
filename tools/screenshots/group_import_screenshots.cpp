// Shows 批量导入 with a small group's file, before and after its import, and
// saves a picture of each at 1366x768: group_import_screenshots <output folder>.
// Run under xvfb-run.
#include "domain/SessionState.h"
#include "support/TestDatabase.h"
#include "ui/PromptService.h"
#include "windows/records/Context.h"
#include "windows/records/GroupImportWindow.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace hra;

namespace {

void save(QWidget* w, const QString& dir, const QString& name)
{
    QCursor::setPos(0, 0); // no button under the mouse
    QTest::qWait(200);
    w->grab().save(QDir(dir).filePath(name));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);
    QTemporaryDir tmp;
    test::TestDatabase database(store::Driver::Sqlite);
    auto conn = database.connectInitialised();
    domain::SessionState session;
    ui::ScriptedPromptService prompts;
    records::Context context{*conn, session, prompts, {}, {}};

    const QString path = QDir(tmp.path()).filePath(QStringLiteral("体检结果.csv"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write("姓名,性别,年龄,身份证号,工作单位,身高(m),体重,腰围,SBP,DBP,TC,TG,FPG,OGTT\n"
               "赵一,男,45,110101197901010038,示例公司,1.72,70.5,88,135,85,5.2,1.4,5.6,7.1\n"
               "钱二,女,38,11010119860202002X,示例公司,1.60,55,72,118,76,4.6,1.1,4.9,6.3\n"
               "孙三,男,52,,示例公司,1.68,78,95,146,92,6.1,2.3,6.8,9.2\n"
               "李四,女,29,,示例公司,1.63,52,68,108,70,4.1,0.9,4.7,5.8\n"
               "周五,男,61,,示例公司,1.70,82,101,152,95,5.9,2.0,7.2,10.4\n");
    file.close();

    records::GroupImportWindow window(context);
    window.resize(1366, 768);
    window.show();
    window.openFile(path);
    save(&window, out, QStringLiteral("group-import-preview.png"));

    QSignalSpy finished(&window, &records::GroupImportWindow::runFinished);
    window.findChild<QPushButton*>(QStringLiteral("Btn_import"))->click();
    if (!finished.wait(60000))
        return 1;
    save(&window, out, QStringLiteral("group-import-done.png"));
    return 0;
}

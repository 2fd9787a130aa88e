// Shows the information query and the operator window on the demo database
// and saves pictures of their tabs: query-screenshots <output folder>.
// Run under xvfb-run.
#include "domain/Operators.h"
#include "domain/SessionState.h"
#include "support/NoDesktop.h"
#include "support/TestDatabase.h"
#include "ui/PromptService.h"
#include "windows/query/QueryWindow.h"
#include "windows/shell/AppContext.h"
#include "windows/shell/Desktop.h"
#include "windows/shell/OperatorWindow.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFont>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>

using namespace hra;
using test::NoDesktop;

namespace {

void save(QWidget* w, const QString& folder, const QString& name)
{
    QTest::qWait(250);
    w->grab().save(QDir(folder).filePath(name));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("Noto Sans CJK SC"), 10)); // as the program does
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);
    test::TestDatabase database(store::Driver::Sqlite);
    ui::ScriptedPromptService prompts;
    NoDesktop desktop;
    app::AppContext context(prompts, desktop, QString());
    context.connection = database.connectInitialised(QStringLiteral("shots"), true);
    context.session.currentOperatorCode = domain::kManagerCode;
    QCursor::setPos(0, 0);

    query::Context queryContext{*context.connection, context.session, prompts, {}, {}, {}};
    query::QueryWindow query(queryContext);
    query.show();
    query.nameBox()->setText(QString());
    save(&query, out, QStringLiteral("query-criteria.png"));
    query.search();
    save(&query, out, QStringLiteral("query-results.png"));
    query.grid()->selectRow(1);
    QTimer::singleShot(300, [&] {
        if (QWidget* prompt = QApplication::activeModalWidget()) {
            prompt->grab().save(QDir(out).filePath(QStringLiteral("query-prompt.png")));
            prompt->close();
        }
    });
    query.openPrompt();
    query.close();

    domain::addOperator(context.connection->db(), QStringLiteral("op01"), QStringLiteral("张护士"),
                        QStringLiteral("secret"));
    {
        app::OperatorWindow operators(context);
        operators.show();
        save(&operators, out, QStringLiteral("operators-list.png"));
        QTimer::singleShot(300, [&] {
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                dialog->grab().save(QDir(out).filePath(QStringLiteral("operators-add.png")));
                dialog->close();
            }
        });
        operators.addOperator();
    }
    context.session.currentOperatorCode = QStringLiteral("op01");
    app::OperatorWindow own(context);
    own.show();
    save(&own, out, QStringLiteral("operators-password.png"));
    return 0;
}

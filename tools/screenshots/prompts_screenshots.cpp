// Shows what an operator sees when work would be lost or a value is
// implausible, with the real message boxes, and the help windows inside the
// program: prompts-screenshots <output folder> [guide.html]. Run under xvfb-run.

#include "domain/Assessment.h"
#include "domain/Operators.h"
#include "domain/SessionState.h"
#include "paper/PaperQuestionnaire.h"
#include "reportengine/Report.h"
#include "store/Sql.h"
#include "support/TestDatabase.h"
#include "ui/Form.h"
#include "ui/PromptService.h"
#include "windows/questionnaire/QuestionnaireWindow.h"
#include "windows/shell/HelpWindows.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace hra;

namespace {

// Saves the message box that the action opens, then answers it with Escape.
void grabPrompt(const QString& file, const std::function<void()>& action)
{
    QTimer::singleShot(400, [file] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            box->grab().save(file);
            QTest::keyClick(box, Qt::Key_Escape);
        }
    });
    action();
}

// Answers the message box the action opens first with its button `answer`,
// then saves the next one and answers it with Escape.
void answerThenGrab(const QString& answer, const QString& file, const std::function<void()>& action)
{
    QTimer::singleShot(400, [answer, file] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            for (auto* button : box->findChildren<QAbstractButton*>())
                if (button->text() == answer) {
                    QTimer::singleShot(400, [file] {
                        if (QWidget* next = QApplication::activeModalWidget()) {
                            next->grab().save(file);
                            QTest::keyClick(next, Qt::Key_Escape);
                        }
                    });
                    button->click();
                    return;
                }
        }
    });
    action();
}

} // namespace

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
    ui::DialogPromptService prompts;
    questionnaire::Context context{*conn, session, prompts, {}};

    questionnaire::QuestionnaireWindow window(context);
    window.resize(1215, 640);
    window.show();
    window.recordNumberBox()->setText(QStringLiteral("0000000001"));
    window.lookUp();
    window.showSection(4);
    auto* height = qobject_cast<QLineEdit*>(window.form(4).control(QStringLiteral("sheng")));
    auto* weight = qobject_cast<QLineEdit*>(window.form(4).control(QStringLiteral("tiz")));
    height->clear();
    QTest::keyClicks(height, QStringLiteral("9"));
    weight->clear();
    QTest::keyClicks(weight, QStringLiteral("72.5"));
    QTest::qWait(200);
    window.grab().save(QDir(out).filePath(QStringLiteral("prompts-implausible-height.png")));
    grabPrompt(QDir(out).filePath(QStringLiteral("prompts-range.png")), [&] { window.save(); });
    grabPrompt(QDir(out).filePath(QStringLiteral("prompts-unsaved.png")), [&] { window.close(); });
    grabPrompt(QDir(out).filePath(QStringLiteral("prompts-end.png")), [&] {
        height->setText(QStringLiteral("1.72"));
        weight->setText(QStringLiteral("76"));
        window.form(4).markUnchanged();
        window.endAssessment();
    });

    // Another workstation stored 舒张压 95 while 空腹血糖 6.2 was typed here.
    store::run(
        conn->db(),
        QStringLiteral("update jkpg_tgjc set shuzy = 95, banb = banb + 1 where jkpg_id = :id"),
        {{QStringLiteral("id"), window.rows().id()}});
    qobject_cast<QLineEdit*>(window.form(4).control(QStringLiteral("kongfxt")))
        ->setText(QStringLiteral("6.2"));
    answerThenGrab(QStringLiteral("是"),
                   QDir(out).filePath(QStringLiteral("prompts-changed-elsewhere.png")),
                   [&] { window.save(); });

    // Another workstation began an assessment of a person while a new one was typed here.
    questionnaire::QuestionnaireWindow second(context);
    second.resize(1215, 640);
    second.show();
    store::run(conn->db(), QStringLiteral("insert into jkpg_jbxx (bianh, xingm, xingb, nianl) "
                                          "values ('0000009999', '赵六', '女', 45)"));
    second.recordNumberBox()->setText(QStringLiteral("0000009999"));
    second.lookUp();
    const std::pair<const char*, const char*> required[] = {
        {"sheng", "1.62"}, {"tiz", "58"},      {"yaow", "76"},
        {"shousy", "118"}, {"shuzy", "76"},    {"zongdgc", "4.6"},
        {"ganysz", "1.1"}, {"kongfxt", "5.2"}, {"canhexsxt", "6.1"}};
    for (const auto& [column, value] : required)
        qobject_cast<QLineEdit*>(second.form(4).control(QString::fromLatin1(column)))
            ->setText(QString::fromLatin1(value));
    domain::AssessmentRows theirs;
    theirs.startNew(conn->db(), QStringLiteral("0000009999"));
    theirs.save(conn->db());
    answerThenGrab(QStringLiteral("是"),
                   QDir(out).filePath(QStringLiteral("prompts-second-assessment.png")),
                   [&] { second.save(); });
    second.form(4).markUnchanged();
    second.close();

    if (argc > 2) {
        app::GuideWindow guide(QString::fromLocal8Bit(argv[2]));
        guide.show();
        QTest::qWait(300);
        guide.grab().save(QDir(out).filePath(QStringLiteral("help-guide.png")));
    }
    auto report = std::make_unique<reportengine::Report>();
    QString error;
    if (paper::preparePaperQuestionnaire(*report, &error)) {
        app::PaperQuestionnairePreview preview(prompts, std::move(report));
        preview.show();
        preview.startBuild();
        for (int i = 0; i < 100 && preview.report().isBuilding(); ++i)
            QTest::qWait(100);
        QTest::qWait(300);
        preview.grab().save(QDir(out).filePath(QStringLiteral("help-questionnaire.png")));
    }
    return 0;
}

// Two workstations on one PostgreSQL database, as two questionnaire windows
// on two connections in one process, answering the real message boxes:
// workstations-trial <output folder>, under xvfb-run and
// scripts/with-postgres.sh. Each box that opens is saved as a picture and
// its text printed with the button pressed; the stored values are printed
// after each step.

#include "domain/Assessment.h"
#include "domain/SessionState.h"
#include "store/NumberText.h"
#include "store/Sql.h"
#include "support/TestDatabase.h"
#include "ui/Form.h"
#include "ui/OptionGroup.h"
#include "ui/PromptService.h"
#include "windows/questionnaire/QuestionnaireWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <deque>

using namespace hra;
using questionnaire::QuestionnaireWindow;

namespace {

void say(const QString& text)
{
    std::printf("%s\n", text.toUtf8().constData());
    std::fflush(stdout);
}

// Answers each message box as it opens with the next scripted button caption
// (Escape when none is left), after saving a picture of it.
class Operator : public QObject
{
public:
    explicit Operator(QString folder) : m_folder(std::move(folder))
    {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, &Operator::poll);
        timer->start(50);
    }
    void answer(const QStringList& captions)
    {
        for (const QString& c : captions)
            m_answers.push_back(c);
    }
    bool allAnswered() const { return m_answers.empty(); }

private:
    void poll()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box->property("answered").toBool())
            return;
        box->setProperty("answered", true);
        QTimer::singleShot(200, box, [this, box] {
            const QString file = QDir(m_folder).filePath(
                QStringLiteral("trial-%1.png").arg(++m_count, 2, 10, QChar(u'0')));
            box->grab().save(file);
            const QString answer = m_answers.empty() ? QString() : m_answers.front();
            if (!m_answers.empty())
                m_answers.pop_front();
            say(QStringLiteral("  [%1] %2\n    -> %3 (%4)")
                    .arg(box->windowTitle(), box->text(),
                         answer.isEmpty() ? QStringLiteral("Escape") : answer,
                         QFileInfo(file).fileName()));
            for (auto* b : box->findChildren<QAbstractButton*>())
                if (b->text() == answer) {
                    b->click();
                    return;
                }
            QTest::keyClick(box, Qt::Key_Escape);
        });
    }

    QString m_folder;
    std::deque<QString> m_answers;
    int m_count = 0;
};

QLineEdit* edit(QuestionnaireWindow& w, int page, const char* column)
{
    return qobject_cast<QLineEdit*>(w.form(page).control(QString::fromLatin1(column)));
}

void fillRequired(QuestionnaireWindow& w)
{
    const std::pair<const char*, const char*> required[] = {
        {"sheng", "1.70"}, {"tiz", "68"},      {"yaow", "82"},
        {"shousy", "130"}, {"shuzy", "85"},    {"zongdgc", "4.8"},
        {"ganysz", "1.3"}, {"kongfxt", "5.6"}, {"canhexsxt", "6.4"}};
    for (const auto& [column, value] : required)
        edit(w, 4, column)->setText(QString::fromLatin1(value));
}

QString stored(store::Connection& conn, const QString& column, const QString& table, qint32 id)
{
    return store::valueText(store::scalar(
        conn.db(), QStringLiteral("select %1 from %2 where jkpg_id = :id").arg(column, table),
        {{QStringLiteral("id"), id}}));
}

void lookUp(QuestionnaireWindow& w, const QString& number)
{
    w.recordNumberBox()->setText(number);
    w.lookUp();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("Noto Sans CJK SC"), 10));
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);
    if (qEnvironmentVariableIsEmpty("HRA_TEST_PG_HOST")) {
        std::fprintf(stderr, "run under scripts/with-postgres.sh\n");
        return 1;
    }
    test::TestDatabase db(store::Driver::Postgres);
    auto a = db.connectInitialised(QStringLiteral("A"), true);
    auto b = db.connect(QStringLiteral("B"));
    auto admin = db.connect(QStringLiteral("admin"));
    for (const char* number : {"0000009001", "0000009002"})
        store::run(a->db(),
                   QStringLiteral("insert into jkpg_jbxx (bianh, xingm, xingb, nianl) "
                                  "values (:bh, '赵六', '女', 45)"),
                   {{QStringLiteral("bh"), QString::fromLatin1(number)}});

    ui::DialogPromptService prompts;
    Operator op(out);
    domain::SessionState sessionA;
    domain::SessionState sessionB;
    sessionA.currentOperatorCode = sessionB.currentOperatorCode = QStringLiteral("op01");
    questionnaire::Context contextA{*a, sessionA, prompts, {}};
    questionnaire::Context contextB{*b, sessionB, prompts, {}};
    QuestionnaireWindow wa(contextA);
    QuestionnaireWindow wb(contextB);
    wa.setWindowTitle(QStringLiteral("信息调查 — 工作站 A"));
    wb.setWindowTitle(QStringLiteral("信息调查 — 工作站 B"));
    wa.resize(1100, 640);
    wb.resize(1100, 640);
    wa.show();
    wb.show();
    QTest::qWait(300);
    const QStringList saved{QStringLiteral("是"), QStringLiteral("确定"), QStringLiteral("否")};

    say(QStringLiteral("1. Both open one assessment; B stores 舒张压 95, then A 空腹血糖 6.2"));
    lookUp(wa, QStringLiteral("0000009001"));
    wa.showSection(4);
    fillRequired(wa);
    op.answer(saved);
    wa.save();
    const qint32 first = wa.rows().id();
    lookUp(wb, QStringLiteral("0000009001"));
    wb.showSection(4);
    say(QStringLiteral("  B opened assessment %1").arg(wb.rows().id()));
    edit(wb, 4, "shuzy")->setText(QStringLiteral("95"));
    op.answer(saved);
    wb.save();
    edit(wa, 4, "kongfxt")->setText(QStringLiteral("6.2"));
    op.answer({QStringLiteral("是"), QStringLiteral("重新载入"), QStringLiteral("确定")});
    wa.save();
    wa.grab().save(QDir(out).filePath(QStringLiteral("trial-A-reloaded.png")));
    say(QStringLiteral("  A shows 舒张压 %1, 空腹血糖 %2; stored %3 and %4")
            .arg(edit(wa, 4, "shuzy")->text(), edit(wa, 4, "kongfxt")->text(),
                 stored(*admin, QStringLiteral("shuzy"), QStringLiteral("jkpg_tgjc"), first),
                 stored(*admin, QStringLiteral("kongfxt"), QStringLiteral("jkpg_tgjc"), first)));
    op.answer(saved);
    wa.save();
    say(QStringLiteral("  after A saves again: stored 舒张压 %1, 空腹血糖 %2, version %3")
            .arg(stored(*admin, QStringLiteral("shuzy"), QStringLiteral("jkpg_tgjc"), first),
                 stored(*admin, QStringLiteral("kongfxt"), QStringLiteral("jkpg_tgjc"), first),
                 stored(*admin, QStringLiteral("banb"), QStringLiteral("jkpg_id"), first)));

    say(QStringLiteral("\n2. Both connections cut; A and B save during the outage and after"));
    edit(wa, 4, "tiz")->setText(QStringLiteral("72"));
    edit(wb, 4, "yaow")->setText(QStringLiteral("86"));
    db.cut(*a, *admin);
    test::terminateSession(*b, *admin);
    op.answer({QStringLiteral("确定")});
    wa.save();
    op.answer({QStringLiteral("确定")});
    wb.save();
    say(QStringLiteral(
            "  during the outage: A lost %1, B lost %2; A still shows 体重 %3, B 腰围 %4")
            .arg(a->isLost())
            .arg(b->isLost())
            .arg(edit(wa, 4, "tiz")->text(), edit(wb, 4, "yaow")->text()));
    QTest::qWait(3000);
    db.restore(*admin);
    QElapsedTimer back;
    back.start();
    QDeadlineTimer deadline(20000);
    while (!(a->reconnect() && b->reconnect()) && !deadline.hasExpired())
        QTest::qWait(50);
    say(QStringLiteral("  database back; both links open again after %1 ms").arg(back.elapsed()));
    op.answer(saved);
    wa.save();
    op.answer({QStringLiteral("是"), QStringLiteral("重新载入"), QStringLiteral("确定")});
    wb.save();
    op.answer(saved);
    wb.save();
    say(QStringLiteral("  stored 体重 %1, 腰围 %2, 舒张压 %3, 空腹血糖 %4")
            .arg(stored(*admin, QStringLiteral("tiz"), QStringLiteral("jkpg_tgjc"), first),
                 stored(*admin, QStringLiteral("yaow"), QStringLiteral("jkpg_tgjc"), first),
                 stored(*admin, QStringLiteral("shuzy"), QStringLiteral("jkpg_tgjc"), first),
                 stored(*admin, QStringLiteral("kongfxt"), QStringLiteral("jkpg_tgjc"), first)));

    say(QStringLiteral("\n3. Both start the first assessment of one person and save"));
    lookUp(wa, QStringLiteral("0000009002"));
    lookUp(wb, QStringLiteral("0000009002"));
    fillRequired(wa);
    fillRequired(wb);
    edit(wa, 4, "kongfxt")->setText(QStringLiteral("5.4"));
    qobject_cast<ui::OptionGroup*>(wb.form(0).control(QStringLiteral("pilcd")))->button(1)->click();
    op.answer(saved);
    wb.save();
    op.answer({QStringLiteral("是"), QStringLiteral("继续该评估"), QStringLiteral("确定")});
    wa.save();
    say(QStringLiteral("  A now holds assessment %1 (B stored %2)")
            .arg(wa.rows().id())
            .arg(wb.rows().id()));
    op.answer(saved);
    wa.save();
    const QVariant inProgress =
        store::scalar(admin->db(),
                      QStringLiteral("select count(*) from jkpg_id where bianh = '0000009002' "
                                     "and zhuangt = :s"),
                      {{QStringLiteral("s"), domain::kInProgress}});
    say(QStringLiteral("  assessments in progress: %1; stored 空腹血糖 %2, 疲劳 %3")
            .arg(inProgress.toInt())
            .arg(stored(*admin, QStringLiteral("kongfxt"), QStringLiteral("jkpg_tgjc"),
                        wb.rows().id()),
                 stored(*admin, QStringLiteral("pilcd"), QStringLiteral("jkpg_mqzk"),
                        wb.rows().id())));
    say(op.allAnswered() ? QStringLiteral("\nevery scripted answer was used")
                         : QStringLiteral("\nsome scripted answers were left over"));
    for (QuestionnaireWindow* w : {&wa, &wb})
        for (int i = 0; i < 5; ++i)
            w->form(i).markUnchanged();
    return 0;
}

#include "domain/Audit.h"
#include "domain/Operators.h"
#include "domain/Passwords.h"
#include "store/Sql.h"
#include "support/NoDesktop.h"
#include "support/TestDatabase.h"
#include "ui/FlatButton.h"
#include "ui/PromptService.h"
#include "windows/shell/AppContext.h"
#include "windows/shell/AuditLogWindow.h"
#include "windows/shell/Desktop.h"
#include "windows/shell/OperatorWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace hra;
using test::NoDesktop;

namespace {

// The manager (password "pw") and operator "op1" (password "secret").
class OperatorWindowTest : public ::testing::TestWithParam<store::Driver>
{
protected:
    void SetUp() override
    {
        HRA_REQUIRE_BACKEND(db);
        context.connection = db.connectInitialised();
        ASSERT_TRUE(context.connection);
        domain::setPassword(d(), QStringLiteral("rootadm"), QStringLiteral("pw"));
        domain::addOperator(d(), QStringLiteral("op1"), QStringLiteral("张三"),
                            QStringLiteral("secret"));
    }

    QSqlDatabase d() const { return context.connection->db(); }

    std::unique_ptr<app::OperatorWindow> open(const QString& code)
    {
        context.session.currentOperatorCode = code;
        auto w = std::make_unique<app::OperatorWindow>(context);
        w->show();
        return w;
    }

    QStringList listed(app::OperatorWindow& w) const
    {
        QStringList out;
        for (int i = 0; i < w.list()->rowCount(); ++i)
            out << w.list()->item(i, 0)->text();
        return out;
    }

    void selectCode(app::OperatorWindow& w, const QString& code)
    {
        const auto items = w.list()->findItems(code, Qt::MatchExactly);
        ASSERT_FALSE(items.isEmpty());
        w.list()->setCurrentCell(items.first()->row(), 0);
    }

    // Runs `act` on the operator dialog once it shows.
    void onDialog(std::function<void(app::OperatorDialog&)> act)
    {
        QTimer::singleShot(0, [act] {
            QTRY_VERIFY(qobject_cast<app::OperatorDialog*>(QApplication::activeModalWidget()));
            act(*qobject_cast<app::OperatorDialog*>(QApplication::activeModalWidget()));
        });
    }

    test::TestDatabase db{GetParam()};
    ui::ScriptedPromptService prompts;
    NoDesktop desktop;
    app::AppContext context{prompts, desktop, QString()};
};

TEST_P(OperatorWindowTest, OnlyTheManagerSeesTheOperatorList)
{
    auto manager = open(QStringLiteral("rootadm"));
    EXPECT_TRUE(manager->pages()->isTabVisible(0));
    EXPECT_EQ(manager->pages()->currentIndex(), 0);
    EXPECT_EQ(listed(*manager), (QStringList{"op1", "rootadm"}));

    for (const char* code : {"op1", "Rootadm"}) {
        SCOPED_TRACE(code);
        auto other = open(QString::fromUtf8(code));
        EXPECT_FALSE(other->pages()->isTabVisible(0));
        EXPECT_EQ(other->pages()->currentIndex(), 1);
        EXPECT_EQ(other->codeBox()->text(), QString::fromUtf8(code));
        EXPECT_FALSE(other->codeBox()->isEnabled());
    }
}

TEST_P(OperatorWindowTest, AddingChecksThePasswordsAndReportsADuplicate)
{
    auto w = open(QStringLiteral("rootadm"));
    onDialog([this](app::OperatorDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("增加用户"));
        EXPECT_TRUE(dialog.confirmButton()->isVisibleTo(&dialog));
        EXPECT_FALSE(dialog.saveButton()->isVisibleTo(&dialog));
        dialog.codeBox()->setText(QStringLiteral("op1"));
        dialog.nameBox()->setText(QStringLiteral("李四"));
        dialog.passwordBox()->setText(QStringLiteral("a"));
        dialog.confirmBox()->setText(QStringLiteral("b"));
        dialog.confirm();
        EXPECT_EQ(prompts.messages().last(), QStringLiteral("输入的密码不一致，请重新输入！"));
        EXPECT_TRUE(dialog.passwordBox()->text().isEmpty());
        EXPECT_TRUE(dialog.confirmBox()->text().isEmpty());
        EXPECT_EQ(dialog.codeBox()->text(), QStringLiteral("op1"));
        EXPECT_EQ(dialog.nameBox()->text(), QStringLiteral("李四"));

        dialog.passwordBox()->setText(QStringLiteral("pw2"));
        dialog.confirmBox()->setText(QStringLiteral("pw2"));
        dialog.confirm(); // op1 exists
        EXPECT_EQ(prompts.messages().last(), QStringLiteral("该用户代码已存在，请换一个代码！"));
        EXPECT_TRUE(dialog.isVisible());

        dialog.codeBox()->setText(QStringLiteral("op2"));
        dialog.passwordBox()->setText(QStringLiteral("pw2"));
        dialog.confirmBox()->setText(QStringLiteral("pw2"));
        QTest::keyClick(dialog.confirmBox(), Qt::Key_Return); // Enter there confirms
        EXPECT_EQ(prompts.messages().last(), QStringLiteral("数据保存成功！"));
    });
    w->addOperator();
    EXPECT_EQ(listed(*w), (QStringList{"op1", "op2", "rootadm"}));
    EXPECT_TRUE(domain::authenticate(d(), QStringLiteral("op2"), QStringLiteral("pw2")));
}

TEST_P(OperatorWindowTest, DeletingRefusesTheManagerAndTheLastOperator)
{
    auto w = open(QStringLiteral("rootadm"));
    selectCode(*w, QStringLiteral("rootadm"));
    w->deleteOperator();
    EXPECT_EQ(prompts.messages().last(), domain::kRefuseDeleteManager);
    selectCode(*w, QStringLiteral("op1"));
    prompts.answerMessage(QMessageBox::No);
    w->deleteOperator();
    EXPECT_EQ(listed(*w).size(), 2);
    w->deleteOperator();
    EXPECT_EQ(prompts.messages().last(), QStringLiteral("删除成功！"));
    EXPECT_EQ(listed(*w), QStringList{"rootadm"});

    // With the manager renamed away, the one row left still stays.
    ASSERT_TRUE(
        domain::modifyOperator(d(), QStringLiteral("rootadm"), QStringLiteral("boss"), QString()));
    w->reload();
    selectCode(*w, QStringLiteral("boss"));
    w->deleteOperator();
    EXPECT_EQ(prompts.messages().last(), domain::kRefuseDeleteLast);
    EXPECT_EQ(listed(*w), QStringList{"boss"});
}

TEST_P(OperatorWindowTest, TheManagerRenamingHimselfStaysManagerUntilHeLogsInAgain)
{
    auto w = open(QStringLiteral("rootadm"));
    selectCode(*w, QStringLiteral("rootadm"));
    onDialog([this](app::OperatorDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("修改用户"));
        EXPECT_EQ(dialog.codeBox()->text(), QStringLiteral("rootadm"));
        dialog.codeBox()->setText(QStringLiteral("boss"));
        dialog.save();
        EXPECT_EQ(prompts.messages().last(), QStringLiteral("您的数据已完成保存！"));
    });
    w->modifyOperator();
    EXPECT_EQ(listed(*w), (QStringList{"boss", "op1"}));
    // The session keeps its code: the operator list is still his.
    auto again = open(context.session.currentOperatorCode);
    EXPECT_TRUE(again->pages()->isTabVisible(0));
    const auto op = domain::authenticate(d(), QStringLiteral("boss"), QStringLiteral("pw"));
    ASSERT_TRUE(op);
    EXPECT_FALSE(domain::isManager(op->code));
}

// An operator who forgot his password gets a new one from the manager,
// typed twice in 修改用户; empty boxes leave it as it is.
TEST_P(OperatorWindowTest, TheManagerSetsAForgottenPassword)
{
    auto w = open(QStringLiteral("rootadm"));
    selectCode(*w, QStringLiteral("op1"));
    onDialog([this](app::OperatorDialog& dialog) {
        dialog.passwordBox()->setText(QStringLiteral("fresh1"));
        dialog.confirmBox()->setText(QStringLiteral("fresh2"));
        dialog.save();
        EXPECT_EQ(prompts.messages().last(), QStringLiteral("输入的密码不一致，请重新输入！"));
        dialog.passwordBox()->setText(QStringLiteral("\t"));
        dialog.confirmBox()->setText(QStringLiteral("\t"));
        dialog.save();
        EXPECT_EQ(prompts.messages().last(), QStringLiteral("密码不能为空！"));
        dialog.passwordBox()->setText(QStringLiteral("fresh1"));
        dialog.confirmBox()->setText(QStringLiteral("fresh1"));
        dialog.save();
        EXPECT_EQ(prompts.messages().last(), QStringLiteral("您的数据已完成保存！"));
    });
    w->modifyOperator();
    EXPECT_TRUE(domain::authenticate(d(), QStringLiteral("op1"), QStringLiteral("fresh1")));
    EXPECT_FALSE(domain::authenticate(d(), QStringLiteral("op1"), QStringLiteral("secret")));
}

TEST_P(OperatorWindowTest, ChangingOnesOwnPassword)
{
    struct Case
    {
        const char* oldPassword;
        const char* newPassword;
        const char* confirmation;
        const char* message;
        bool closes;
    };
    const Case cases[] = {
        {"wrong", "n1", "n1", "原密码不正确,请重新输入!", false},
        {"secret", "n1", "n2", "两次密码不一致,请重新输入!", false},
        {" secret ", "n1", "n1", "密码修改成功!", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        auto w = open(QStringLiteral("op1"));
        w->oldPasswordBox()->setText(QString::fromUtf8(c.oldPassword));
        w->newPasswordBox()->setText(QString::fromUtf8(c.newPassword));
        w->confirmBox()->setText(QString::fromUtf8(c.confirmation));
        w->changePassword();
        EXPECT_EQ(prompts.messages().last(), QString::fromUtf8(c.message));
        EXPECT_EQ(!w->isVisible(), c.closes);
    }
    EXPECT_TRUE(domain::authenticate(d(), QStringLiteral("op1"), QStringLiteral("n1")));
    const QString stored =
        store::scalar(d(), QStringLiteral("select mim from sys_yhxx where yonghdm = 'op1'"))
            .toString();
    EXPECT_TRUE(domain::isPasswordHash(stored));
}

// The manager pages through the log newest first, back and forth, filters
// it and exports what matches.
TEST_P(OperatorWindowTest, TheLogWindowPagesFiltersAndExports)
{
    domain::setAuditActor({QStringLiteral("op1"), QStringLiteral("hra"), QStringLiteral("ws")});
    store::run(d(), QStringLiteral("delete from sys_czrz"));
    for (int i = 1; i <= 250; ++i)
        domain::writeAudit(d(),
                           {i % 10 == 0 ? domain::AuditAction::Print : domain::AuditAction::View,
                            i % 2 ? QStringLiteral("0000000001") : QStringLiteral("0000000002"), i,
                            QStringLiteral("第%1条, 含逗号").arg(i)});
    app::AuditLogWindow w(context);
    const auto firstNumber = [&w] { return w.grid()->item(0, 6)->text().toInt(); };
    const QList<std::pair<int, int>> pages{{100, 250}, {100, 150}, {50, 50}};
    for (const auto& [rows, newest] : pages) {
        EXPECT_EQ(w.grid()->rowCount(), rows);
        EXPECT_EQ(firstNumber(), newest);
        w.nextPage();
    }
    EXPECT_FALSE(w.nextButton()->isEnabled());
    EXPECT_EQ(firstNumber(), 50); // a last page stays
    w.previousPage();
    EXPECT_EQ(firstNumber(), 150);
    w.previousPage();
    EXPECT_EQ(firstNumber(), 250);
    EXPECT_FALSE(w.previousButton()->isEnabled());

    w.recordBox()->setText(QStringLiteral("0000000002"));
    w.actionBox()->setCurrentIndex(w.actionBox()->findData(QStringLiteral("print")));
    ASSERT_TRUE(w.search());
    EXPECT_EQ(w.grid()->rowCount(), 25);
    EXPECT_EQ(w.grid()->item(0, 4)->text(), QStringLiteral("打印"));

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("log.csv"));
    prompts.answerFile(file);
    w.exportCsv();
    EXPECT_EQ(prompts.messages().last(),
              QStringLiteral("已导出 25 条记录到 %1。").arg(QDir::toNativeSeparators(file)));
    QFile csv(file);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    ASSERT_EQ(lines.size(), 27); // header, 25 entries, the empty end
    EXPECT_TRUE(lines[0].startsWith("\xEF\xBB\xBF"));
    EXPECT_TRUE(lines[1].endsWith(",op1,hra,ws,打印,0000000002,250,\"第250条, 含逗号\"\r"))
        << lines[1].toStdString();
    EXPECT_EQ(QFile::permissions(file) & (QFile::ReadGroup | QFile::ReadOther), 0);
}

INSTANTIATE_TEST_SUITE_P(Backends, OperatorWindowTest,
                         ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });

} // namespace

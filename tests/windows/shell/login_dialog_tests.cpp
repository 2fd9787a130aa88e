#include "domain/Passwords.h"
#include "store/Sql.h"
#include "support/GuiWait.h"
#include "support/NoDesktop.h"
#include "support/TestDatabase.h"
#include "ui/PromptService.h"
#include "windows/shell/AppContext.h"
#include "windows/shell/Desktop.h"
#include "windows/shell/Launcher.h"
#include "windows/shell/LoginDialog.h"
#include "windows/shell/MainWindow.h"
#include "windows/shell/WindowRegistry.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace hra;
using test::NoDesktop;
using test::waitUntil;

namespace {

// A fresh SQLite database with the manager (password "pw") and one operator
// "op1" named 张三 with password "secret".
class LoginFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto conn = db.connectInitialised(QStringLiteral("setup"));
        ASSERT_TRUE(conn);
        store::run(conn->db(),
                   QStringLiteral("update sys_yhxx set mim = :m where yonghdm = 'rootadm'"),
                   {{"m", domain::hashPassword(QStringLiteral("pw"))}});
        store::run(
            conn->db(),
            QStringLiteral("insert into sys_yhxx (yonghdm, yonghmc, mim) values ('op1', :n, :m)"),
            {{"n", QStringLiteral("张三")}, {"m", domain::hashPassword(QStringLiteral("secret"))}});
    }

    app::LoginDialog::DatabaseOpener opener()
    {
        return [this] {
            app::DatabaseOpening opening;
            opening.connection = db.connect(QStringLiteral("hra"));
            return opening;
        };
    }

    // Shows the dialog and waits until it has opened its connection.
    std::unique_ptr<app::LoginDialog> showDialog()
    {
        auto dialog = std::make_unique<app::LoginDialog>(context, opener());
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        EXPECT_TRUE(waitUntil([this] { return context.connection != nullptr; }));
        return dialog;
    }

    test::TestDatabase db{store::Driver::Sqlite};
    ui::ScriptedPromptService prompts;
    NoDesktop desktop;
    app::AppContext context{prompts, desktop, QString()};
};

QComboBox* codeBox(QWidget* w)
{
    return w->findChild<QComboBox*>(QStringLiteral("CombB_yhdm"));
}
QLineEdit* nameBox(QWidget* w)
{
    return w->findChild<QLineEdit*>(QStringLiteral("edt_xm"));
}
QLineEdit* passwordBox(QWidget* w)
{
    return w->findChild<QLineEdit*>(QStringLiteral("edt_mm"));
}

// Types the code, leaves the box with Enter, and types the password with Enter.
void typeLogIn(QWidget* dialog, const QString& code, const QString& password)
{
    codeBox(dialog)->setFocus();
    codeBox(dialog)->clearEditText();
    // Keys go to the box itself: until the window manager activates the
    // dialog, the application has no focus widget to send them to.
    QTest::keyClicks(codeBox(dialog), code);
    QTest::keyClick(codeBox(dialog), Qt::Key_Return);
    passwordBox(dialog)->setFocus();
    passwordBox(dialog)->clear();
    QTest::keyClicks(passwordBox(dialog), password);
    QTest::keyClick(passwordBox(dialog), Qt::Key_Return);
}

} // namespace

TEST_F(LoginFixture, OpensWithTheCodeBoxFocusedTheManagerListedAndPasswordsHidden)
{
    auto dialog = showDialog();
    EXPECT_EQ(dialog->size(), QSize(510, 278));
    EXPECT_TRUE(dialog->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(codeBox(dialog.get())->hasFocus());
    EXPECT_TRUE(codeBox(dialog.get())->isEditable());
    ASSERT_EQ(codeBox(dialog.get())->count(), 1);
    EXPECT_EQ(codeBox(dialog.get())->itemText(0), QStringLiteral("rootadm"));
    EXPECT_TRUE(nameBox(dialog.get())->isReadOnly());
    EXPECT_EQ(passwordBox(dialog.get())->echoMode(), QLineEdit::Password);

    // Tab and Enter walk the boxes in the order password, name, code, and wrap:
    // what is typed after the code and Tab goes into the password.
    passwordBox(dialog.get())->setFocus();
    QTest::keyClick(passwordBox(dialog.get()), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), nameBox(dialog.get()));
    QTest::keyClick(nameBox(dialog.get()), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), codeBox(dialog.get()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), passwordBox(dialog.get()));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("abc"));
    EXPECT_EQ(passwordBox(dialog.get())->text(), QStringLiteral("abc"));
    codeBox(dialog.get())->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), passwordBox(dialog.get()));
    EXPECT_TRUE(prompts.records().empty());
}

TEST_F(LoginFixture, NameFollowsTheCodeWhenTheFocusLeavesTheBox)
{
    auto dialog = showDialog();
    QTest::keyClicks(codeBox(dialog.get()), QStringLiteral("op1"));
    EXPECT_EQ(nameBox(dialog.get())->text(), QString()); // not while typing
    passwordBox(dialog.get())->setFocus();
    EXPECT_EQ(nameBox(dialog.get())->text(), QStringLiteral("张三"));

    codeBox(dialog.get())->setFocus();
    QTest::keyClicks(codeBox(dialog.get()), QStringLiteral("x"));
    QTest::keyClick(codeBox(dialog.get()), Qt::Key_Return);
    EXPECT_EQ(nameBox(dialog.get())->text(), QString());
}

TEST_F(LoginFixture, RefusalsKeepTheDialogOpenAndLogInStoresTheCodeAsStored)
{
    struct Case
    {
        QString code;
        QString password;
        QString message; // empty: logged in
    };
    const Case cases[] = {
        {QString(), QStringLiteral("pw"), QStringLiteral("用户名称不可为空！")},
        {QStringLiteral("rootadm"), QStringLiteral("wrong"),
         QStringLiteral("用户名或密码不正确，请确认")},
        {QStringLiteral("ROOTADM"), QStringLiteral("pw"),
         QStringLiteral("用户名或密码不正确，请确认")},
        {QStringLiteral("nobody"), QStringLiteral("pw"),
         QStringLiteral("用户名或密码不正确，请确认")},
        {QStringLiteral("   "), QString(), QStringLiteral("用户名或密码不正确，请确认")},
        {QStringLiteral("  op1 "), QStringLiteral(" secret "), QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(("code '" + c.code + "' password '" + c.password + "'").toStdString());
        context.connection.reset();
        context.session.currentOperatorCode.clear();
        prompts.clear();
        auto dialog = showDialog();
        typeLogIn(dialog.get(), c.code, c.password);
        if (c.message.isEmpty()) {
            EXPECT_TRUE(waitUntil([&] { return !dialog->isVisible(); }));
            EXPECT_EQ(dialog->result(), QDialog::Accepted);
            EXPECT_EQ(context.session.currentOperatorCode, QStringLiteral("op1"));
            EXPECT_TRUE(prompts.records().empty());
            continue;
        }
        ASSERT_EQ(prompts.records().size(), 1u);
        EXPECT_EQ(prompts.records()[0].text, c.message);
        EXPECT_EQ(prompts.records()[0].caption, QStringLiteral("提示"));
        EXPECT_EQ(prompts.records()[0].buttons, QMessageBox::Ok);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_TRUE(codeBox(dialog.get())->hasFocus());
        EXPECT_TRUE(context.session.currentOperatorCode.isEmpty());
    }
}

TEST_F(LoginFixture, EscapeLeavesWithoutLoggingIn)
{
    auto dialog = showDialog();
    QTest::keyClicks(codeBox(dialog.get()), QStringLiteral("rootadm"));
    QTest::keyClick(codeBox(dialog.get()), Qt::Key_Escape);
    EXPECT_TRUE(waitUntil([&] { return !dialog->isVisible(); }));
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_FALSE(dialog->connectionFailed());
    EXPECT_TRUE(context.session.currentOperatorCode.isEmpty());
}

TEST_F(LoginFixture, FailedConnectionIsReportedAndEndsTheProgram)
{
    app::WindowRegistry registry;
    app::Launch started = app::launch(context, registry, [] {
        app::DatabaseOpening failed;
        failed.error = QStringLiteral("server not found");
        return failed;
    });
    EXPECT_FALSE(started.mainWindow);
    EXPECT_EQ(started.exitCode, 1);
    ASSERT_EQ(prompts.records().size(), 1u);
    EXPECT_EQ(prompts.records()[0].text, QStringLiteral("数据连接失败，请确认数据库及所在服务器"));
    EXPECT_EQ(prompts.records()[0].caption, QStringLiteral("提示"));
    EXPECT_EQ(prompts.records()[0].buttons, QMessageBox::Ok);
}

TEST_F(LoginFixture, NewDatabaseShowsTheManagerPasswordOnceBeforeTheLogIn)
{
    app::LoginDialog dialog(context, [this] {
        app::DatabaseOpening opening;
        opening.connection = db.connect(QStringLiteral("hra"));
        opening.newManagerPassword = QStringLiteral("Xy7pQ2rT9mKa");
        return opening;
    });
    dialog.show();
    ASSERT_TRUE(waitUntil([this] { return !prompts.records().empty(); }));
    ASSERT_EQ(prompts.records().size(), 1u);
    EXPECT_TRUE(prompts.records()[0].text.contains(QStringLiteral("Xy7pQ2rT9mKa")));
    EXPECT_EQ(prompts.records()[0].icon, QMessageBox::Information);
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(LoginFixture, LogInThroughTheRealStartShowsTheMainWindowMaximised)
{
    app::WindowRegistry registry;
    // The log-in dialog is modal: the operator's keys come from a timer that
    // waits for it to be up with its connection open.
    QTimer operatorAtTheKeyboard;
    QObject::connect(&operatorAtTheKeyboard, &QTimer::timeout, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog || dialog->objectName() != QStringLiteral("Tfrm_dl") || !context.connection ||
            !dialog->isActiveWindow())
            return;
        operatorAtTheKeyboard.stop();
        typeLogIn(dialog, QStringLiteral("rootadm"), QStringLiteral("pw"));
    });
    operatorAtTheKeyboard.start(20);
    app::Launch started = app::launch(context, registry, opener());
    ASSERT_TRUE(started.mainWindow);
    EXPECT_TRUE(started.mainWindow->isVisible());
    EXPECT_TRUE(started.mainWindow->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(started.mainWindow->tree()->topLevelItemCount(), 0);
    EXPECT_EQ(context.session.currentOperatorCode, QStringLiteral("rootadm"));
    EXPECT_TRUE(prompts.records().empty());
}

// After log-in the photo folder of an older version is taken into the
// database; a file that belongs to nobody stays and is named.
TEST_F(LoginFixture, LogInTakesAnOldPhotoFolderIntoTheDatabaseAndNamesWhatStayed)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("picture"));
    ASSERT_TRUE(QDir().mkpath(folder));
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::green);
    ASSERT_TRUE(picture.save(folder + QStringLiteral("/0001.png")));
    ASSERT_TRUE(picture.save(folder + QStringLiteral("/0002.png")));
    {
        auto conn = db.connect(QStringLiteral("person"));
        ASSERT_TRUE(conn);
        store::run(conn->db(), QStringLiteral("insert into jkpg_jbxx (bianh, xingm, zhaop) "
                                              "values ('0001', '李四', '0001.png')"));
    }
    context.oldPhotoFolders = {folder, dir.filePath(QStringLiteral("none"))};
    app::WindowRegistry registry;
    QTimer operatorAtTheKeyboard;
    QObject::connect(&operatorAtTheKeyboard, &QTimer::timeout, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog || dialog->objectName() != QStringLiteral("Tfrm_dl") || !context.connection ||
            !dialog->isActiveWindow())
            return;
        operatorAtTheKeyboard.stop();
        typeLogIn(dialog, QStringLiteral("op1"), QStringLiteral("secret"));
    });
    operatorAtTheKeyboard.start(20);
    app::Launch started = app::launch(context, registry, opener());
    ASSERT_TRUE(started.mainWindow);
    EXPECT_EQ(store::scalar(context.db(), QStringLiteral("select zhaopgs from jkpg_jbxx where "
                                                         "bianh = '0001'"))
                  .toString(),
              QStringLiteral("png"));
    ASSERT_EQ(prompts.records().size(), 1u);
    EXPECT_EQ(prompts.records()[0].text,
              QStringLiteral("照片已存入数据库,照片文件夹“%1”中有1个文件未能导入,仍留在原处:\n"
                             "0002.png(没有对应的档案)")
                  .arg(QDir::toNativeSeparators(folder)));
    EXPECT_EQ(prompts.records()[0].caption, QStringLiteral("提示"));
    EXPECT_EQ(prompts.records()[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("/imported/0001.png")));
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("/0002.png")));
}

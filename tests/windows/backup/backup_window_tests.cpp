#include "store/Sql.h"
#include "support/GuiWait.h"
#include "support/SmallDisk.h"
#include "support/TestDatabase.h"
#include "ui/PromptService.h"
#include "windows/backup/BackupWindow.h"

#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hra;
using Record = ui::ScriptedPromptService::Record;

class BackupWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const auto conn = database.connectInitialised();
        ASSERT_TRUE(conn);
        store::execute(conn->db(), QStringLiteral("create table marker (v varchar(20))"));
        setMarker(*conn, QStringLiteral("backed up"));
    }

    static void setMarker(const store::Connection& conn, const QString& text)
    {
        store::execute(conn.db(), QStringLiteral("delete from marker"));
        store::Sql(conn.db(), conn.dialect())
            .run(QStringLiteral("insert into marker (v) values (:v)"),
                 {{QStringLiteral("v"), text}});
    }

    QString marker()
    {
        const auto conn = database.connect(QStringLiteral("check"));
        return store::scalar(conn->db(), QStringLiteral("select v from marker")).toString();
    }

    // Clicks a button and waits for the work it starts to end; the result.
    bool clickAndWait(const char* button)
    {
        QSignalSpy finished(&window, &backup::BackupWindow::finished);
        window.findChild<QPushButton*>(QString::fromLatin1(button))->click();
        if (!test::waitUntil([&] { return finished.count() > 0; }))
            return false;
        return finished.first().first().toBool();
    }

    test::TestDatabase database{store::Driver::Sqlite};
    QTemporaryDir files;
    ui::ScriptedPromptService prompts;
    backup::BackupWindow window{database.settings(), prompts};
};

// Back up, change the data, restore after the question: the data is back,
// and each step told the operator what happened.
TEST_F(BackupWindowTest, BackUpAndRestoreAfterConfirming)
{
    const QString file = files.filePath(QStringLiteral("copy.sqlite3"));
    prompts.answerFile(file);
    ASSERT_TRUE(clickAndWait("Btn_backup"));
    EXPECT_TRUE(QFileInfo(file).isFile());
    ASSERT_EQ(prompts.records().size(), 2u);
    EXPECT_EQ(prompts.records()[0].kind, Record::Kind::SaveFile);
    EXPECT_TRUE(prompts.records()[0].text.endsWith(QStringLiteral(".sqlite3")));
    EXPECT_EQ(prompts.messages(), QStringList{QStringLiteral("备份完成，备份文件：") + file});
    EXPECT_EQ(window.findChild<QProgressBar*>(QStringLiteral("ProgressBar"))->value(), 100);

    {
        const auto conn = database.connect(QStringLiteral("change"));
        setMarker(*conn, QStringLiteral("changed later"));
    }
    prompts.clear();
    prompts.answerFile(file);
    prompts.answerMessage(QMessageBox::Ok);
    ASSERT_TRUE(clickAndWait("Btn_restore"));
    EXPECT_EQ(prompts.messages(),
              (QStringList{QStringLiteral(
                               "恢复将用备份文件中的数据替换当前数据库中的全部数据,确定要恢复吗?"),
                           QStringLiteral("恢复完成。")}));
    EXPECT_EQ(marker(), "backed up");
}

// Cancel at the question, or a file that is no backup: the data stays.
TEST_F(BackupWindowTest, RestoreCancelledOrRefusedLeavesTheData)
{
    prompts.answerFile(files.filePath(QStringLiteral("whatever.sqlite3")));
    prompts.answerMessage(QMessageBox::Cancel);
    window.findChild<QPushButton*>(QStringLiteral("Btn_restore"))->click();
    EXPECT_FALSE(window.isBusy());
    EXPECT_EQ(prompts.records().size(), 2u);
    EXPECT_EQ(marker(), "backed up");

    const QString notes = files.filePath(QStringLiteral("notes.sqlite3"));
    QFile f(notes);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a database");
    f.close();
    prompts.clear();
    prompts.answerFile(notes);
    prompts.answerMessage(QMessageBox::Ok);
    EXPECT_FALSE(clickAndWait("Btn_restore"));
    ASSERT_EQ(prompts.records().size(), 3u);
    EXPECT_EQ(prompts.records()[2].icon, QMessageBox::Critical);
    EXPECT_EQ(prompts.records()[2].text,
              QStringLiteral("所选文件不是本系统的备份文件，或文件已经损坏。当前数据库没有改动。"));
    EXPECT_EQ(marker(), "backed up");
    EXPECT_TRUE(window.findChild<QPushButton*>(QStringLiteral("Btn_restore"))->isEnabled());
}

// A backup onto a full disk says so, naming the file.
TEST_F(BackupWindowTest, ABackupOntoAFullDiskSaysSoNamingTheFile)
{
    test::SmallDisk disk;
    if (!disk.mounted())
        GTEST_SKIP() << "no permission to mount a small file system here";
    const QString file = disk.path(QStringLiteral("copy.sqlite3"));
    prompts.answerFile(file);
    EXPECT_FALSE(clickAndWait("Btn_backup"));
    EXPECT_EQ(prompts.messages(),
              QStringList{QStringLiteral("磁盘空间不足，无法写入 %1，备份不成功!").arg(file)});
    EXPECT_EQ(disk.files(), QStringList());
}

TEST(BackupWindowSqlServerTest, SaysWhereBackupsAreMade)
{
    store::ConnectionSettings settings;
    settings.driver = store::Driver::Mssql;
    ui::ScriptedPromptService prompts;
    backup::BackupWindow window(settings, prompts);
    EXPECT_FALSE(window.findChild<QPushButton*>(QStringLiteral("Btn_backup"))->isEnabled());
    EXPECT_FALSE(window.findChild<QPushButton*>(QStringLiteral("Btn_restore"))->isEnabled());
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("Lab_status"))->text(),
              QStringLiteral("SQL Server 数据库请用数据库服务器自带的工具备份和恢复。"));
}

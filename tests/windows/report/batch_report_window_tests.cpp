// The batch reports window: the unit and days chosen, the list it builds,
// export, print to a file, cancel and the failures listed at the end.

#include "store/Sql.h"
#include "support/GuiWait.h"
#include "support/TestDatabase.h"
#include "ui/PromptService.h"
#include "windows/report/BatchReportWindow.h"
#include "windows/report/Context.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace hra::test {
namespace {

QStringList rowsOf(const QTableWidget* table)
{
    QStringList rows;
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table->columnCount(); ++c)
            cells << (table->item(r, c) ? table->item(r, c)->text() : QString());
        rows << cells.join(u'|');
    }
    return rows;
}

int pagesOf(const QString& pdf)
{
    QProcess qpdf;
    qpdf.start(QStringLiteral("qpdf"), {QStringLiteral("--show-npages"), pdf});
    if (!qpdf.waitForFinished(30000) || qpdf.exitCode() != 0)
        return -1;
    return qpdf.readAllStandardOutput().trimmed().toInt();
}

class BatchReportWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        conn = database.connectInitialised(QStringLiteral("batch-window"), true);
        ASSERT_TRUE(conn);
        store::run(conn->db(),
                   QStringLiteral("update jkpg_jbxx set gongzdw = '示例集团' where "
                                  "bianh in ('0000000001', '0000000002', '0000000004')"));
        const std::pair<int, QDate> entered[] = {{1, QDate(2026, 3, 1)},  {5, QDate(2026, 4, 10)},
                                                 {2, QDate(2026, 3, 15)}, {3, QDate(2026, 3, 10)},
                                                 {4, QDate(2026, 2, 1)},  {6, QDate(2026, 4, 30)}};
        for (const auto& [id, day] : entered)
            store::run(
                conn->db(), QStringLiteral("update jkpg_id set lurrq = :t where jkpg_id = :id"),
                {{QStringLiteral("t"), QDateTime(day, QTime(9, 0))}, {QStringLiteral("id"), id}});
        context = std::make_unique<report::Context>(
            report::Context{*conn,
                            prompts,
                            [](bool) {},
                            qEnvironmentVariable("HRA_SOURCE_DIR") + QStringLiteral("/reports"),
                            {}});
        window = std::make_unique<report::BatchReportWindow>(*context);
        window->show();
        unit = window->findChild<QComboBox*>(QStringLiteral("Cmb_gzdw"));
        list = window->findChild<QTableWidget*>(QStringLiteral("Grd_pg"));
        failed = window->findChild<QTableWidget*>(QStringLiteral("Grd_sb"));
        ASSERT_TRUE(unit && list && failed);
        unit->setCurrentText(QStringLiteral("示例集团"));
    }

    void runToEnd()
    {
        ASSERT_TRUE(waitUntil([this] { return !window->isRunning(); }, 60000));
    }

    TestDatabase database{store::Driver::Sqlite};
    std::unique_ptr<store::Connection> conn;
    ui::ScriptedPromptService prompts;
    std::unique_ptr<report::Context> context;
    std::unique_ptr<report::BatchReportWindow> window;
    QComboBox* unit = nullptr;
    QTableWidget* list = nullptr;
    QTableWidget* failed = nullptr;
};

TEST_F(BatchReportWindowTest, TheUnitAndDaysChooseTheListAndAnExplicitListReplacesThem)
{
    QStringList units;
    for (int i = 0; i < unit->count(); ++i)
        units << unit->itemText(i);
    EXPECT_EQ(units, QStringList({QStringLiteral("示例科技有限公司"), QStringLiteral("示例集团")}));
    EXPECT_EQ(rowsOf(list), QStringList({QStringLiteral("0000000001|张建国|5|2026-04-10"),
                                         QStringLiteral("0000000002|李秀英|2|2026-03-15"),
                                         QStringLiteral("0000000004|刘桂芳|6|2026-04-30")}));

    window->findChild<QDateEdit*>(QStringLiteral("Dte_ks"))->setDate(QDate(2026, 3, 1));
    window->findChild<QDateEdit*>(QStringLiteral("Dte_js"))->setDate(QDate(2026, 3, 31));
    window->findChild<QCheckBox*>(QStringLiteral("Chk_lrrq"))->setChecked(true);
    EXPECT_EQ(rowsOf(list), QStringList({QStringLiteral("0000000001|张建国|1|2026-03-01"),
                                         QStringLiteral("0000000002|李秀英|2|2026-03-15")}));

    window->setAssessments({6, 3});
    EXPECT_EQ(rowsOf(list), QStringList({QStringLiteral("0000000003|王志强|3|2026-03-10"),
                                         QStringLiteral("0000000004|刘桂芳|6|2026-04-30")}));
    EXPECT_FALSE(unit->isEnabled());
}

TEST_F(BatchReportWindowTest, ExportWritesEveryReportAndListsTheOnesThatFailed)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("0000000002_李秀英_2.pdf")));
    prompts.answerFile(dir.path());
    window->findChild<QPushButton*>(QStringLiteral("Btn_dcqb"))->click();
    EXPECT_TRUE(window->isRunning());
    EXPECT_FALSE(window->findChild<QPushButton*>(QStringLiteral("Btn_dcqb"))->isEnabled());
    runToEnd();

    EXPECT_EQ(prompts.messages(),
              QStringList(QStringLiteral("已生成 2 份报告。\n1 份报告未能生成，见列表。")));
    EXPECT_EQ(pagesOf(dir.filePath(QStringLiteral("0000000001_张建国_5.pdf"))), 24);
    EXPECT_EQ(pagesOf(dir.filePath(QStringLiteral("0000000004_刘桂芳_6.pdf"))), 24);
    ASSERT_EQ(failed->rowCount(), 1);
    EXPECT_EQ(failed->item(0, 0)->text(), QStringLiteral("0000000002"));
    EXPECT_EQ(failed->item(0, 1)->text(), QStringLiteral("2"));
    EXPECT_FALSE(failed->item(0, 2)->text().isEmpty());
    EXPECT_TRUE(failed->isVisible());
}

TEST_F(BatchReportWindowTest, ThePrinterGetsTheCombinedPdfThroughLp)
{
    // A stand-in for the system's lp that notes what it was given.
    QTemporaryDir bin;
    const QString noted = bin.filePath(QStringLiteral("noted"));
    QFile lp(bin.filePath(QStringLiteral("lp")));
    ASSERT_TRUE(lp.open(QIODevice::WriteOnly));
    lp.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1'\n"
                            "[ -s \"$2\" ] && echo whole >> '%1'\n")
                 .arg(noted)
                 .toUtf8());
    lp.close();
    lp.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8() + ':' + path);

    QPrinter printer; // the system's default printer: no name, no file
    printer.setPrinterName(QString());
    printer.setOutputFileName(QString());
    window->printTo(printer);
    runToEnd();
    qputenv("PATH", path);
    EXPECT_EQ(prompts.messages(), QStringList(QStringLiteral("已送往打印机 3 份报告。")));
    QFile args(noted);
    ASSERT_TRUE(args.open(QIODevice::ReadOnly));
    const QStringList given = QString::fromUtf8(args.readAll()).split(u'\n', Qt::SkipEmptyParts);
    // No "-d" with an empty name: lp takes the default printer then.
    ASSERT_EQ(given.size(), 3) << given.join(u' ').toStdString();
    EXPECT_EQ(given[0], QStringLiteral("--"));
    EXPECT_TRUE(given[1].endsWith(QStringLiteral(".pdf"))) << given[1].toStdString();
    EXPECT_EQ(given[2], QStringLiteral("whole"));
}

TEST_F(BatchReportWindowTest, PrintToAFileWritesOnePdfOfAllAndCancelLeavesNoPartialFile)
{
    QTemporaryDir dir;
    QPrinter printer;
    printer.setOutputFileName(dir.filePath(QStringLiteral("printed.pdf")));
    window->printTo(printer);
    runToEnd();
    EXPECT_EQ(prompts.messages(),
              QStringList(QStringLiteral("已打印 3 份报告到文件 %1。")
                              .arg(dir.filePath(QStringLiteral("printed.pdf")))));
    EXPECT_EQ(pagesOf(dir.filePath(QStringLiteral("printed.pdf"))), 72);
    EXPECT_FALSE(failed->isVisible());

    prompts.clear();
    const QString out = dir.filePath(QStringLiteral("out"));
    window->exportTo(out);
    window->findChild<QPushButton*>(QStringLiteral("Btn_qx"))->click();
    runToEnd();
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_TRUE(prompts.messages().front().startsWith(QStringLiteral("已取消，已生成的 ")))
        << prompts.messages().front().toStdString();
    // Whatever is there is whole: no temporary file, every PDF complete.
    for (const QString& name :
         QDir(out).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot)) {
        EXPECT_FALSE(name.startsWith(u'.')) << name.toStdString();
        EXPECT_EQ(pagesOf(QDir(out).filePath(name)), 24) << name.toStdString();
    }
}

} // namespace
} // namespace hra::test

#include "RecordsFixture.h"
#include "store/Sql.h"
#include "windows/records/GroupImportWindow.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>

using namespace hra;
using test::RecordsFixture;

namespace {

const QByteArray kHeader = "姓名,性别,年龄,身份证号,身高,体重,腰围,收缩压,舒张压,总胆固醇,"
                           "甘油三酯,空腹血糖,糖耐量\n";

QByteArray personRow(int i, const QByteArray& age = "40")
{
    return "员工" + QByteArray::number(i) + ",男," + age + ",,1.7,65,80,130,80,4.5,1.2,5.1,6.4\n";
}

QList<QStringList> rows(const QTableWidget* table)
{
    QList<QStringList> out;
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table->columnCount(); ++c)
            cells << (table->item(r, c) ? table->item(r, c)->text() : QString());
        out << cells;
    }
    return out;
}

class GroupImportWindowTest : public RecordsFixture
{
protected:
    QString file(const QByteArray& content)
    {
        QFile f(files.filePath(QStringLiteral("group%1.csv").arg(++m_files)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return f.fileName();
    }

    int count(const QString& table) const
    {
        return store::scalar(conn->db(), QStringLiteral("select count(*) from %1").arg(table))
            .toInt();
    }

    // Clicks the button and waits for the run it starts to end.
    void runWith(const char* button)
    {
        QSignalSpy finished(&window(), &records::GroupImportWindow::runFinished);
        push(button);
        ASSERT_TRUE(finished.wait(60000));
        EXPECT_FALSE(window().busy());
    }

    void push(const char* button)
    {
        auto* b = window().findChild<QPushButton*>(QString::fromLatin1(button));
        ASSERT_TRUE(b && b->isEnabled()) << button;
        b->click();
    }

    records::GroupImportWindow& window()
    {
        if (!m_window)
            m_window = std::make_unique<records::GroupImportWindow>(*context);
        return *m_window;
    }

    QString report() { return window().findChild<QPlainTextEdit*>("Memo_report")->toPlainText(); }
    QTableWidget* grid(const char* name)
    {
        return window().findChild<QTableWidget*>(QString::fromLatin1(name));
    }

private:
    std::unique_ptr<records::GroupImportWindow> m_window;
    int m_files = 0;
};

} // namespace

// Each header with the column it was understood as, or why it is refused;
// a refused header leaves nothing to run.
TEST_P(GroupImportWindowTest, PreviewShowsHowEachHeaderWasUnderstood)
{
    window().openFile(file("姓名,体温,身高(m),SBP\n张三,36.5,1.7,120\n"));
    EXPECT_EQ(rows(grid("Grid_headers")),
              (QList<QStringList>{{"姓名", "姓名 (jkpg_jbxx.xingm)", ""},
                                  {"体温", "", "无法识别的表头“体温”"},
                                  {"身高(m)", "身高 (jkpg_tgjc.sheng)", ""},
                                  {"SBP", "收缩压 (jkpg_tgjc.shousy)", ""}}));
    EXPECT_EQ(rows(grid("Grid_preview")), (QList<QStringList>{{"张三", "36.5", "1.7", "120"}}));
    EXPECT_EQ(report(), "有表头无法识别，请改正后再导入");
    EXPECT_FALSE(window().findChild<QPushButton*>("Btn_import")->isEnabled());
    EXPECT_FALSE(window().findChild<QPushButton*>("Btn_dryRun")->isEnabled());

    window().openFile(file(kHeader + personRow(1)));
    EXPECT_EQ(grid("Grid_headers")->rowCount(), 13);
    EXPECT_TRUE(window().findChild<QPushButton*>("Btn_import")->isEnabled());
    EXPECT_EQ(report(), "");
}

// The dry run lists what would be stored and stores nothing; the import
// stores it, lists the new assessments and hands them to the batch report.
TEST_P(GroupImportWindowTest, DryRunStoresNothingAndTheImportListsTheAssessments)
{
    addPerson("0000000007", "员工2", "男");
    store::run(conn->db(), "update jkpg_jbxx set nianl = 40, shenfzh = '110101197901010038' "
                           "where bianh = '0000000007'");
    QByteArray text = kHeader + personRow(1);
    text += "员工2,男,40,110101197901010038,1.7,65,80,130,80,4.5,1.2,5.1,6.4\n";
    window().openFile(file(text));
    const int persons = count("jkpg_jbxx");
    const int logged = count("sys_czrz");

    runWith("Btn_dryRun");
    EXPECT_EQ(report(), "试运行完成，未保存任何数据：2行可以导入，其中新档案1人。");
    EXPECT_EQ(rows(grid("Grid_result")),
              (QList<QStringList>{{"2", "0000000008", "员工1", "-", "是"},
                                  {"3", "0000000007", "员工2", "-", "否"}}));
    EXPECT_EQ(count("jkpg_jbxx"), persons);
    EXPECT_EQ(count("jkpg_id"), 0);
    EXPECT_EQ(count("sys_czrz"), logged);
    EXPECT_FALSE(window().findChild<QPushButton*>("Btn_reports")->isEnabled());

    runWith("Btn_import");
    EXPECT_EQ(report(), "导入完成：2行，新建档案1人。");
    const QList<QStringList> listed = rows(grid("Grid_result"));
    ASSERT_EQ(listed.size(), 2);
    const qint64 first = listed[0][3].toLongLong();
    EXPECT_EQ(listed[0], (QStringList{"2", "0000000008", "员工1", QString::number(first), "是"}));
    EXPECT_EQ(listed[1],
              (QStringList{"3", "0000000007", "员工2", QString::number(first + 1), "否"}));
    EXPECT_EQ(count("jkpg_jbxx"), persons + 1);
    EXPECT_EQ(count("jkpg_id"), 2);
    EXPECT_EQ(window().findChild<QProgressBar*>("ProgressBar")->value(), 100);

    QSignalSpy handed(&window(), &records::GroupImportWindow::reportsRequested);
    push("Btn_reports");
    ASSERT_EQ(handed.size(), 1);
    EXPECT_EQ(handed.at(0).at(0).value<QList<qint64>>(), (QList<qint64>{first, first + 1}));
}

// 取消 while the rows are stored: nothing of the file stays.
TEST_P(GroupImportWindowTest, CancelStoresNothing)
{
    QByteArray text = kHeader;
    for (int i = 0; i < 400; ++i)
        text += personRow(i);
    window().openFile(file(text));
    const int logged = count("sys_czrz");
    QSignalSpy finished(&window(), &records::GroupImportWindow::runFinished);
    push("Btn_import");
    EXPECT_TRUE(window().busy());
    push("Btn_cancel");
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_EQ(report(), "已取消。文件中的数据均未保存");
    EXPECT_EQ(grid("Grid_result")->rowCount(), 0);
    EXPECT_EQ(count("jkpg_jbxx"), 0);
    EXPECT_EQ(count("jkpg_id"), 0);
    EXPECT_EQ(count("sys_czrz"), logged);
}

// A bad row is listed with its row, caption and reason; nothing is stored.
TEST_P(GroupImportWindowTest, BadRowIsListedAndNothingStored)
{
    window().openFile(file(kHeader + personRow(1) + personRow(2, "200") + personRow(3)));
    runWith("Btn_import");
    EXPECT_EQ(report(), "第3行 年龄: “200”必须是0到150之间的整数\n文件中的数据均未保存");
    EXPECT_EQ(grid("Grid_result")->rowCount(), 0);
    EXPECT_EQ(count("jkpg_jbxx"), 0);
    EXPECT_EQ(count("jkpg_id"), 0);
}

INSTANTIATE_TEST_SUITE_P(Backends, GroupImportWindowTest,
                         ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });

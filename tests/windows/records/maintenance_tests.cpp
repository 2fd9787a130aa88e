#include "RecordsFixture.h"
#include "reportengine/Report.h"
#include "sheets/SheetReader.h"
#include "store/Sql.h"
#include "support/GuiWait.h"
#include "ui/BookExport.h"
#include "windows/records/BrowseRecordWindow.h"
#include "windows/records/DeleteRecordWindow.h"
#include "windows/records/PersonListModel.h"
#include "windows/records/PersonListReport.h"
#include "windows/records/RenumberDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTableView>
#include <QTest>
#include <algorithm>
#include <random>

using namespace hra;
using test::RecordsFixture;

namespace {

QStringList headers(const QTableView* table)
{
    QStringList out;
    const QAbstractItemModel* model = table->model();
    for (int c = 0; c < model->columnCount(); ++c)
        out << model->headerData(c, Qt::Horizontal).toString();
    return out;
}

QString cell(const QTableView* table, int row, int column)
{
    return table->model()->index(row, column).data().toString();
}

// The rows read so far.
QStringList firstColumn(const QTableView* table)
{
    QStringList out;
    for (int r = 0; r < table->model()->rowCount(); ++r)
        out << cell(table, r, 0);
    return out;
}

// Every row, read to the end as a scrolled view would.
QStringList wholeFirstColumn(const QTableView* table)
{
    QAbstractItemModel* model = table->model();
    while (model->canFetchMore({}))
        model->fetchMore({});
    return firstColumn(table);
}

QStringList selectedNumbers(const QTableView* table)
{
    QStringList out;
    for (const QModelIndex& index : table->selectionModel()->selectedRows())
        out << index.data().toString();
    return out;
}

class Maintenance : public RecordsFixture
{
};

// A person changed or deleted by another workstation since the list was
// read is not deleted unseen: the window says which, and a deleted one
// leaves the list.
TEST_P(Maintenance, ADeleteOfAPersonChangedElsewhereSaysSo)
{
    addPerson("0001", "张三", "男");
    addPerson("0002", "李四", "女");
    records::DeleteRecordWindow window(*context);
    window.find();
    store::run(conn->db(), "update jkpg_jbxx set xingm = '张三丰', banb = banb + 1 "
                           "where bianh = '0001'");
    prompts.answerMessage(QMessageBox::Yes);
    window.deleteSelected();
    EXPECT_EQ(prompts.messages(),
              QStringList({"确实要删除这条记录吗?\n\n编号：0001    姓名：张三",
                           "该记录已被其他工作站修改!本次未删除,请重新查找,核对后再删除。"}));
    EXPECT_EQ(rowsWithNumber("jkpg_jbxx", "0001"), 1);
    EXPECT_EQ(firstColumn(window.table()), QStringList({"0001", "0002"}));

    store::run(conn->db(), "delete from jkpg_jbxx where bianh = '0002'");
    window.table()->selectRow(1);
    prompts.clear();
    prompts.answerMessage(QMessageBox::Yes);
    window.deleteSelected();
    EXPECT_EQ(prompts.messages(), QStringList({"确实要删除这条记录吗?\n\n编号：0002    姓名：李四",
                                               "该记录已被其他工作站删除!"}));
    EXPECT_EQ(firstColumn(window.table()), QStringList({"0001"}));

    // Found again, the changed person is deleted as listed now.
    window.find();
    prompts.clear();
    prompts.answerMessage(QMessageBox::Yes);
    window.deleteSelected();
    EXPECT_EQ(prompts.messages().value(1), "删除成功!");
    EXPECT_EQ(rowsWithNumber("jkpg_jbxx", "0001"), 0);
}

TEST_P(Maintenance, DeletingAPersonKeepsTheAssessments)
{
    addPerson("0001", "张三", "男", 1);
    addPerson("0002", "李四", "女");
    records::DeleteRecordWindow window(*context);
    EXPECT_EQ(headers(window.table()),
              QStringList({"编号", "姓名", "性别", "年龄", "婚姻状况", "文化程度", "职业",
                           "身份证号", "联系方式", "录入日期"}));
    window.deleteSelected(); // nothing found yet
    EXPECT_TRUE(prompts.records().empty());

    window.find();
    EXPECT_EQ(firstColumn(window.table()), QStringList({"0001", "0002"}));
    EXPECT_EQ(cell(window.table(), 0, 3), "40");
    EXPECT_EQ(selectedNumbers(window.table()), QStringList({"0001"}));

    prompts.answerMessage(QMessageBox::No);
    window.deleteSelected();
    EXPECT_EQ(rowsWithNumber("jkpg_jbxx", "0001"), 1);

    prompts.clear();
    window.deleteSelected(); // answered Yes
    EXPECT_EQ(prompts.messages(),
              QStringList({"确实要删除这条记录吗?\n\n编号：0001    姓名：张三", "删除成功!"}));
    EXPECT_EQ(prompts.records()[0].caption, "删除提示");
    EXPECT_EQ(prompts.records()[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(prompts.records()[0].defaultButton, QMessageBox::No);
    EXPECT_EQ(prompts.records()[1].caption, "提示信息!");
    EXPECT_EQ(rowsWithNumber("jkpg_jbxx", "0001"), 0);
    for (const QString& table : test::sevenTables.mid(0, 6))
        EXPECT_EQ(rowsWithNumber(table, "0001"), 1) << table.toStdString();
    // The person who took the deleted row's place is selected.
    EXPECT_EQ(firstColumn(window.table()), QStringList({"0002"}));
    EXPECT_EQ(selectedNumbers(window.table()), QStringList({"0002"}));

    // A pasted number with blanks around it is found; an unknown one is said.
    prompts.clear();
    addPerson("0000000010", "王五", "男");
    QApplication::clipboard()->setText(QStringLiteral(" 0000000010 "));
    window.searchBox()->clear();
    window.searchBox()->paste();
    window.find();
    EXPECT_EQ(firstColumn(window.table()), QStringList({"0000000010"}));
    window.searchBox()->setText(QStringLiteral("0003"));
    window.find();
    EXPECT_EQ(prompts.messages(), QStringList({"没有编号为“0003”的档案!"}));
}

TEST_P(Maintenance, BrowseHandsTheDoubleClickedPersonToTheQuestionnaireAndPrintsTheList)
{
    addPerson("0001", "张三", "男");
    addPerson("0002", "李四", "女");
    context->reportsDirectory = files.filePath("nowhere");
    records::BrowseRecordWindow window(*context);
    EXPECT_EQ(
        headers(window.table()),
        QStringList({"编号", "姓名", "性别", "身份证号", "年龄", "民族", "职业", "婚姻状况",
                     "文化程度", "工作单位", "通讯地址", "联系方式", "邮件", "录入日期", "照片"}));
    window.print(); // nothing found yet: nothing happens
    EXPECT_TRUE(prompts.records().empty());

    window.find();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTableView* view = window.table();
    const QPoint second = view->visualRect(view->model()->index(1, 1)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, second);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, second);
    EXPECT_EQ(session.pendingRecordNo, "0002");
    EXPECT_EQ(questionnaireOpened, 1);

    window.print(); // the template is missing: said, no preview
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_TRUE(prompts.messages()[0].contains("jbxx.fr3"));
    EXPECT_FALSE(window.findChild<records::PersonListPreview*>());

    context->reportsDirectory = qEnvironmentVariable("HRA_SOURCE_DIR") + "/reports";
    window.print();
    auto* preview = window.findChild<records::PersonListPreview*>();
    ASSERT_TRUE(preview);
    // The list builds on a build thread under the preview, shown at once.
    EXPECT_TRUE(preview->isVisible());
    ASSERT_TRUE(test::waitUntil([&] { return !preview->report().isBuilding(); }));
    EXPECT_FALSE(preview->findChild<QProgressBar*>("buildProgress")->isVisible());
    EXPECT_EQ(preview->findChild<QLabel*>("pageCount")->text(), "共 1 页");
    EXPECT_EQ(preview->report().pageCount(), 1);
    EXPECT_TRUE(preview->report().lastWarnings().isEmpty())
        << preview->report().lastWarnings().join("; ").toStdString();
    auto* source = preview->report().dataSources().find("frxDB_llda");
    ASSERT_TRUE(source);
    ASSERT_EQ(source->rowCount(), 2);
    EXPECT_EQ(source->value(1, source->fieldIndex("xingm")).toString(), "李四");

    const QString pdf = files.filePath("list.pdf");
    prompts.answerFile(pdf);
    preview->exportPdf();
    ASSERT_TRUE(test::waitUntil([&] { return !preview->isExporting(); }));
    EXPECT_EQ(prompts.messages().last(), "导出成功!");
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5) == "%PDF-");
}

// "导出Excel" writes the persons found, every column of the list but the
// photo, to the file chosen; a file it may not replace is refused in the
// operator's words and left as it was.
TEST_P(Maintenance, BrowseExportsTheListFoundToExcel)
{
    addPerson("0001", "张三", "男");
    addPerson("0002", "李四", "女");
    records::BrowseRecordWindow window(*context);
    window.exportExcel(); // nothing found yet: nothing happens
    EXPECT_TRUE(prompts.records().empty());

    window.find();
    const QString book = files.filePath("名单.xlsx");
    prompts.answerFile(book);
    window.exportExcel();
    EXPECT_EQ(prompts.messages(), QStringList{ui::kBookWritten.arg(2).arg(book)});
    QList<QStringList> rows;
    for (const sheets::Row& r : sheets::readSheet(book).rows)
        rows << r.cells.mid(0, 3);
    EXPECT_EQ(rows, (QList<QStringList>{
                        {"编号", "姓名", "性别"}, {"0001", "张三", "男"}, {"0002", "李四", "女"}}));
    EXPECT_EQ(sheets::readSheet(book).rows.at(0).cells.size(), 14);

    window.searchBox()->setText("0002");
    window.find();
    prompts.clear();
    const QString folder = files.filePath("folder.xlsx");
    ASSERT_TRUE(QDir().mkdir(folder));
    QStringList refused{folder};
    if (GetParam() == store::Driver::Sqlite)
        refused << database->settings().databaseFile;
    for (const QString& target : refused) {
        prompts.answerFile(target);
        window.exportExcel();
    }
    EXPECT_EQ(prompts.messages(), QStringList(refused.size(), ui::kBookRefused));
    prompts.clear();
    prompts.answerFile(book);
    window.exportExcel();
    EXPECT_EQ(prompts.messages(), QStringList{ui::kBookWritten.arg(1).arg(book)});
    EXPECT_EQ(sheets::readSheet(book).rows.size(), 2);
    EXPECT_EQ(QDir(files.path()).entryList(QDir::Files | QDir::Hidden).filter(".xlsx"),
              QStringList{"名单.xlsx"});
}

// A list over many persons reads a page at a time, in record-number order
// across pages, and a deleted row does not upset the pages still to come.
TEST_P(Maintenance, ListsReadAsScrolledInRecordNumberOrder)
{
    QStringList numbers;
    for (int i = 0; i < 450; ++i)
        numbers << QStringLiteral("%1").arg(i * 37 + 5, 6, 10, QLatin1Char('0'));
    std::shuffle(numbers.begin(), numbers.end(), std::mt19937(7));
    {
        store::Transaction transaction(conn->db());
        for (const QString& number : numbers)
            addPerson(number, QStringLiteral("名") + number.right(3), "男");
        transaction.commit();
    }
    std::sort(numbers.begin(), numbers.end());

    records::DeleteRecordWindow window(*context);
    window.resize(900, 400);
    window.show();
    window.find();
    const int page = records::PersonListModel::kPageSize;
    ASSERT_EQ(window.table()->model()->rowCount(), page);
    EXPECT_EQ(firstColumn(window.table()), numbers.mid(0, page));

    // Scrolled to the end of what is read, the view asks for the next page.
    window.table()->scrollToBottom();
    QApplication::processEvents();
    EXPECT_EQ(firstColumn(window.table()), numbers.mid(0, 2 * page));

    // The last row read is deleted: the next person, on the page not read
    // yet, is selected, and the pages still continue in order.
    window.table()->selectRow(2 * page - 1);
    window.deleteSelected();
    EXPECT_EQ(prompts.messages().last(), "删除成功!");
    EXPECT_EQ(selectedNumbers(window.table()), QStringList({numbers.at(2 * page)}));
    numbers.removeAt(2 * page - 1);
    EXPECT_EQ(wholeFirstColumn(window.table()), numbers);
}

// A number in use is named with its holder before anything is asked; the
// same number again is said to be the same.
TEST_P(Maintenance, RenumberingToATakenNumberChangesNothingAndSaysWhy)
{
    addPerson("0001", "张三", "男", 1);
    addPerson("0002", "李四", "女", 2);
    records::RenumberDialog dialog(*conn, prompts, {"0001", "张三", "男", 40});
    EXPECT_EQ(dialog.findChild<QLabel*>("age")->text(), "40");
    dialog.newNumberBox()->setText("0002");
    dialog.confirm();
    dialog.newNumberBox()->setText(" 0001");
    dialog.confirm();
    EXPECT_EQ(prompts.messages(),
              QStringList({"编号“0002”已是“李四”的档案编号,请换一个编号!", "新编号与原编号相同!"}));
    EXPECT_EQ(prompts.records()[0].caption, "提示信息");
    EXPECT_FALSE(dialog.renumbered());
    for (const QString& table : test::sevenTables) {
        EXPECT_EQ(rowsWithNumber(table, "0001"), 1) << table.toStdString();
        EXPECT_EQ(rowsWithNumber(table, "0002"), 1) << table.toStdString();
    }
}

TEST_P(Maintenance, RenumberingMovesAllSevenTablesAndKeepsTheAssessmentsOldId)
{
    addPerson("0001", "张三", "男", 1);
    records::RenumberDialog dialog(*conn, prompts, {"0001", "张三", "男", 40});
    dialog.show();

    dialog.newNumberBox()->setText("   ");
    dialog.confirm(); // empty: said so, nothing asked
    prompts.answerMessage(QMessageBox::No);
    dialog.newNumberBox()->setText(" 0003 ");
    dialog.confirm(); // answered No: nothing changed, still open
    const QString question =
        QStringLiteral("确实要更改该评估编号吗？\n\n姓名：张三    编号：0001 → 0003");
    EXPECT_EQ(prompts.messages(), QStringList({"请输入新编号!", question}));
    EXPECT_EQ(prompts.records()[1].defaultButton, QMessageBox::No);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(rowsWithNumber("jkpg_jbxx", "0001"), 1);

    prompts.clear();
    prompts.answerMessage(QMessageBox::Yes);
    dialog.confirm();
    EXPECT_EQ(prompts.messages(), QStringList({question, "更改成功!"}));
    EXPECT_EQ(prompts.records()[1].caption, "信息提示!");
    EXPECT_EQ(prompts.records()[1].icon, QMessageBox::Information);
    EXPECT_TRUE(dialog.renumbered());
    EXPECT_FALSE(dialog.isVisible());
    for (const QString& table : test::sevenTables) {
        EXPECT_EQ(rowsWithNumber(table, "0001"), 0) << table.toStdString();
        EXPECT_EQ(rowsWithNumber(table, "0003"), 1) << table.toStdString();
    }
    EXPECT_EQ(store::scalar(conn->db(), "select id from jkpg_id where jkpg_id = 1").toString(),
              "0001");
}

// A search the database refuses says so instead of showing an empty list.
TEST_P(Maintenance, FailedSearchIsReportedNotShownAsNobody)
{
    addPerson("0001", "张三", "男");
    records::BrowseRecordWindow window(*context);
    store::execute(conn->db(), QStringLiteral("alter table jkpg_jbxx rename to jkpg_jbxx_away"));
    window.find();
    EXPECT_EQ(prompts.messages(), QStringList({"查找不成功!"}));
    EXPECT_EQ(prompts.records()[0].caption, "出错提示!");
    EXPECT_EQ(prompts.records()[0].icon, QMessageBox::Critical);
    EXPECT_EQ(window.table()->model()->rowCount(), 0);
    EXPECT_FALSE(window.hasList());
    window.print(); // no list, nothing to print
    EXPECT_EQ(prompts.records().size(), 1u);
    store::execute(conn->db(), QStringLiteral("alter table jkpg_jbxx_away rename to jkpg_jbxx"));
}

INSTANTIATE_TEST_SUITE_P(Backends, Maintenance, ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });

} // namespace

#include "sheets/SheetReader.h"
#include "store/Sql.h"
#include "support/SmallDisk.h"
#include "support/TestDatabase.h"
#include "ui/BookExport.h"
#include "ui/PromptService.h"

#include <QDir>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

using namespace hra;

namespace {

class BookExportTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        conn = db.connectInitialised();
        ASSERT_TRUE(conn);
    }

    // A job of `rows` rows in pages of two; `after(page)` runs after each.
    ui::BookExport job(int rows, const std::function<void(int)>& after = {})
    {
        ui::BookExport j;
        j.title = QStringLiteral("导出Excel");
        j.suggestedName = QStringLiteral("名单");
        j.auditText = QStringLiteral("导出名单");
        j.expectedRows = rows;
        j.write = [rows, after](sheets::XlsxWriter& book, const domain::ExportProgress& progress) {
            book.addSheet(QStringLiteral("名单"), {QStringLiteral("序号")});
            for (int i = 1; i <= rows; ++i) {
                book.addRow({double(i)});
                if (i % 2 == 0 || i == rows) {
                    if (after)
                        after(i);
                    if (!progress(i))
                        return false;
                }
            }
            return true;
        };
        return j;
    }

    QStringList auditDetails() const
    {
        QStringList out;
        for (const QVariantList& row :
             store::select(conn->db(), QStringLiteral("select xiangq from sys_czrz where xiangq "
                                                      "like '导出%' order by rizid"))
                 .rows)
            out << row.at(0).toString();
        return out;
    }

    test::TestDatabase db{store::Driver::Sqlite};
    std::unique_ptr<store::Connection> conn;
    ui::ScriptedPromptService prompts;
    QWidget parent;
    QTemporaryDir dir;
};

} // namespace

// A written book is said with its rows and file, and logged by file name;
// a name without a suffix gets ".xlsx"; no file chosen, nothing happens.
TEST_F(BookExportTest, WritesTheChosenFileAndSaysSo)
{
    EXPECT_EQ(ui::exportBook(&parent, prompts, *conn, job(3)), QString());
    EXPECT_EQ(prompts.messages(), QStringList());

    const QString book = dir.filePath(QStringLiteral("名单.xlsx"));
    prompts.answerFile(dir.filePath(QStringLiteral("名单")));
    EXPECT_EQ(ui::exportBook(&parent, prompts, *conn, job(3)), book);
    EXPECT_EQ(prompts.messages(), QStringList{ui::kBookWritten.arg(3).arg(book)});
    QStringList cells;
    for (const sheets::Row& r : sheets::readSheet(book).rows)
        cells << r.cells;
    EXPECT_EQ(cells, (QStringList{"序号", "1", "2", "3"}));
    EXPECT_EQ(auditDetails(), QStringList{"导出名单 → 名单.xlsx"});
}

// "取消", a failed read and a full disk each leave the file as it was, say
// why in the operator's words, and log nothing.
TEST_F(BookExportTest, CancelAndFailuresLeaveTheFileAsItWas)
{
    const QString book = dir.filePath(QStringLiteral("名单.xlsx"));
    prompts.answerFile(book);
    ASSERT_FALSE(ui::exportBook(&parent, prompts, *conn, job(3)).isEmpty());
    prompts.clear();

    prompts.answerFile(book);
    EXPECT_EQ(ui::exportBook(&parent, prompts, *conn,
                             job(10,
                                 [this](int page) {
                                     if (page == 4)
                                         parent.findChild<QProgressDialog*>()->cancel();
                                 })),
              QString());
    EXPECT_EQ(prompts.messages(), QStringList{ui::kBookCancelled});

    prompts.clear();
    prompts.answerFile(book);
    EXPECT_EQ(ui::exportBook(&parent, prompts, *conn,
                             job(10,
                                 [](int page) {
                                     if (page == 4)
                                         throw store::DatabaseError(
                                             QStringLiteral("no such table"));
                                 })),
              QString());
    EXPECT_EQ(prompts.messages(), QStringList{ui::kBookReadFailed});
    EXPECT_EQ(sheets::readSheet(book).rows.size(), 4); // the book of three rows
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"名单.xlsx"});

    test::SmallDisk disk;
    if (disk.mounted()) {
        prompts.clear();
        const QString full = disk.path(QStringLiteral("名单.xlsx"));
        prompts.answerFile(full);
        EXPECT_EQ(ui::exportBook(&parent, prompts, *conn, job(20000)), QString());
        EXPECT_EQ(prompts.messages(), QStringList{ui::kBookDiskFull.arg(full)});
        EXPECT_EQ(disk.files(), QStringList());
    }
    EXPECT_EQ(auditDetails(), QStringList{"导出名单 → 名单.xlsx"});
}

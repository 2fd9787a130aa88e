#include "domain/SheetExports.h"
#include "sheets/SheetReader.h"
#include "store/Sql.h"
#include "support/BookCells.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

using namespace hra;

namespace {

// The rows of a book's first sheet as shown, trailing empty cells dropped.
QList<QStringList> shownRows(const QString& path)
{
    QList<QStringList> out;
    for (sheets::Row row : sheets::readSheet(path).rows) {
        while (!row.cells.isEmpty() && row.cells.back().isEmpty())
            row.cells.removeLast();
        out << row.cells;
    }
    return out;
}

const QStringList kPersonCaptions{"编号",     "姓名",     "性别",     "身份证号", "年龄",
                                  "民族",     "职业",     "婚姻状况", "文化程度", "工作单位",
                                  "通讯地址", "联系方式", "邮件",     "录入日期"};

class SheetExportsTest : public ::testing::TestWithParam<store::Driver>
{
protected:
    void SetUp() override
    {
        HRA_REQUIRE_BACKEND(db);
        conn = db.connectInitialised();
        ASSERT_TRUE(conn);
        store::run(d(),
                   QStringLiteral("insert into jkpg_jbxx (bianh, xingm, xingb, shenfzh, nianl, "
                                  "minz, zhiy, hunyzk, wenhcd, gongzdw, tongxdz, lianxfs, youj, "
                                  "lurrq, zhaop) values ('0000000031', '赵六', '男', "
                                  "'110101198602020021', 40, '汉族', '工人', '已婚', '大专', "
                                  "'甲公司', '和平路1号', '0001234', 'z@example.com', :t, "
                                  "'31.jpg')"),
                   {{"t", QDateTime(QDate(2025, 3, 10), QTime(8, 30, 5))}});
        addPerson("0000000032", "钱七", "女", 33, "乙公司");
        addPerson("0000000033", "孙八", "男", 61, "甲公司");
    }

    QSqlDatabase d() const { return conn->db(); }

    void addPerson(const char* number, const char* name, const char* sex, int age, const char* unit)
    {
        store::run(d(),
                   QStringLiteral("insert into jkpg_jbxx (bianh, xingm, xingb, nianl, gongzdw) "
                                  "values (:bh, :xm, :xb, :nl, :dw)"),
                   {{"bh", QString::fromUtf8(number)},
                    {"xm", QString::fromUtf8(name)},
                    {"xb", QString::fromUtf8(sex)},
                    {"nl", age},
                    {"dw", QString::fromUtf8(unit)}});
    }

    test::TestDatabase db{GetParam()};
    std::unique_ptr<store::Connection> conn;
    QTemporaryDir dir;
};

} // namespace

// The persons of the list, or of one unit, with the list's captions: the
// identity number and the phone as text, the age a number, the date entered
// a date and time; the photo's name is left out.
TEST_P(SheetExportsTest, PersonSheetHoldsTheListedPersons)
{
    const QStringList zhao{"0000000031",
                           "赵六",
                           "男",
                           "110101198602020021",
                           "40",
                           "汉族",
                           "工人",
                           "已婚",
                           "大专",
                           "甲公司",
                           "和平路1号",
                           "0001234",
                           "z@example.com",
                           "2025-03-10 08:30:05"};
    struct Case
    {
        const char* name;
        QString number;
        QString unit;
        QList<QStringList> rows;
    };
    const std::vector<Case> cases{
        {"everyone",
         {},
         {},
         {kPersonCaptions,
          zhao,
          {"0000000032", "钱七", "女", "", "33", "", "", "", "", "乙公司"},
          {"0000000033", "孙八", "男", "", "61", "", "", "", "", "甲公司"}}},
        {"one unit",
         {},
         " 甲公司 ",
         {kPersonCaptions, zhao, {"0000000033", "孙八", "男", "", "61", "", "", "", "", "甲公司"}}},
        {"one person",
         "0000000032",
         {},
         {kPersonCaptions, {"0000000032", "钱七", "女", "", "33", "", "", "", "", "乙公司"}}},
        {"a unit nobody works for", {}, "丙公司", {kPersonCaptions}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QStringLiteral("persons.xlsx"));
        domain::PersonListing listing(c.number, domain::personSheetColumns());
        listing.setUnit(c.unit);
        sheets::XlsxWriter book(path);
        EXPECT_TRUE(domain::writePersonSheet(d(), listing, book));
        EXPECT_EQ(book.rows(), c.rows.size() - 1);
        book.close();
        EXPECT_EQ(shownRows(path), c.rows);
        EXPECT_EQ(listing.count(d()), c.rows.size() - 1);
    }
    const QString path = dir.filePath(QStringLiteral("persons.xlsx"));
    {
        sheets::XlsxWriter book(path);
        domain::writePersonSheet(d(), domain::PersonListing({}, domain::personSheetColumns()),
                                 book);
        book.close();
    }
    const QHash<QString, QString> kinds = test::firstSheetKinds(path);
    EXPECT_EQ(kinds.value("A2"), "text");
    EXPECT_EQ(kinds.value("D2"), "text");
    EXPECT_EQ(kinds.value("E2"), "number");
    EXPECT_EQ(kinds.value("L2"), "text");
    EXPECT_EQ(kinds.value("N2"), "number as yyyy-mm-dd hh:mm:ss");
}

// Every match of the search, newest first, across pages; the progress is
// told after each page, and a stop there ends the export.
TEST_P(SheetExportsTest, SearchSheetHoldsEveryMatchAcrossPages)
{
    constexpr int kAssessments = 1005; // more than a page
    {
        store::Transaction tx(d());
        for (int id = 1; id <= kAssessments; ++id)
            store::run(
                d(),
                QStringLiteral("insert into jkpg_id (jkpg_id, bianh, zhuangt, lurrq) "
                               "values (:id, :bh, '结束', :t)"),
                {{"id", id},
                 {"bh", id % 2 ? QStringLiteral("0000000031") : QStringLiteral("0000000032")},
                 {"t", QDateTime(QDate(2025, 1, 1).addDays(id / 10), QTime(9, 0))}});
        tx.commit();
    }
    domain::SearchCriteria criteria;
    criteria.name = QStringLiteral("赵");
    const auto search = domain::AssessmentSearch::build(criteria);
    ASSERT_TRUE(search);
    const QString path = dir.filePath(QStringLiteral("search.xlsx"));
    std::vector<qint64> told;
    {
        sheets::XlsxWriter book(path);
        EXPECT_TRUE(domain::writeSearchSheet(d(), *search, book, [&](qint64 rows) {
            told.push_back(rows);
            return true;
        }));
        book.close();
    }
    EXPECT_EQ(told, (std::vector<qint64>{503}));
    const QList<QStringList> rows = shownRows(path);
    ASSERT_EQ(rows.size(), 504);
    EXPECT_EQ(rows.at(0), (QStringList{"编号", "姓名", "性别", "状态", "评估日期", "年龄"}));
    EXPECT_EQ(rows.at(1),
              (QStringList{"0000000031", "赵六", "男", "结束", "2025-04-11 09:00:00", "40"}));
    EXPECT_EQ(rows.at(503),
              (QStringList{"0000000031", "赵六", "男", "结束", "2025-01-01 09:00:00", "40"}));
    const QHash<QString, QString> kinds = test::firstSheetKinds(path);
    EXPECT_EQ(kinds.value("A2"), "text");
    EXPECT_EQ(kinds.value("E2"), "number as yyyy-mm-dd hh:mm:ss");
    EXPECT_EQ(kinds.value("F2"), "number");

    // Everyone: two pages.
    told.clear();
    const auto all = domain::AssessmentSearch::build({});
    {
        sheets::XlsxWriter book(path);
        EXPECT_TRUE(domain::writeSearchSheet(d(), *all, book, [&](qint64 rows) {
            told.push_back(rows);
            return true;
        }));
        book.close();
    }
    EXPECT_EQ(told, (std::vector<qint64>{1000, 1005}));
    EXPECT_EQ(shownRows(path).size(), 1006);
    EXPECT_EQ(shownRows(path).at(1).at(0), "0000000031"); // 1005, the newest

    // Stopped after the first page: nothing replaces the book written before.
    told.clear();
    {
        sheets::XlsxWriter book(path);
        EXPECT_FALSE(domain::writeSearchSheet(d(), *all, book, [&](qint64 rows) {
            told.push_back(rows);
            return false;
        }));
    }
    EXPECT_EQ(told, (std::vector<qint64>{1000}));
    EXPECT_EQ(shownRows(path).size(), 1006);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"search.xlsx"});
}

INSTANTIATE_TEST_SUITE_P(Backends, SheetExportsTest, ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });

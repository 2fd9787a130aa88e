#include "sheets/Csv.h"
#include "sheets/SheetReader.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>

// Readable texts in failure messages.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

using namespace hra::sheets;

namespace {

QList<QStringList> cells(const Sheet& sheet)
{
    QList<QStringList> out;
    for (const Row& r : sheet.rows)
        out << r.cells;
    return out;
}

struct CsvCase
{
    const char* name;
    QByteArray bytes;
    QString encoding;
    QList<QStringList> rows;
};

// "姓名,性别,年龄 / 张三,男,45" as GB18030 bytes, the way a spreadsheet
// program on a Chinese system saves it.
const QByteArray kGb18030 = QByteArray("\xd0\xd5\xc3\xfb,\xd0\xd4\xb1\xf0,\xc4\xea\xc1\xe4\r\n"
                                       "\xd5\xc5\xc8\xfd,\xc4\xd0,45\r\n");
const QList<QStringList> kPerson{{"姓名", "性别", "年龄"}, {"张三", "男", "45"}};

} // namespace

TEST(CsvTest, EncodingsSeparatorsAndQuotes)
{
    const std::vector<CsvCase> cases{
        {"utf-8", QByteArray("姓名,性别,年龄\n张三,男,45\n"), {}, kPerson},
        {"utf-8 with bom", QByteArray("\xEF\xBB\xBF姓名,性别,年龄\r\n张三,男,45"), {}, kPerson},
        {"gb18030 detected", kGb18030, {}, kPerson},
        {"gb18030 named", kGb18030, "GB18030", kPerson},
        // A character outside the two-byte range: four bytes in GB18030.
        {"gb18030 four bytes", QByteArray("\x95\x32\x82\x36,x\n"), {}, {{"𠀀", "x"}}},
        {"tab separated", QByteArray("姓名\t性别\t年龄\n张三\t男\t45\n"), {}, kPerson},
        {"tabs win over commas in the first line",
         QByteArray("单位\t姓名\n\"甲,乙\"\t张三\n"),
         {},
         {{"单位", "姓名"}, {"甲,乙", "张三"}}},
        {"quoted separator, quote and line break",
         QByteArray("a,b,c\n\"x,y\",\"say \"\"hi\"\"\",\"line1\r\nline2\"\n"),
         {},
         {{"a", "b", "c"}, {"x,y", "say \"hi\"", "line1\r\nline2"}}},
        {"empty fields kept", QByteArray("a,,c\n,,\n"), {}, {{"a", "", "c"}, {"", "", ""}}},
        {"identity number stays text",
         QByteArray("身份证号\n11010119860202002X\n000123\n"),
         {},
         {{"身份证号"}, {"11010119860202002X"}, {"000123"}}},
    };
    for (const CsvCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(cells(parseCsv(c.bytes, c.encoding)), c.rows);
    }
}

// A row's number counts records, so a line break inside quotes does not
// shift the numbers the problems are reported by.
TEST(CsvTest, RowNumbersCountRecords)
{
    const Sheet sheet = parseCsv("h1,h2\n\"a\nb\",c\nd,e\n", {});
    ASSERT_EQ(sheet.rows.size(), 3);
    EXPECT_EQ(sheet.rows.at(2).number, 3);
    EXPECT_EQ(sheet.rows.at(2).cells, (QStringList{"d", "e"}));
}

// A long file is decoded piece by piece: a row, a quoted field, a CRLF or a
// multi-byte character across a piece's end comes out whole, and a file
// whose only GB18030 bytes lie far from its start is still taken for GB18030.
TEST(CsvTest, LongFilesReadInPieces)
{
    QByteArray utf8 = "名称,备注\n";
    QList<QStringList> rows{{"名称", "备注"}};
    for (int i = 0; i < 6000; ++i) {
        const QString note = QStringLiteral("第%1行,\"引号\"").arg(i);
        utf8 += QStringLiteral("张%1,\"第%1行,\"\"引号\"\"\"\r\n").arg(i).toUtf8();
        rows << QStringList{QStringLiteral("张%1").arg(i), note};
    }
    const QString longField(70000, u'长');
    utf8 += "\"" + longField.toUtf8() + "\",末\n";
    rows << QStringList{longField, "末"};
    EXPECT_EQ(cells(parseCsv(utf8, {})), rows);

    QByteArray gb = QByteArray("a,b\n").repeated(40000) + kGb18030;
    const Sheet sheet = parseCsv(gb, {});
    ASSERT_EQ(sheet.rows.size(), 40002);
    EXPECT_EQ(sheet.rows.at(40001).cells, (QStringList{"张三", "男", "45"}));
    EXPECT_EQ(sheet.rows.at(40001).number, 40002);
}

TEST(CsvTest, RefusedFiles)
{
    const std::vector<std::pair<QString, QString>> cases{
        {"a,b\n\"open,c\n", "第2行的引号没有结束"},
        {"!unknown-encoding", "不支持的编码“no-such-encoding”"},
        {"!utf-8 named, gb18030 given", "文件内容不是UTF-8编码"},
    };
    for (const auto& [input, message] : cases) {
        SCOPED_TRACE(input.toStdString());
        try {
            if (input == "!unknown-encoding")
                parseCsv("a\n", "no-such-encoding");
            else if (input.startsWith(u'!'))
                parseCsv(kGb18030, "UTF-8");
            else
                parseCsv(input.toUtf8(), {});
            ADD_FAILURE() << "accepted";
        } catch (const SheetError& e) {
            EXPECT_EQ(e.message(), message);
        }
    }
}

TEST(NumberCellTextTest, AsASpreadsheetShowsThem)
{
    const std::vector<std::pair<double, QString>> cases{
        {12, "12"},
        {1.75, "1.75"},
        {70.0, "70"},
        {-3.5, "-3.5"},
        {0.1 + 0.2, "0.3"},
        {1.5e-7, "0.00000015"},
        {123456789012, "123456789012"},
        // Past fifteen digits, only the first fifteen are the number's own.
        {110101197901010038.0, "110101197901010000"},
        {0, "0"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(numberCellText(value), text) << value;
}

// data/group.xlsx is written by make_group_xlsx.py as spreadsheet programs
// write: shared strings, an inline string, numbers, dates with formats.
TEST(XlsxTest, CellsAsTheSpreadsheetShowsThem)
{
    const QString path = QStringLiteral(HRA_SHEETS_DATA "/group.xlsx");
    const Sheet group = readSheet(path);
    ASSERT_EQ(group.rows.size(), 3);
    EXPECT_EQ(group.rows.at(0).cells,
              (QStringList{"姓名", "性别", "年龄", "身份证号", "工作单位", "身高", "体重", "腰围",
                           "收缩压", "舒张压", "总胆固醇", "甘油三酯", "空腹血糖", "糖耐量"}));
    EXPECT_EQ(group.rows.at(1).cells,
              (QStringList{"赵一", "男", "45", "110101197901010038", "第一中学", "1.72", "70.5",
                           "88", "135", "85", "5.2", "1.4", "5.6", "7.1"}));
    EXPECT_EQ(group.rows.at(2).number, 3);
    EXPECT_EQ(group.rows.at(2).cells.at(3), "11010119860202002X");

    const Sheet dates = readSheet(path, {.sheet = QStringLiteral("日期")});
    ASSERT_EQ(dates.rows.size(), 2);
    EXPECT_EQ(dates.rows.at(1).cells,
              (QStringList{"2023-03-15", "2023-03-15 12:00:00", "2023-03-16", "1234.5",
                           "123456789012", "0.000123"}));

    try {
        readSheet(path, {.sheet = QStringLiteral("没有")});
        ADD_FAILURE() << "an unknown sheet was read";
    } catch (const SheetError& e) {
        EXPECT_EQ(e.message(), "没有名为“没有”的工作表");
    }
}

// An XLSX file is known by its content, a CSV file by not being one; a
// broken XLSX file is refused, not read as text.
TEST(XlsxTest, KnownByContent)
{
    QTemporaryDir dir;
    QFile::copy(QStringLiteral(HRA_SHEETS_DATA "/group.xlsx"), dir.filePath("group.csv"));
    EXPECT_EQ(readSheet(dir.filePath("group.csv")).rows.at(1).cells.at(0), "赵一");

    QFile broken(dir.filePath("broken.xlsx"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("PK\x03\x04 not really a zip file");
    broken.close();
    EXPECT_THROW(readSheet(broken.fileName()), SheetError);
}

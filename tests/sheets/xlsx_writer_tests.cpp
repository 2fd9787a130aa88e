#include "sheets/SheetReader.h"
#include "sheets/XlsxWriter.h"
#include "support/SmallDisk.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <cmath>
#include <gtest/gtest.h>
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

using namespace hra::sheets;
using Reason = SheetWriteError::Reason;

namespace {

QList<QStringList> cells(const Sheet& sheet)
{
    QList<QStringList> out;
    for (const Row& r : sheet.rows)
        out << r.cells;
    return out;
}

QByteArray zipEntry(const QString& path, const std::string& name)
{
    orcus::zip_archive_stream_fd stream(QFile::encodeName(path).constData());
    orcus::zip_archive zip(&stream);
    zip.load();
    std::vector<unsigned char> bytes;
    if (!zip.read_file_entry(name, bytes))
        return {};
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

// The number format of each cell style: cellXfs in order, their numFmtId
// resolved through numFmts.
QStringList styleFormats(const QByteArray& stylesXml)
{
    QHash<QString, QString> codes;
    QStringList formats;
    bool inCellXfs = false;
    QXmlStreamReader xml(stylesXml);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == u"cellXfs")
            inCellXfs = false;
        if (!xml.isStartElement())
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (xml.name() == u"numFmt")
            codes.insert(a.value(QLatin1String("numFmtId")).toString(),
                         a.value(QLatin1String("formatCode")).toString());
        else if (xml.name() == u"cellXfs")
            inCellXfs = true;
        else if (inCellXfs && xml.name() == u"xf")
            formats << codes.value(a.value(QLatin1String("numFmtId")).toString());
    }
    return formats;
}

// How each cell of a sheet is stored: "text", "number", or "number as F"
// for a number shown through the format F.
QHash<QString, QString> cellKinds(const QByteArray& sheetXml, const QStringList& formats)
{
    QHash<QString, QString> kinds;
    QXmlStreamReader xml(sheetXml);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.name() != u"c")
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        const QString type = a.value(QLatin1String("t")).toString();
        QString kind = type == u"inlineStr" || type == u"s" ? QStringLiteral("text")
                       : type.isEmpty()                     ? QStringLiteral("number")
                                                            : type;
        const QString format = formats.value(a.value(QLatin1String("s")).toInt());
        if (kind == u"number" && !format.isEmpty())
            kind += QStringLiteral(" as ") + format;
        kinds.insert(a.value(QLatin1String("r")).toString(), kind);
    }
    return kinds;
}

QStringList folderEntries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

// What was written reads back as the spreadsheet shows it: Chinese names
// and headers, an identity number of 18 digits as text, numbers as numbers,
// dates and times as such; empty and impossible values as empty cells.
TEST(XlsxWriterTest, ABookReadsBackWithItsCellsAndTypes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("导出.xlsx"));
    {
        XlsxWriter book(path);
        book.addSheet(QStringLiteral("查询结果"),
                      {"编号", "姓名", "身份证号", "年龄", "体重", "录入日期", "出生日期"});
        book.addRow({QStringLiteral("000123"), QStringLiteral("张三"),
                     QStringLiteral("110101198602020021"), 45.0, 62.5,
                     QDateTime(QDate(2024, 3, 5), QTime(8, 30, 15)), QDate(1986, 2, 2)});
        book.addRow({QStringLiteral("000124"), QString(), std::monostate{}, std::nan(""), -0.125,
                     QDateTime(QDate(2024, 12, 31), QTime(0, 0)), QDate(1899, 12, 31)});
        EXPECT_EQ(book.rows(), 2);
        book.addSheet(QStringLiteral("人员"), {"单位"});
        book.addRow({QStringLiteral("甲公司, \"总部\" <一>")});
        book.close();
    }
    EXPECT_EQ(cells(readSheet(path)),
              (QList<QStringList>{
                  {"编号", "姓名", "身份证号", "年龄", "体重", "录入日期", "出生日期"},
                  {"000123", "张三", "110101198602020021", "45", "62.5", "2024-03-05 08:30:15",
                   "1986-02-02"},
                  {"000124", "", "", "", "-0.125", "2024-12-31", "1899-12-31"},
              }));
    EXPECT_EQ(cells(readSheet(path, {.sheet = QStringLiteral("人员")})),
              (QList<QStringList>{{"单位"}, {"甲公司, \"总部\" <一>"}}));

    const QByteArray sheet = zipEntry(path, "xl/worksheets/sheet1.xml");
    const QByteArray styles = zipEntry(path, "xl/styles.xml");
    const QHash<QString, QString> kinds = cellKinds(sheet, styleFormats(styles));
    const QString dateTime = QStringLiteral("number as yyyy-mm-dd hh:mm:ss");
    const QHash<QString, QString> expected{
        {"A2", "text"},
        {"B2", "text"},
        {"C2", "text"},
        {"D2", "number"},
        {"E2", "number"},
        {"F2", dateTime},
        {"G2", "number as yyyy-mm-dd"},
        {"A3", "text"},
        {"E3", "number"},
        {"F3", dateTime},
        {"G3", "text"},
    };
    for (auto it = expected.begin(); it != expected.end(); ++it)
        EXPECT_EQ(kinds.value(it.key()), it.value()) << it.key().toStdString();
    EXPECT_FALSE(kinds.contains("B3")); // empty text, nothing, not a number
    EXPECT_FALSE(kinds.contains("C3"));
    EXPECT_FALSE(kinds.contains("D3"));
    // The header row stays in view, its cells bold.
    EXPECT_TRUE(sheet.contains("<pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" "
                               "state=\"frozen\"/>"))
        << sheet.left(2000).toStdString();
    EXPECT_TRUE(styles.contains("<b/>"));
    EXPECT_EQ(QFile(path).permissions() & (QFile::ReadOther | QFile::ReadGroup),
              QFileDevice::Permissions());
    EXPECT_EQ(folderEntries(dir.path()), QStringList{"导出.xlsx"});
}

// A target that may not be replaced is refused before anything is written
// and again when the book takes its name; the protected file is untouched.
TEST(XlsxWriterTest, RefusedTargets)
{
    QTemporaryDir dir;
    const QString database = dir.filePath(QStringLiteral("qmo_jkpg.sqlite3"));
    writeFile(database, "database");
    const QString folder = dir.filePath(QStringLiteral("folder.xlsx"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString link = dir.filePath(QStringLiteral("link.xlsx"));
    ASSERT_TRUE(QFile::link(database, link));
    struct Case
    {
        const char* name;
        QString path;
        QString message;
    };
    const std::vector<Case> cases{
        {"a folder", folder, folder + " exists and is no regular file; it is not replaced"},
        {"the database", database, database + " is the database in use; choose another file"},
        {"a link to the database", link, link + " is the database in use; choose another file"},
    };
    const QStringList before = folderEntries(dir.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            XlsxWriter book(c.path, {database});
            ADD_FAILURE() << "not refused";
        } catch (const SheetWriteError& e) {
            EXPECT_EQ(e.reason(), Reason::Refused);
            EXPECT_EQ(e.path(), c.path);
            EXPECT_EQ(e.message(), c.message);
        }
    }
    // Made a protected file while the rows were written.
    const QString later = dir.filePath(QStringLiteral("later.xlsx"));
    {
        XlsxWriter book(later, {database});
        book.addSheet("表", {"a"});
        book.addRow({1.0});
        ASSERT_TRUE(QFile::link(database, later));
        try {
            book.close();
            ADD_FAILURE() << "not refused at close";
        } catch (const SheetWriteError& e) {
            EXPECT_EQ(e.reason(), Reason::Refused);
        }
    }
    ASSERT_TRUE(QFile::remove(later));
    EXPECT_EQ(contents(database), "database");
    EXPECT_EQ(folderEntries(dir.path()), before);
    EXPECT_TRUE(folderEntries(folder).isEmpty());
}

// A writer given up on (an error, a cancel) leaves the target as it was and
// no file of its own; one that closes replaces the target.
TEST(XlsxWriterTest, AnAbandonedWriterLeavesNoFile)
{
    QTemporaryDir dir;
    const QString fresh = dir.filePath(QStringLiteral("new.xlsx"));
    const QString old = dir.filePath(QStringLiteral("old.xlsx"));
    writeFile(old, "the previous export");
    for (const QString& path : {fresh, old}) {
        XlsxWriter book(path);
        book.addSheet("人员", {"姓名"});
        for (int i = 0; i < 5000; ++i)
            book.addRow({QStringLiteral("张三%1").arg(i)});
    }
    EXPECT_EQ(folderEntries(dir.path()), QStringList{"old.xlsx"});
    EXPECT_EQ(contents(old), "the previous export");

    {
        XlsxWriter book(old);
        book.addSheet("人员", {"姓名"});
        book.addRow({QStringLiteral("李四")});
        book.close();
    }
    EXPECT_EQ(cells(readSheet(old)), (QList<QStringList>{{"姓名"}, {"李四"}}));
    EXPECT_EQ(folderEntries(dir.path()), QStringList{"old.xlsx"});
}

// Misuse and impossible names fail with a reason, never a broken book.
TEST(XlsxWriterTest, SheetNamesAndOrder)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.xlsx"));
    XlsxWriter book(path);
    EXPECT_THROW(book.addRow({1.0}), SheetWriteError);
    for (const QString& name :
         {QStringLiteral("a/b"), QStringLiteral("问[题]"),
          QStringLiteral("一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十一二")}) {
        SCOPED_TRACE(name.toStdString());
        try {
            book.addSheet(name, {"a"});
            ADD_FAILURE() << "accepted";
        } catch (const SheetWriteError& e) {
            EXPECT_EQ(e.reason(), Reason::Failed);
            EXPECT_TRUE(e.message().startsWith(
                QStringLiteral("the sheet name %1 cannot be used: ").arg(name)))
                << e.message().toStdString();
        }
    }
    book.addSheet("统计", {"a"});
    EXPECT_THROW(book.addSheet("统计", {"a"}), SheetWriteError);
    book.close();
    EXPECT_THROW(book.close(), SheetWriteError);
    EXPECT_EQ(cells(readSheet(path)), (QList<QStringList>{{"a"}}));
}

// A book that finds the disk full says so, naming the file, and leaves
// nothing on the disk.
TEST(XlsxWriterTest, AFullDiskIsNamedAndLeavesNoFile)
{
    hra::test::SmallDisk disk;
    if (!disk.mounted())
        GTEST_SKIP() << "no permission to mount a small file system here";
    const QString path = disk.path(QStringLiteral("list.xlsx"));
    try {
        XlsxWriter book(path);
        book.addSheet("人员", {"姓名", "编号"});
        for (int i = 0; i < 20000; ++i)
            book.addRow({QStringLiteral("张三%1").arg(i), double(i)});
        book.close();
        ADD_FAILURE() << "written to a full disk";
    } catch (const SheetWriteError& e) {
        EXPECT_EQ(e.reason(), Reason::DiskFull);
        EXPECT_EQ(e.message(), QStringLiteral("not enough disk space to write ") + path);
    }
    EXPECT_EQ(disk.files(), QStringList());
}

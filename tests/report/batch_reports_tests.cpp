// The reports of a work unit built on a pool of workers: which assessments,
// the files' names and pages, failures and cancels.

#include "report/BatchReports.h"
#include "store/Sql.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace hra::test {
namespace {

using report::BatchItem;

QString reportsDir()
{
    return qEnvironmentVariable("HRA_SOURCE_DIR") + QStringLiteral("/reports");
}

// The pages of a PDF as qpdf counts them; -1 when it cannot read the file.
int pagesOf(const QString& pdf)
{
    QProcess qpdf;
    qpdf.start(QStringLiteral("qpdf"), {QStringLiteral("--show-npages"), pdf});
    if (!qpdf.waitForFinished(30000) || qpdf.exitCode() != 0)
        return -1;
    return qpdf.readAllStandardOutput().trimmed().toInt();
}

// The fonts a PDF embeds, by name without the subset's prefix.
QStringList fontsOf(const QString& pdf)
{
    QProcess pdffonts;
    pdffonts.start(QStringLiteral("pdffonts"), {pdf});
    if (!pdffonts.waitForFinished(30000) || pdffonts.exitCode() != 0)
        return {QStringLiteral("unreadable")};
    QStringList names;
    const QStringList lines = QString::fromUtf8(pdffonts.readAllStandardOutput()).split(u'\n');
    for (const QString& line : lines.mid(2))
        if (!line.isEmpty())
            names << line.section(u' ', 0, 0).section(u'+', 1);
    names.sort();
    return names;
}

QStringList filesIn(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                               QDir::Name);
}

QList<std::pair<QString, qint32>> keys(const QList<BatchItem>& items)
{
    QList<std::pair<QString, qint32>> k;
    for (const BatchItem& i : items)
        k.append({i.record, i.assessment});
    return k;
}

const QString kUnit = QStringLiteral("示例集团");

// Demo persons 1, 2 and 4 work for one unit, person 3 for another; the
// assessments were entered on known days: 1 on 03-01, 5 on 04-10 (person
// 1), 2 on 03-15, 4 on 02-01 and 6 on 04-30 at 23:59:59 (person 4).
class BatchReports : public ::testing::TestWithParam<store::Driver>
{
protected:
    void SetUp() override
    {
        database = std::make_unique<TestDatabase>(GetParam());
        HRA_REQUIRE_BACKEND(*database);
        conn = database->connectInitialised(QStringLiteral("batch"), true);
        ASSERT_TRUE(conn);
        store::run(conn->db(),
                   QStringLiteral("update jkpg_jbxx set gongzdw = :unit where bianh in "
                                  "('0000000001', '0000000002', '0000000004')"),
                   {{QStringLiteral("unit"), kUnit}});
        const std::pair<int, QDateTime> entered[] = {
            {1, QDateTime(QDate(2026, 3, 1), QTime(9, 0))},
            {5, QDateTime(QDate(2026, 4, 10), QTime(9, 0))},
            {2, QDateTime(QDate(2026, 3, 15), QTime(0, 0))},
            {4, QDateTime(QDate(2026, 2, 1), QTime(10, 30))},
            {6, QDateTime(QDate(2026, 4, 30), QTime(23, 59, 59))},
        };
        for (const auto& [id, when] : entered)
            store::run(conn->db(),
                       QStringLiteral("update jkpg_id set lurrq = :t where jkpg_id = :id"),
                       {{QStringLiteral("t"), when}, {QStringLiteral("id"), id}});
    }

    report::BatchOptions options(const QString& outDir) const
    {
        report::BatchOptions o;
        o.settings = database->settings();
        o.reportsDirectory = reportsDir();
        o.outDir = outDir;
        o.workers = 2;
        return o;
    }

    std::unique_ptr<TestDatabase> database;
    std::unique_ptr<store::Connection> conn;
};

INSTANTIATE_TEST_SUITE_P(Backends, BatchReports, ::testing::ValuesIn(databaseBackends()),
                         [](const auto& info) { return backendName(info.param); });

TEST_P(BatchReports, TheLatestAssessmentOfEachPersonOfTheUnitInTheRange)
{
    using Keys = QList<std::pair<QString, qint32>>;
    const struct
    {
        const char* unit;
        std::optional<QDate> from;
        std::optional<QDate> to;
        Keys expected;
    } cases[] = {
        {"示例集团", {}, {}, {{"0000000001", 5}, {"0000000002", 2}, {"0000000004", 6}}},
        {"示例集团", QDate(2026, 3, 1), QDate(2026, 3, 31), {{"0000000001", 1}, {"0000000002", 2}}},
        // Both ends are whole days, the last second of the last one included.
        {"示例集团", QDate(2026, 4, 30), QDate(2026, 4, 30), {{"0000000004", 6}}},
        {"示例集团", {}, QDate(2026, 2, 28), {{"0000000004", 4}}},
        {"示例集团", QDate(2026, 4, 1), {}, {{"0000000001", 5}, {"0000000004", 6}}},
        {"示例集团", QDate(2026, 5, 1), {}, {}},
        {" 示例集团 ", {}, {}, {{"0000000001", 5}, {"0000000002", 2}, {"0000000004", 6}}},
        {"示例科技有限公司", {}, {}, {{"0000000003", 3}}},
        {"无此单位", {}, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.unit) + " " +
                     (c.from ? c.from->toString(Qt::ISODate).toStdString() : "-") + " " +
                     (c.to ? c.to->toString(Qt::ISODate).toStdString() : "-"));
        EXPECT_EQ(keys(report::batchItems(conn->db(), {QString::fromUtf8(c.unit), c.from, c.to})),
                  c.expected);
    }
    EXPECT_EQ(report::workUnits(conn->db()),
              QStringList({QStringLiteral("示例科技有限公司"), kUnit}));
    // Named assessments: in record order, each once, unknown numbers left out.
    EXPECT_EQ(keys(report::batchItemsOf(conn->db(), {6, 2, 99, 2, 1})),
              Keys({{"0000000001", 1}, {"0000000002", 2}, {"0000000004", 6}}));
    const QList<BatchItem> named = report::batchItemsOf(conn->db(), {2});
    ASSERT_EQ(named.size(), 1);
    EXPECT_EQ(named.front().name, QStringLiteral("李秀英"));
    EXPECT_EQ(named.front().entered, QDateTime(QDate(2026, 3, 15), QTime(0, 0)));
}

TEST(BatchFileName, RecordNameAndAssessmentWithoutPathOrControlCharacters)
{
    const struct
    {
        const char* record;
        const char* name;
        qint32 assessment;
        const char* expected;
    } cases[] = {
        {"0000000001", "张建国", 5, "0000000001_张建国_5.pdf"},
        {"../x", "a/b\\c", 7, ".._x_a_b_c_7.pdf"},
        {"0001", "李\x01\n四\x7f", 3, "0001_李_四__3.pdf"},
        {"0001", "  ", 3, "0001_3.pdf"},
        {"0002", "王 五", 12, "0002_王 五_12.pdf"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(report::batchFileName(
                      {QString::fromUtf8(c.record), QString::fromUtf8(c.name), c.assessment, {}}),
                  QString::fromUtf8(c.expected));
    }
}

TEST_P(BatchReports, EveryReportIsOneFileOf24PagesAndTheCombinedHoldsThemInRecordOrder)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("reports"));
    report::BatchOptions o = options(out);
    o.combinedPath = dir.filePath(QStringLiteral("all.pdf"));
    std::atomic_int progressed{0};
    o.progress = [&](int done, int total) {
        EXPECT_EQ(total, 3);
        progressed.fetch_add(1);
        EXPECT_LE(done, 3);
    };
    const report::BatchResult result =
        report::buildBatch(report::batchItems(conn->db(), {kUnit, {}, {}}), o);

    EXPECT_TRUE(result.failed.isEmpty()) << result.failed.front().reason.toStdString();
    EXPECT_FALSE(result.cancelled);
    const QStringList names = {QStringLiteral("0000000001_张建国_5.pdf"),
                               QStringLiteral("0000000002_李秀英_2.pdf"),
                               QStringLiteral("0000000004_刘桂芳_6.pdf")};
    QStringList expected;
    for (const QString& n : names)
        expected << QDir(out).filePath(n);
    EXPECT_EQ(result.files, expected);
    EXPECT_EQ(filesIn(out), names); // and no temporary file
    for (const QString& f : result.files)
        EXPECT_EQ(pagesOf(f), 24) << f.toStdString();
    EXPECT_EQ(result.combined, o.combinedPath);
    EXPECT_TRUE(result.combinedError.isEmpty()) << result.combinedError.toStdString();
    EXPECT_EQ(pagesOf(o.combinedPath), 72);
    // Each font once for the whole book, as in one report.
    EXPECT_EQ(fontsOf(o.combinedPath), fontsOf(result.files.front()));
    EXPECT_FALSE(fontsOf(o.combinedPath).isEmpty());
    EXPECT_EQ(filesIn(dir.path()),
              QStringList({QStringLiteral("all.pdf"), QStringLiteral("reports")}));
    EXPECT_EQ(progressed.load(), 3);
    // Each file written is in the operation log.
    EXPECT_EQ(store::scalar(conn->db(),
                            QStringLiteral("select count(*) from sys_czrz where xiangq = :d"),
                            {{QStringLiteral("d"), QStringLiteral("评估报告 → ") + names[1]}})
                  .toInt(),
              1);
}

TEST_P(BatchReports, APersonWhoseReportFailsIsListedAndTheOthersAreBuilt)
{
    QTemporaryDir dir;
    // A folder where the second person's report would go, and an assessment
    // that is not stored.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("0000000002_李秀英_2.pdf")));
    QList<BatchItem> items = report::batchItems(conn->db(), {kUnit, {}, {}});
    items.insert(1, BatchItem{QStringLiteral("0000000001"), QStringLiteral("张建国"), 77, {}});
    report::BatchOptions o = options(dir.path());
    o.combinedPath = dir.filePath(QStringLiteral("all.pdf"));
    const report::BatchResult result = report::buildBatch(items, o);

    EXPECT_EQ(result.files, QStringList({dir.filePath(QStringLiteral("0000000001_张建国_5.pdf")),
                                         dir.filePath(QStringLiteral("0000000004_刘桂芳_6.pdf"))}));
    ASSERT_EQ(result.failed.size(), 2);
    EXPECT_EQ(result.failed[0].record, QStringLiteral("0000000001"));
    EXPECT_EQ(result.failed[0].assessment, 77);
    EXPECT_EQ(result.failed[0].reason, QStringLiteral("评估编号 77 不存在。"));
    EXPECT_EQ(result.failed[1].record, QStringLiteral("0000000002"));
    EXPECT_EQ(result.failed[1].assessment, 2);
    EXPECT_EQ(result.failed[1].reason,
              dir.filePath(QStringLiteral("0000000002_李秀英_2.pdf")) +
                  QStringLiteral(" exists and is no regular file; it is not replaced"));
    EXPECT_EQ(pagesOf(o.combinedPath), 48);
    EXPECT_FALSE(result.cancelled);
}

TEST_P(BatchReports, ACancelLeavesOnlyFinishedReportsAndNoPartialFile)
{
    const QList<BatchItem> items = report::batchItems(conn->db(), {kUnit, {}, {}});
    std::atomic_bool cancel{true};
    {
        // Cancelled before it starts: nothing at all.
        QTemporaryDir dir;
        report::BatchOptions o = options(dir.path());
        o.combinedPath = dir.filePath(QStringLiteral("all.pdf"));
        o.cancel = &cancel;
        const report::BatchResult result = report::buildBatch(items, o);
        EXPECT_TRUE(result.cancelled);
        EXPECT_TRUE(result.files.isEmpty());
        EXPECT_TRUE(result.failed.isEmpty());
        EXPECT_TRUE(filesIn(dir.path()).isEmpty()) << filesIn(dir.path()).join(u' ').toStdString();
    }
    // Cancelled when the first report is done, while the other worker is
    // laying out its own: whatever is left is complete and listed.
    cancel = false;
    QTemporaryDir dir;
    report::BatchOptions o = options(dir.path());
    o.combinedPath = dir.filePath(QStringLiteral("all.pdf"));
    o.cancel = &cancel;
    o.progress = [&](int, int) { cancel = true; };
    const report::BatchResult result = report::buildBatch(items, o);
    EXPECT_TRUE(result.cancelled);
    EXPECT_TRUE(result.failed.isEmpty());
    EXPECT_GE(result.files.size(), 1);
    EXPECT_LT(result.files.size(), 3);
    EXPECT_TRUE(result.combined.isEmpty());
    QStringList written;
    for (const QString& f : result.files) {
        written << QFileInfo(f).fileName();
        EXPECT_EQ(pagesOf(f), 24) << f.toStdString();
    }
    EXPECT_EQ(filesIn(dir.path()), written);
}

} // namespace
} // namespace hra::test

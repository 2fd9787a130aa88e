// Builds that yield a page a step, exports that write each page as it is
// laid out, and what a cancelled or failed export leaves behind.

#include "Helpers.h"
#include "reportengine/Export.h"
#include "reportengine/Report.h"
#include "reportengine/common/TaskQueue.h"
#include "reportengine/layout/TextLayout.h"
#include "support/SmallDisk.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <atomic>
#include <new>
#include <stdexcept>
#include <vector>

using namespace hra::reportengine;
using namespace hra::reportengine::test;

namespace {

// A heading with the page number, then a band of rows 20 units tall from
// 100 to 300: ten rows a page.
const QString kList = QStringLiteral(R"(<page name="list">
    <text width="300" height="20">名单 第[Page#]页</text>
    <band source="list" y="100" height="20" bottom="300">
      <text x="10" width="200" height="20">[list."name"]</text>
    </band>
  </page>)");
const QString kPlain = QStringLiteral(
    R"(<page name="plain"><text width="300" height="20">封面 第[Page#]页</text></page>)");

std::shared_ptr<TableDataSource> rows(int count)
{
    QList<QVariantList> list;
    for (int i = 1; i <= count; ++i)
        list << QVariantList{QStringLiteral("行%1").arg(i)};
    return table(QStringLiteral("list"), {QStringLiteral("name")}, list);
}

// Rows that fail from row `failAt` on, as a lost connection would.
class FailingSource : public DataSource
{
public:
    FailingSource(int rows, int failAt)
        : DataSource(QStringLiteral("list")), m_rows(rows), m_failAt(failAt)
    {
    }
    QStringList fieldNames() const override { return {QStringLiteral("name")}; }
    int rowCount() const override { return m_rows; }
    QVariant value(int row, int) const override
    {
        if (row >= m_failAt)
            throw std::runtime_error("connection lost");
        return QStringLiteral("行%1").arg(row + 1);
    }

private:
    int m_rows;
    int m_failAt;
};

QString pdfText(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QStringLiteral("<pdftotext failed>");
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

// The PDF writer's background work and hra-cli's database thread: what a
// task throws, out of memory above all, comes back through its result and
// the queue goes on.
TEST(TaskQueue, RunsInOrderAndHandsBackWhatATaskThrew)
{
    std::vector<int> ran; // touched only on the queue's thread until drained
    TaskQueue queue;
    auto first = queue.post([&] {
        ran.push_back(1);
        return 1;
    });
    auto failing = queue.post([&]() -> int {
        ran.push_back(2);
        throw std::bad_alloc();
    });
    auto third = queue.post([&] { ran.push_back(3); });
    queue.drain();
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(failing.waitFor(std::chrono::seconds(0)));
    EXPECT_EQ(first.get(), 1);
    EXPECT_FALSE(first.valid()) << "a result is taken once";
    EXPECT_THROW(failing.get(), std::bad_alloc);
    third.get();
    EXPECT_EQ(queue.run([] { return 7; }), 7);
}

TEST(Builder, ABandOverManyRowsYieldsOnePageAStepWithItsNumber)
{
    struct Case
    {
        const char* pages; // template pages, in order
        int rows;
        QStringList headings; // first line of every built page
    };
    auto list = [](int from, int to) {
        QStringList h;
        for (int i = from; i <= to; ++i)
            h << QStringLiteral("名单 第%1页").arg(i);
        return h;
    };
    const Case cases[] = {
        {"list", 0, list(1, 1)},
        {"list", 10, list(1, 1)},
        {"list", 11, list(1, 2)},
        {"list", 1000, list(1, 100)},
        {"plain list plain", 25,
         QStringList{QStringLiteral("封面 第1页")} + list(2, 4) +
             QStringList{QStringLiteral("封面 第5页")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 over %2 rows")
                         .arg(QLatin1String(c.pages))
                         .arg(c.rows)
                         .toStdString());
        QString xml = QStringLiteral("<report>");
        for (const QString& name : QString::fromLatin1(c.pages).split(u' '))
            xml += name == QLatin1String("list") ? kList : kPlain;
        xml += QStringLiteral("</report>");
        DataSources sources;
        sources.add(rows(c.rows));
        ReportBuilder builder(parse(xml), sources);
        std::vector<BuiltPage> pages;
        builder.setPageSink([&](BuiltPage&& page) { pages.push_back(std::move(page)); });
        int lastPermille = -1;
        while (!builder.atEnd()) {
            const size_t before = pages.size();
            builder.step();
            ASSERT_EQ(pages.size(), before + 1) << "one page per step";
            const BuildProgress p = builder.progress();
            EXPECT_EQ(p.pagesBuilt, int(pages.size()));
            EXPECT_GE(p.permille(), lastPermille);
            EXPECT_LE(p.rowsDone, p.rowCount);
            lastPermille = p.permille();
        }
        EXPECT_EQ(lastPermille, 1000);
        const BuildResult result = builder.takeResult();
        ASSERT_TRUE(result.ok) << result.error.toStdString();
        EXPECT_TRUE(result.report.isEmpty()) << "the sink took every page";
        ASSERT_EQ(int(pages.size()), c.headings.size());
        int listed = 0;
        for (size_t i = 0; i < pages.size(); ++i) {
            EXPECT_EQ(pages[i].number, int(i) + 1);
            const QStringList lines = pageText(pages[i]).split(u'\n');
            EXPECT_EQ(lines.first(), c.headings.at(qsizetype(i)));
            for (const QString& line : lines.mid(1))
                EXPECT_EQ(line, QStringLiteral("行%1").arg(++listed));
        }
        EXPECT_EQ(listed, c.rows);
    }
}

TEST(Builder, ProgressWithinABandCountsRows)
{
    DataSources sources;
    sources.add(rows(95)); // ten pages, the last with five rows
    ReportBuilder builder(parse(QStringLiteral("<report>%1</report>").arg(kList)), sources);
    builder.setPageSink([](BuiltPage&&) {});
    builder.step();
    BuildProgress p = builder.progress();
    EXPECT_EQ(p.rowCount, 95);
    // Ten rows on page one, and the eleventh opened page two.
    EXPECT_EQ(p.rowsDone, 11);
    EXPECT_EQ(p.templatePagesDone, 0);
    EXPECT_EQ(p.permille(), 11 * 1000 / 95);
    while (!builder.atEnd())
        builder.step();
    p = builder.progress();
    EXPECT_EQ(p.templatePagesDone, 1);
    EXPECT_EQ(p.pagesBuilt, 10);
    EXPECT_EQ(p.permille(), 1000);
}

TEST(Builder, EverySourceReadIsToldOnceThatTheBuildIsOver)
{
    // Counts the calls around reading, as a source over its own connection
    // would open and close it.
    class Tracked : public TableDataSource
    {
    public:
        Tracked(const QString& name, int rows, int failAt)
            : TableDataSource(name, {QStringLiteral("name")}), m_failAt(failAt)
        {
            for (int i = 1; i <= rows; ++i)
                appendRow({QStringLiteral("行%1").arg(i)});
        }
        QVariant value(int row, int field) const override
        {
            if (row == m_failAt)
                throw std::runtime_error("connection lost");
            return TableDataSource::value(row, field);
        }
        void aboutToRead() override { ++opened; }
        void finishedReading() override { ++closed; }
        int opened = 0;
        int closed = 0;

    private:
        int m_failAt;
    };
    struct Case
    {
        const char* what;
        int failAt;
        int steps; // -1: to the end, then takeResult()
    };
    const Case cases[] = {
        {"built to the end", -1, -1},
        {"failed on page three", 25, -1},
        {"given up after two pages", -1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto list = std::make_shared<Tracked>(QStringLiteral("list"), 50, c.failAt);
        auto unused = std::make_shared<Tracked>(QStringLiteral("unused"), 5, -1);
        DataSources sources;
        sources.add(list);
        sources.add(unused);
        {
            ReportBuilder builder(parse(QStringLiteral("<report>%1</report>").arg(kList)), sources);
            builder.setPageSink([](BuiltPage&&) {});
            for (int i = 0; !builder.atEnd() && (c.steps < 0 || i < c.steps); ++i)
                builder.step();
            EXPECT_EQ(list->closed, 0) << "still reading";
            if (c.steps < 0) {
                EXPECT_EQ(builder.takeResult().ok, c.failAt < 0);
            }
        }
        EXPECT_EQ(list->opened, 1);
        EXPECT_EQ(list->closed, 1);
        EXPECT_EQ(unused->opened + unused->closed, 0);
    }
}

TEST(BuildThread, SpilledPagesPaintWhatPagesBuiltHerePaint)
{
    // Boxes in every font, some well inside their rectangles (drawn without
    // a clip), some running past their right side (which must still be cut,
    // also once the page comes back from the spill file with the window
    // thread's fonts). Meanwhile this thread lays out the same texts, so the
    // font, shaping and advance caches are used from both threads at once.
    QString boxes;
    const QStringList faces = {QStringLiteral("黑体"), QStringLiteral("宋体"),
                               QStringLiteral("楷体"), QStringLiteral("Arial")};
    int y = 0;
    for (const QString& face : faces) {
        for (int size : {9, 12, 15}) {
            boxes += QStringLiteral(R"(<text y="%1" width="400" height="20" font="%2" size="%3">)"
                                    R"(健康风险评估 [list."name"] 第[Page#]页</text>)")
                         .arg(y)
                         .arg(face)
                         .arg(size);
            boxes += QStringLiteral(R"(<text x="420" y="%1" width="60" height="20" font="%2" )"
                                    R"(size="%3" wrap="false">体重指数与血压的长期趋势</text>)")
                         .arg(y)
                         .arg(face)
                         .arg(size);
            y += 22;
        }
    }
    const QString xml =
        QStringLiteral(R"(<report><page name="p">%1</page>%2</report>)").arg(boxes, kList);
    const ReportTemplate templ = parse(xml);

    Report here;
    here.setTemplate(templ);
    here.dataSources().add(rows(35));
    ASSERT_TRUE(here.build());
    ASSERT_FALSE(here.built().isSpilled());

    Report threaded;
    threaded.setTemplate(templ);
    threaded.dataSources().add(rows(35));
    QSignalSpy finished(&threaded, &Report::buildFinished);
    std::atomic<bool> building = true;
    ASSERT_TRUE(threaded.startBuild());
    int laidOut = 0;
    while (building) {
        for (const QString& face : faces) {
            FontStyle style;
            style.face = face;
            style.size = 9 + laidOut % 7;
            const LaidOutText text = layoutText(QStringLiteral("健康风险评估 行%1").arg(laidOut),
                                                style, 200, HAlign::Left, true, 1.25);
            EXPECT_FALSE(text.runs.isEmpty() && !text.noFont);
        }
        ++laidOut;
        building = threaded.isBuilding();
        if (building)
            finished.wait(1);
    }
    ASSERT_TRUE(finished.count() == 1 || finished.wait(30000));
    ASSERT_TRUE(finished.first().first().toBool());
    ASSERT_TRUE(threaded.built().isSpilled());
    ASSERT_EQ(threaded.pageCount(), here.pageCount());
    for (int page = 0; page < here.pageCount(); ++page) {
        EXPECT_EQ(renderPage(threaded.built(), page, 96), renderPage(here.built(), page, 96))
            << "page " << page + 1;
    }
}

TEST(StreamingExport, WritesWhatTheBuiltPagesWrite)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "poppler-utils not installed";
    // 页 shares its glyph with the radical ⻚ in the CJK fonts: the streamed
    // PDF needs its text maps repaired like the one written from memory.
    const QString xml = QStringLiteral("<report>%1%2</report>").arg(kPlain, kList);
    QTemporaryDir dir;
    Report report;
    report.setTemplate(parse(xml));
    report.dataSources().add(rows(57));
    ASSERT_TRUE(report.build());
    ASSERT_EQ(report.pageCount(), 7);
    const QString fromMemory = dir.filePath(QStringLiteral("memory.pdf"));
    ASSERT_TRUE(exportPdf(report.built(), fromMemory));

    ExportTarget target;
    target.pdfPath = dir.filePath(QStringLiteral("streamed.pdf"));
    target.pngDir = dir.filePath(QStringLiteral("png"));
    target.dpi = 30;
    int progressCalls = 0;
    ExportControl control;
    control.progress = [&](int pages, int permille) {
        ++progressCalls;
        EXPECT_EQ(pages, progressCalls);
        EXPECT_LE(permille, 1000);
    };
    const ExportResult result = buildAndExport(report, target, control);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.pages, 7);
    EXPECT_EQ(progressCalls, 7);
    EXPECT_EQ(result.pngFiles.size(), 7);
    EXPECT_TRUE(QFile::exists(target.pngDir + QStringLiteral("/page-007.png")));

    const QString streamed = pdfText(target.pdfPath);
    EXPECT_EQ(streamed, pdfText(fromMemory));
    EXPECT_EQ(streamed.count(u'\f'), 7);
    EXPECT_TRUE(streamed.contains(QStringLiteral("名单 第7页")));
    EXPECT_FALSE(streamed.contains(QChar(0x2EDA))) << "the radical, not 页";
    // Nothing but the PDF and the PNG folder is left in the folder.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              QStringList({QStringLiteral("memory.pdf"), QStringLiteral("streamed.pdf")}));
}

TEST(StreamingExport, ACancelOrAFailureLeavesNoFileAndKeepsTheOldOne)
{
    struct Case
    {
        const char* what;
        int failAt;      // row the source fails at; -1: none
        int cancelAfter; // pages; -1: no cancel
        bool png;
    };
    const Case cases[] = {
        {"cancelled after two pages", -1, 2, true},
        {"cancelled before the first page", -1, 0, false},
        {"the source fails on page four", 35, -1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("list.pdf"));
        {
            QFile old(target);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("the list of yesterday");
        }
        Report report;
        report.setTemplate(parse(QStringLiteral("<report>%1</report>").arg(kList)));
        if (c.failAt >= 0)
            report.dataSources().add(std::make_shared<FailingSource>(100, c.failAt));
        else
            report.dataSources().add(rows(100));
        std::atomic_bool cancel = c.cancelAfter == 0;
        ExportControl control;
        control.cancel = &cancel;
        control.progress = [&](int pages, int) {
            if (pages == c.cancelAfter)
                cancel = true;
        };
        ExportTarget to;
        to.pdfPath = target;
        if (c.png)
            to.pngDir = dir.filePath(QStringLiteral("png"));
        const ExportResult result = buildAndExport(report, to, control);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.cancelled, c.cancelAfter >= 0);
        EXPECT_EQ(result.buildFailed, c.failAt >= 0);
        if (c.failAt >= 0) {
            EXPECT_TRUE(result.error.contains(QStringLiteral("connection lost")))
                << result.error.toStdString();
        }
        EXPECT_TRUE(result.pngFiles.isEmpty());
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("list.pdf")});
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_EQ(old.readAll(), QByteArray("the list of yesterday"));
        if (c.png) {
            EXPECT_TRUE(QDir(to.pngDir).entryList(QDir::Files).isEmpty());
        }
    }
}

// The PDF is written under a name of ours beside the target; what a killed
// run left under such a name goes with the next export to that folder, and
// nothing else there is touched (another run still writing, other programs).
TEST(StreamingExport, TemporaryFilesAreOursAndAKilledRunsAreCleanedUp)
{
    QTemporaryDir dir;
    const QString pid = QString::number(QCoreApplication::applicationPid());
    const QString killed = QStringLiteral(".list.pdf.hra-99999999-AbCd12");
    const QString running = QStringLiteral(".list.pdf.hra-%1-XyZ123").arg(pid);
    const QString foreign = QStringLiteral("list.pdf.Qt1234");
    for (const QString& name : {killed, running, foreign}) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("half a report");
    }
    Report report;
    report.setTemplate(parse(QStringLiteral("<report>%1</report>").arg(kList)));
    report.dataSources().add(rows(100));
    QStringList during;
    ExportControl control;
    control.progress = [&](int, int) {
        if (during.isEmpty())
            during = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    };
    ExportTarget to;
    to.pdfPath = dir.filePath(QStringLiteral("list.pdf"));
    const ExportResult result = buildAndExport(report, to, control);
    ASSERT_TRUE(result.ok) << result.error.toStdString();

    // While the PDF is written the killed run's file is gone, and the only
    // new name (where the file system gives temporary files one at all) is
    // one of ours.
    ASSERT_FALSE(during.isEmpty());
    EXPECT_FALSE(during.contains(killed));
    during.removeAll(running);
    during.removeAll(foreign);
    const QRegularExpression ours(
        QStringLiteral("^\\.list\\.pdf\\.hra-%1-[A-Za-z0-9]{6}$").arg(pid));
    EXPECT_LE(during.size(), 1);
    for (const QString& name : during)
        EXPECT_TRUE(ours.match(name).hasMatch()) << name.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({running, QStringLiteral("list.pdf"), foreign}));
}

// A folder that cannot be made has no free space to tell: the export says it
// cannot write, not that the disk is full.
TEST(StreamingExport, AFolderThatCannotBeMadeIsNoFullDisk)
{
    const QString target = QStringLiteral("/proc/1/no-such-folder/list.pdf");
    Report report;
    report.setTemplate(parse(QStringLiteral("<report>%1</report>").arg(kList)));
    report.dataSources().add(rows(3));
    ExportTarget to;
    to.pdfPath = target;
    const ExportResult result = buildAndExport(report, to);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.fullFile.isEmpty());
    EXPECT_TRUE(result.error.startsWith(QStringLiteral("cannot write ") + target))
        << result.error.toStdString();
}

// A write that finds the disk full says so, naming the file; the system's
// words go to the log only. Nothing of the run is left, and the file of
// yesterday stays.
TEST(StreamingExport, AFullDiskIsNamedAndLeavesNothing)
{
    // Qt reports what the kernel says of a full device.
    QFile device(QStringLiteral("/dev/full"));
    ASSERT_TRUE(device.open(QIODevice::WriteOnly));
    device.write(QByteArray(64 * 1024, 'x'));
    device.flush();
    bool diskFull = false;
    EXPECT_EQ(writeFailure(QStringLiteral("/srv/list.pdf"), device, &diskFull),
              QStringLiteral("not enough disk space to write /srv/list.pdf"));
    EXPECT_TRUE(diskFull);

    hra::test::SmallDisk disk;
    if (!disk.mounted())
        GTEST_SKIP() << "no permission to mount a small file system here";
    const QString target = disk.path(QStringLiteral("list.pdf"));
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the list of yesterday");
    }
    for (const bool png : {false, true}) {
        SCOPED_TRACE(png ? "png" : "pdf");
        Report report;
        report.setTemplate(parse(QStringLiteral("<report>%1</report>").arg(kList)));
        report.dataSources().add(rows(100));
        ExportTarget to;
        if (png)
            to.pngDir = disk.path(QStringLiteral("png"));
        else
            to.pdfPath = target;
        const ExportResult result = buildAndExport(report, to);
        EXPECT_FALSE(result.ok);
        const QString expected = png ? disk.path(QStringLiteral("png/page-001.png")) : target;
        EXPECT_EQ(result.fullFile, expected);
        EXPECT_EQ(result.error, QStringLiteral("not enough disk space to write ") + expected);
        EXPECT_EQ(disk.files(), QStringList{QStringLiteral("list.pdf")});
        EXPECT_TRUE(QDir(disk.path(QStringLiteral("png"))).entryList(QDir::Files).isEmpty());
    }
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("the list of yesterday"));
}

#include "Helpers.h"
#include "reportengine/Export.h"
#include "reportengine/Report.h"
#include "reportengine/layout/PageSpill.h"
#include "reportengine/widgets/PreviewDialog.h"
#include "reportengine/widgets/ReportPreview.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QSemaphore>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <atomic>
#include <functional>

using namespace hra::reportengine;
using namespace hra::reportengine::test;

namespace {

const QString kTwoPages = QStringLiteral(R"(<report>
  <page>
    <rect x="400" width="300" height="116" radius="10" frame-width="1.5"/>
    <text width="700" height="40" font="黑体" size="24" bold="true" halign="center">第一页 标题</text>
    <chart y="200" width="600" height="275" source="s" category="k" value="v" color-each="true" labels="true"/>
    <line x1="0" y1="980" x2="647" y2="980" line-width="1.5"/>
    <text x="500" y="990" width="200" height="20" halign="right">第 [Page#] 页</text>
  </page>
  <page><text width="700" height="40" font="宋体" size="16">第二页 正文</text></page>
</report>)");

DataSources chartData()
{
    DataSources sources;
    sources.add(table(QStringLiteral("s"), {QStringLiteral("k"), QStringLiteral("v")},
                      {{QStringLiteral("甲"), 1}, {QStringLiteral("乙"), 2.5}}));
    return sources;
}

} // namespace

TEST(ReportPreview, ShowsPagesAtFullSizeAndClears)
{
    ReportPreview preview;
    preview.resize(900, 700);
    preview.setZoom(1);
    EXPECT_FALSE(preview.hasPages());
    preview.setReport(build(kTwoPages, chartData()).report);
    EXPECT_TRUE(preview.hasPages());
    EXPECT_EQ(preview.pageCount(), 2);
    // 100 %: an A4 page is 794 x 1123 pixels on a 96 dpi screen.
    EXPECT_EQ(preview.widget()->width(), 794 + 2 * 12);
    EXPECT_EQ(preview.widget()->height(), 12 + 2 * (1123 + 12));
    preview.clear();
    EXPECT_FALSE(preview.hasPages());
    EXPECT_EQ(preview.widget()->height(), 0);
}

TEST(ReportPreview, HomeAndEndGoToTheFirstAndLastPage)
{
    ReportPreview preview;
    preview.resize(900, 700);
    preview.setZoom(1);
    preview.setReport(build(kTwoPages, chartData()).report);
    preview.show();
    QScrollBar* bar = preview.verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    for (const auto modifiers : {Qt::NoModifier, Qt::ControlModifier}) {
        QTest::keyClick(&preview, Qt::Key_End, modifiers);
        EXPECT_EQ(bar->value(), bar->maximum());
        QTest::keyClick(&preview, Qt::Key_Home, modifiers);
        EXPECT_EQ(bar->value(), 0);
    }
}

TEST(ReportPreview, OpensWithAWholePageInTheWindowAndFollowsItsSize)
{
    const BuiltReport pages = build(kTwoPages, chartData()).report;
    for (const QSize window : {QSize(900, 700), QSize(500, 900), QSize(1600, 1300)}) {
        SCOPED_TRACE(window.width());
        ReportPreview preview;
        preview.resize(window);
        preview.setReport(pages);
        preview.show();
        const QSize page = preview.pageSize(0);
        const QSize view = preview.viewport()->size();
        EXPECT_LE(page.width() + 2 * 12, view.width());
        EXPECT_LE(page.height() + 2 * 12, view.height());
        // Fitted, not merely small: one side fills the view (the width less
        // the scroll bar that the second page brings).
        const int bar = preview.verticalScrollBar()->sizeHint().width();
        EXPECT_TRUE(page.width() + 2 * 12 >= view.width() - bar - 4 ||
                    page.height() + 2 * 12 >= view.height() - 4)
            << page.width() << "x" << page.height() << " in " << view.width() << "x"
            << view.height();
        EXPECT_FALSE(preview.horizontalScrollBar()->isVisible());
        EXPECT_TRUE(preview.fitsWindow());
    }
    ReportPreview preview;
    preview.resize(900, 700);
    preview.setReport(pages);
    preview.show();
    const int before = preview.pageSize(0).height();
    preview.resize(900, 1000);
    EXPECT_GT(preview.pageSize(0).height(), before);
    // A zoom chosen by hand stays.
    preview.setZoom(1);
    preview.resize(700, 600);
    EXPECT_FALSE(preview.fitsWindow());
    EXPECT_EQ(preview.pageSize(0), QSize(794, 1123));
}

TEST(ReportPreview, PaintsThePixelsThePngExportPaints)
{
    // The sample template of the documentation holds every object kind.
    const QString examples =
        qEnvironmentVariable("HRA_SOURCE_DIR") + QStringLiteral("/docs/examples");
    ReportTemplate templ;
    const LoadResult loaded = loadTemplate(examples + QStringLiteral("/sample-report.xml"), templ);
    ASSERT_TRUE(loaded.ok && !templ.isEmpty()) << loaded.toString().toStdString();
    QFile data(examples + QStringLiteral("/sample-data.json"));
    ASSERT_TRUE(data.open(QIODevice::ReadOnly));
    DataSources sources;
    ASSERT_TRUE(loadJsonSources(data.readAll(), sources, nullptr));
    const BuildResult built = buildReport(templ, sources);
    EXPECT_TRUE(built.warnings.isEmpty()) << built.warnings.join(u'\n').toStdString();
    ASSERT_EQ(built.report.pageCount(), 4);

    ASSERT_EQ(QGuiApplication::primaryScreen()->logicalDotsPerInchX(), 96);
    ReportPreview preview;
    preview.resize(900, 700);
    preview.setZoom(1);
    preview.setReport(built.report);
    preview.show();
    auto sameAsPng = [&](const char* how) {
        for (int page = 0; page < built.report.pageCount(); ++page) {
            const QImage png = renderPage(built.report, page, 96);
            const QRect area(QPoint(12, preview.pageTop(page)), png.size());
            const QImage shown =
                preview.widget()->grab(area).toImage().convertToFormat(png.format());
            EXPECT_EQ(shown, png) << how << ", page " << page + 1;
        }
    };
    sameAsPng("built at once");

    // Built on a build thread, the pages come back from the spill file with
    // the window thread's fonts, and paint the same pixels.
    Report report;
    report.setTemplate(templ);
    report.dataSources() = sources;
    preview.follow(&report);
    QSignalSpy finished(&report, &Report::buildFinished);
    ASSERT_TRUE(report.startBuild());
    ASSERT_TRUE(finished.wait(30000));
    ASSERT_TRUE(report.built().isSpilled());
    ASSERT_EQ(preview.pageCount(), 4);
    sameAsPng("built on a build thread");
}

TEST(ReportPreview, FollowsTheBuildsOfAReport)
{
    Report report;
    report.dataSources() = chartData();
    report.setTemplate(parse(kTwoPages));
    ReportPreview preview;
    preview.follow(&report);
    QSignalSpy finished(&report, &Report::buildFinished);
    ASSERT_TRUE(report.startBuild());
    EXPECT_FALSE(preview.hasPages());
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(preview.pageCount(), 2);
    report.clear();
    report.build();
    EXPECT_FALSE(preview.hasPages());
}

namespace {

// A list whose reading stops at row `gate` until opened: the build thread
// waits there, mid-report, while the test looks at the window.
class GatedSource : public DataSource
{
public:
    GatedSource(int rows, int gate) : DataSource(QStringLiteral("list")), m_rows(rows), m_gate(gate)
    {
    }
    QStringList fieldNames() const override { return {QStringLiteral("name")}; }
    int rowCount() const override { return m_rows; }
    QVariant value(int row, int) const override
    {
        if (row == m_gate && !m_passed.exchange(true))
            m_open.acquire();
        return QStringLiteral("行%1").arg(row + 1);
    }
    void aboutToRead() override { readOn = QThread::currentThread(); }
    void finishedReading() override
    {
        finishedOn = QThread::currentThread();
        ++finished;
    }
    void open() { m_open.release(); }

    QThread* readOn = nullptr;
    QThread* finishedOn = nullptr;
    std::atomic_int finished = 0;

private:
    int m_rows;
    int m_gate;
    mutable QSemaphore m_open;
    mutable std::atomic_bool m_passed = false;
};

const QString kList = QStringLiteral(R"(<report><page>
    <text width="300" height="20">名单 第[Page#]页</text>
    <band source="list" y="100" height="20" bottom="300">
      <text x="10" width="200" height="20">[list."name"]</text>
    </band>
  </page></report>)");

bool waitFor(const std::function<bool()>& done)
{
    for (int i = 0; i < 600 && !done(); ++i)
        QTest::qWait(50);
    return done();
}

} // namespace

TEST(ReportPreview, ShowsThePagesOfABuildWhileItRuns)
{
    Report report;
    report.setTemplate(parse(kList));
    auto source = std::make_shared<GatedSource>(100, 55); // ten pages; waits on page six
    report.dataSources().add(source);
    ReportPreview preview;
    preview.resize(800, 600);
    preview.follow(&report);
    preview.show();
    QSignalSpy finished(&report, &Report::buildFinished);
    QSignalSpy progressed(&report, &Report::progressed);
    ASSERT_TRUE(report.startBuild());
    // Five pages arrive and show while the build waits on the sixth.
    ASSERT_TRUE(waitFor([&] { return preview.pageCount() == 5; })) << preview.pageCount();
    EXPECT_TRUE(report.isBuilding());
    EXPECT_NE(source->readOn, QThread::currentThread()) << "read on the build thread";
    EXPECT_EQ(preview.report().pageText(4).split(u'\n').first(), QStringLiteral("名单 第5页"));
    EXPECT_GT(preview.widget()->height(), preview.pageTop(4));
    ASSERT_FALSE(progressed.isEmpty());
    EXPECT_EQ(progressed.last().at(0).toInt(), 50 * 1000 / 100); // rows done of 100
    EXPECT_EQ(source->finished, 0);
    source->open();
    ASSERT_TRUE(finished.wait(30000));
    EXPECT_TRUE(finished.first().first().toBool());
    // Done with on the thread that read it, once.
    EXPECT_EQ(source->finished, 1);
    EXPECT_EQ(source->finishedOn, source->readOn);
    ASSERT_EQ(preview.pageCount(), 10);
    EXPECT_EQ(preview.report().pageText(9), QStringLiteral("名单 第10页\n行91\n行92\n行93\n行94\n"
                                                           "行95\n行96\n行97\n行98\n行99\n行100"));
}

TEST(ReportPreview, ACancelledBuildStopsAndKeepsThePagesSoFar)
{
    Report report;
    report.setTemplate(parse(kList));
    auto source = std::make_shared<GatedSource>(1000, 25);
    report.dataSources().add(source);
    QSignalSpy finished(&report, &Report::buildFinished);
    ASSERT_TRUE(report.startBuild());
    ASSERT_TRUE(waitFor([&] { return report.built().pageCount() == 2; }));
    report.cancelBuild();
    source->open();
    ASSERT_TRUE(finished.wait(30000));
    EXPECT_FALSE(finished.first().first().toBool());
    EXPECT_TRUE(report.wasCancelled());
    EXPECT_FALSE(report.isBuilding());
    EXPECT_LT(report.pageCount(), 100);
    EXPECT_EQ(source->finished, 1) << "a cancelled build is over with its source too";
    // A new build after a cancel runs to its end.
    ASSERT_TRUE(report.startBuild());
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_TRUE(finished.last().first().toBool());
    EXPECT_FALSE(report.wasCancelled());
    EXPECT_EQ(report.pageCount(), 100);
}

namespace {

// The export's file and outcome, as a window would give and tell them.
class ListPreview : public PreviewDialog
{
public:
    ListPreview(std::unique_ptr<Report> report, QString path)
        : PreviewDialog(std::move(report)), m_path(std::move(path))
    {
    }
    QStringList told;

protected:
    QString askPdfPath() override { return m_path; }
    void pdfExported(bool ok, const QString& error) override
    {
        told << (ok ? QStringLiteral("ok") : QStringLiteral("failed: ") + error);
    }
    void buildFailed(const QString& error) override { told << QStringLiteral("build: ") + error; }
    void printFailed(const QString& error) override { told << QStringLiteral("print: ") + error; }

private:
    QString m_path;
};

} // namespace

TEST(PreviewDialog, BuildsAndExportsOnTheirThreadsAndCancelsEither)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("list.pdf"));
    auto report = std::make_unique<Report>();
    report->setTemplate(parse(kList));
    report->dataSources().add(std::make_shared<GatedSource>(2000, -1)); // 200 pages
    ListPreview dialog(std::move(report), pdf);
    dialog.show();
    auto* progress = dialog.findChild<QProgressBar*>(QStringLiteral("buildProgress"));
    auto* cancel = dialog.findChild<QPushButton*>(QStringLiteral("cancel"));
    auto* exportButton = dialog.findChild<QPushButton*>(QStringLiteral("exportPdf"));
    ASSERT_TRUE(progress && cancel && exportButton);
    EXPECT_FALSE(progress->isVisible());

    ASSERT_TRUE(dialog.startBuild());
    EXPECT_TRUE(progress->isVisible() && cancel->isVisible());
    EXPECT_FALSE(exportButton->isEnabled()) << "no export of half a list";
    ASSERT_TRUE(waitFor([&] { return !dialog.report().isBuilding(); }));
    EXPECT_FALSE(progress->isVisible() || cancel->isVisible());
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("pageCount"))->text(),
              QStringLiteral("共 200 页"));

    // An export stopped at once leaves no file and tells nothing.
    dialog.exportPdf();
    EXPECT_TRUE(dialog.isExporting());
    EXPECT_TRUE(cancel->isVisible());
    cancel->click();
    ASSERT_TRUE(waitFor([&] { return !dialog.isExporting(); }));
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    EXPECT_TRUE(dialog.told.isEmpty()) << dialog.told.join(u'\n').toStdString();
    // One left to run writes every page and says so.
    dialog.exportPdf();
    ASSERT_TRUE(waitFor([&] { return !dialog.isExporting(); }));
    EXPECT_EQ(dialog.told, QStringList{QStringLiteral("ok")});
    EXPECT_TRUE(QFile::exists(pdf));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("list.pdf")});

    // "取消" while the list builds stops the build and closes the window.
    ASSERT_TRUE(dialog.startBuild());
    cancel->click();
    EXPECT_FALSE(dialog.isVisible());
    ASSERT_TRUE(waitFor([&] { return !dialog.report().isBuilding(); }));
    EXPECT_TRUE(dialog.report().wasCancelled());
    EXPECT_EQ(dialog.told, QStringList{QStringLiteral("ok")});
}

TEST(Printing, PrintsThePagesInTheChosenRange)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "poppler-utils not installed";
    const BuildResult built = build(kTwoPages, chartData());
    QTemporaryDir dir;
    auto printed = [&](int from, int to) {
        const QString path = dir.filePath(QStringLiteral("p%1-%2.pdf").arg(from).arg(to));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        if (from > 0) {
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(from, to);
        }
        QString error;
        EXPECT_TRUE(printReport(built.report, printer, &error)) << error.toStdString();
        // Written by the engine's own PDF writer, as the export writes it.
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {path});
        info.waitForFinished();
        EXPECT_TRUE(
            QString::fromUtf8(info.readAllStandardOutput())
                .contains(QRegularExpression(QStringLiteral("Producer: +hra report engine"))))
            << path.toStdString();
        QProcess p;
        p.start(QStringLiteral("pdftotext"),
                {QStringLiteral("-layout"), path, QStringLiteral("-")});
        p.waitForFinished();
        return QString::fromUtf8(p.readAllStandardOutput());
    };
    const QString all = printed(0, 0);
    EXPECT_TRUE(all.contains(QStringLiteral("第一页 标题")));
    EXPECT_TRUE(all.contains(QRegularExpression(QStringLiteral("第\\s*1\\s*页"))));
    EXPECT_TRUE(all.contains(QStringLiteral("第二页 正文")));
    const QString second = printed(2, 2);
    EXPECT_FALSE(second.contains(QStringLiteral("第一页")));
    EXPECT_TRUE(second.contains(QStringLiteral("第二页 正文")));

    ReportPreview empty;
    EXPECT_FALSE(empty.print()); // nothing built: no dialog, nothing printed
}

TEST(Printing, APageThatCannotBeReadBackIsToldAndLeavesNoFile)
{
    auto spill = std::make_shared<PageSpill>();
    ASSERT_TRUE(spill->isOpen());
    BuiltReport report;
    const BuiltPage page;
    report.appendSpilled(spill, spill->write(page));
    // Where the spill file holds nothing.
    report.appendSpilled(spill, SpilledPage{page.setup, 1 << 20, 64});

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("printed.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    QString error;
    EXPECT_FALSE(printReport(report, printer, &error));
    EXPECT_EQ(error, QStringLiteral("a spilled page cannot be read back"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());

    // The first page alone prints.
    printer.setPrintRange(QPrinter::PageRange);
    printer.setFromTo(1, 1);
    EXPECT_TRUE(printReport(report, printer, &error)) << error.toStdString();
    EXPECT_TRUE(QFile::exists(path));
}

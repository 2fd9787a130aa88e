// How long a window goes without painting while a report builds: a small
// widget asks to be repainted every 10 ms and the longest gap between its
// paint events is the longest time the window could not answer. Two builds,
// each two ways side by side:
//
//   - the browse list's "&P 打印" over synthetic persons (the person-list
//     preview), and the whole 24-page report of the data analysis window on
//     the demo database;
//   - "window thread": the build stepped from the window's event loop a
//     template page at a time (the way before the build thread), and
//     "build thread": the build as the windows run it now.
//
//   report_window_benchmark [persons] [--shot FILE]
//   (default 100000 persons; offscreen or xvfb-run; --shot saves a picture
//   of the person-list preview a second into its build)

#include "report/SectionBuild.h"
#include "report/Sections.h"
#include "reportengine/Report.h"
#include "reportengine/layout/Builder.h"
#include "reportengine/widgets/ReportPreview.h"
#include "support/TestDatabase.h"
#include "ui/PromptService.h"
#include "windows/records/PersonListReport.h"
#include "windows/report/AnalysisWindow.h"
#include "windows/report/Context.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPainter>
#include <QTest>
#include <QTextStream>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace re = hra::reportengine;
using namespace hra;

namespace {

// Repaints itself every 10 ms and notes the longest gap between paints.
class Ticker : public QWidget
{
public:
    Ticker()
    {
        resize(120, 40);
        connect(&m_timer, &QTimer::timeout, this, [this] { update(); });
        m_timer.start(10);
        m_clock.start();
    }
    void reset()
    {
        m_last = m_clock.elapsed();
        m_longest = 0;
        m_paints = 0;
    }
    qint64 longest() const { return m_longest; }
    int paints() const { return m_paints; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const qint64 now = m_clock.elapsed();
        m_longest = std::max(m_longest, now - m_last);
        m_last = now;
        ++m_paints;
        QPainter(this).fillRect(rect(), QColor::fromHsv(int(now / 10 % 360), 120, 230));
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
    int m_paints = 0;
};

void settle(int ms)
{
    QTest::qWait(ms);
}

// The way before the build thread: one template page per turn of the
// window's event loop (a band over every row is one template page).
int stepOnWindowThread(re::Report& report)
{
    re::ReportBuilder builder(report.reportTemplate(), report.dataSources());
    builder.setPageSink([](re::BuiltPage&&) {});
    QEventLoop loop;
    std::function<void()> turn = [&] {
        const int done = builder.pagesDone();
        while (!builder.atEnd() && builder.pagesDone() == done)
            builder.step();
        if (builder.atEnd())
            loop.quit();
        else
            QTimer::singleShot(0, &loop, turn);
    };
    QTimer::singleShot(0, &loop, turn);
    loop.exec();
    return builder.pagesBuilt();
}

QList<QVariantMap> persons(int count)
{
    QList<QVariantMap> list;
    list.reserve(count);
    for (int i = 1; i <= count; ++i) {
        QVariantMap p;
        p[QStringLiteral("bianh")] = QStringLiteral("%1").arg(i, 10, 10, QLatin1Char('0'));
        p[QStringLiteral("xingm")] = QStringLiteral("张伟%1").arg(i % 100);
        p[QStringLiteral("xingb")] = i % 2 ? QStringLiteral("男") : QStringLiteral("女");
        p[QStringLiteral("nianl")] = 20 + i % 60;
        p[QStringLiteral("gongzdw")] = QStringLiteral("光明街道社区卫生服务中心");
        p[QStringLiteral("tongxdz")] = QStringLiteral("解放路128号3单元502室");
        p[QStringLiteral("lianxfs")] = QStringLiteral("138%1").arg(i, 8, 10, QLatin1Char('0'));
        list << p;
    }
    return list;
}

void printRow(QTextStream& out, const char* build, const char* way, int pages, qint64 ms,
              const Ticker& ticker)
{
    out << QString::fromLatin1(build).leftJustified(22)
        << QString::fromLatin1(way).leftJustified(14) << QString::number(pages).rightJustified(6)
        << QString::number(ms / 1000.0, 'f', 1).rightJustified(9)
        << QString::number(ticker.paints()).rightJustified(8)
        << QString::number(ticker.longest()).rightJustified(10) << '\n';
    out.flush();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const qsizetype shotAt = args.indexOf(QStringLiteral("--shot"));
    const QString shot = shotAt >= 0 ? args.value(shotAt + 1) : QString();
    if (shotAt >= 0)
        args.remove(shotAt, std::min<qsizetype>(2, args.size() - shotAt));
    const int count = args.value(0, QStringLiteral("100000")).toInt();
    QTextStream out(stdout);
    out << "build                 way            pages  seconds  paints  max gap ms\n";
    Ticker ticker;
    ticker.show();
    ui::ScriptedPromptService prompts;
    const QString reports = QStringLiteral(HRA_SOURCE_DIR "/reports");
    const QList<QVariantMap> list = persons(count);
    const QByteArray listName = QStringLiteral("person list %1").arg(count).toLatin1();
    QElapsedTimer timer;

    {
        auto report = std::make_unique<re::Report>();
        QString error;
        if (!records::preparePersonList(*report, reports + QStringLiteral("/jbxx.fr3"),
                                        records::personListSource(list), &error))
            return 1;
        settle(200);
        ticker.reset();
        timer.start();
        const int pages = stepOnWindowThread(*report);
        settle(50);
        printRow(out, listName.constData(), "window thread", pages, timer.elapsed(), ticker);
    }
    {
        auto report = std::make_unique<re::Report>();
        QString error;
        records::preparePersonList(*report, reports + QStringLiteral("/jbxx.fr3"),
                                   records::personListSource(list), &error);
        records::PersonListPreview preview(prompts, std::move(report));
        preview.show();
        settle(200);
        ticker.reset();
        timer.start();
        QEventLoop loop;
        QObject::connect(&preview.report(), &re::Report::buildFinished, &loop, &QEventLoop::quit);
        if (!shot.isEmpty())
            QTimer::singleShot(1000, &preview, [&] { preview.grab().save(shot); });
        preview.startBuild();
        loop.exec();
        const qint64 ms = timer.elapsed();
        settle(50);
        printRow(out, listName.constData(), "build thread", preview.report().pageCount(), ms,
                 ticker);
    }

    test::TestDatabase database(store::Driver::Sqlite);
    auto connection = database.connectInitialised(QStringLiteral("benchmark"), true);
    if (!connection)
        return 1;
    report::Context context{*connection, prompts, [](bool) {}, reports};
    report::AnalysisWindow window(context);
    window.resize(1000, 800);
    window.show();
    auto* record = window.findChild<QLineEdit*>(QStringLiteral("LabEdt_bianh"));
    record->setText(QStringLiteral("0000000001"));
    QTest::keyClick(record, Qt::Key_Return);
    qint64 startMs = 0; // buildSection() itself, on the window's thread
    auto wholeReport = [&] {
        QEventLoop loop;
        QObject::connect(&window.report(), &re::Report::buildFinished, &loop, &QEventLoop::quit);
        QElapsedTimer start;
        start.start();
        if (window.buildSection(QStringLiteral("评估报告")) !=
            report::AnalysisWindow::BuildStart::Started)
            return false;
        startMs = start.elapsed();
        loop.exec();
        return true;
    };
    // Once to warm up; then the way before: the section prepared (its
    // evaluations run again) and its template stepped from the event loop,
    // each dataset read from the database when a step first reads it.
    if (!wholeReport())
        return 1;
    const report::Section* section = report::findSection(report::kWholeReport);
    settle(200);
    ticker.reset();
    timer.start();
    int pages = 0;
    {
        analysis::AnalysisSession session(*connection);
        session.open(QStringLiteral("0000000001"), window.selectedAssessment());
        re::Report before;
        report::prepareSection(before, session, *connection, *section, reports);
        pages = stepOnWindowThread(before);
    }
    settle(50);
    printRow(out, "whole report (24 pp.)", "window thread", pages, timer.elapsed(), ticker);

    settle(200);
    ticker.reset();
    timer.start();
    wholeReport();
    const qint64 ms = timer.elapsed();
    settle(50);
    printRow(out, "whole report (24 pp.)", "build thread", window.report().pageCount(), ms, ticker);
    out << "  of which on the window's thread before the build starts (evaluations run again,\n"
           "  template loaded, datasets read): "
        << startMs << " ms\n";
    return 0;
}

// The person list (reports/jbxx.fr3) over a synthetic list of persons,
// written to PDF by the streaming export and, for comparison, built whole in
// memory and then exported. Each run is a child process so that its peak
// resident memory (VmHWM) is its own. Prints pages, seconds, time per page
// and peak memory side by side, with the ratio of the large list to the
// small one.
//
//   report_scale_benchmark [--in-memory] [small] [large]   (defaults 1000 100000)
//   QT_QPA_PLATFORM=offscreen when headless.

#include "reportengine/DataSource.h"
#include "reportengine/Export.h"
#include "reportengine/Report.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

namespace re = hra::reportengine;

namespace {

// Persons made from their row number: the source holds nothing, so that
// the memory measured is the report's.
class SyntheticPersons : public re::DataSource
{
public:
    explicit SyntheticPersons(int count) : DataSource(QStringLiteral("frxDB_llda")), m_count(count)
    {
    }
    QStringList fieldNames() const override
    {
        return {"bianh",  "xingm",  "xingb",   "zunc",    "shenfzh", "nianl", "minz",  "zhiy",
                "hunyzk", "wenhcd", "gongzdw", "tongxdz", "lianxfs", "youj",  "lurrq", "zhaop"};
    }
    int rowCount() const override { return m_count; }
    QVariant value(int row, int field) const override
    {
        static const QStringList names{"张伟", "王芳", "李娜", "刘洋", "陈静",
                                       "杨磊", "赵敏", "黄勇", "周杰", "吴霞"};
        static const QStringList units{"市第一人民医院", "光明街道社区卫生服务中心",
                                       "华东机械制造有限公司", "第三中学", "市政府办公室"};
        static const QStringList places{"解放路128号3单元502室", "人民大道66号", "滨江花园7栋1204",
                                        "建设北路12号院", "东城区和平里九区"};
        const int n = row + 1;
        switch (field) {
        case 0:
            return QStringLiteral("%1").arg(n, 10, 10, QLatin1Char('0'));
        case 1:
            return names.at(n % names.size());
        case 2:
            return n % 2 ? QStringLiteral("男") : QStringLiteral("女");
        case 3:
            return n % 2 ? QStringLiteral("先生") : QStringLiteral("女士");
        case 4:
            return QStringLiteral("1101011980%1").arg(n, 8, 10, QLatin1Char('0'));
        case 5:
            return 20 + n % 60;
        case 6:
            return QStringLiteral("汉族");
        case 7:
            return QStringLiteral("工程师");
        case 8:
            return QStringLiteral("已婚");
        case 9:
            return QStringLiteral("大学本科");
        case 10:
            return units.at(n % units.size());
        case 11:
            return places.at(n % places.size());
        case 12:
            return QStringLiteral("138%1").arg(n, 8, 10, QLatin1Char('0'));
        case 13:
            return QStringLiteral("user%1@example.com").arg(n);
        case 14:
            return QStringLiteral("2026-03-%1 09:30:00").arg(1 + n % 28, 2, 10, QLatin1Char('0'));
        default:
            return QString();
        }
    }

private:
    int m_count;
};

qint64 peakKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QRegularExpression hwm(QStringLiteral("VmHWM:\\s+(\\d+) kB"));
    const auto m = hwm.match(QString::fromLatin1(status.readAll()));
    return m.hasMatch() ? m.captured(1).toLongLong() : -1;
}

// One run: prints "pages seconds peak-kB".
int child(int persons, bool inMemory, const QString& pdf)
{
    re::Report report;
    const QString path = QStringLiteral(HRA_SOURCE_DIR "/reports/jbxx.fr3");
    if (!report.load(path).ok)
        return 1;
    report.dataSources().add(std::make_shared<SyntheticPersons>(persons));
    QElapsedTimer timer;
    timer.start();
    int pages = 0;
    if (inMemory) {
        if (!report.build() || !re::exportPdf(report.built(), pdf))
            return 1;
        pages = report.pageCount();
    } else {
        re::ExportTarget target;
        target.pdfPath = pdf;
        const re::ExportResult result = re::buildAndExport(report, target);
        if (!result.ok)
            return 1;
        pages = result.pages;
    }
    QTextStream(stdout) << pages << ' ' << timer.elapsed() / 1000.0 << ' ' << peakKb() << '\n';
    return 0;
}

struct Run
{
    int pages = 0;
    double seconds = 0;
    qint64 peakKb = 0;
};

Run runChild(int persons, bool inMemory, const QString& pdf)
{
    QProcess p;
    QStringList args{QStringLiteral("--child"), QString::number(persons), pdf};
    if (inMemory)
        args << QStringLiteral("--in-memory");
    p.start(QCoreApplication::applicationFilePath(), args);
    p.waitForFinished(-1);
    const QStringList f = QString::fromLatin1(p.readAllStandardOutput()).split(u' ');
    if (p.exitCode() != 0 || f.size() != 3)
        return {};
    return {f[0].toInt(), f[1].toDouble(), f[2].trimmed().toLongLong()};
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.value(0) == QLatin1String("--child"))
        return child(args.value(1).toInt(), args.contains(QStringLiteral("--in-memory")),
                     args.value(2));
    const bool inMemory = args.contains(QStringLiteral("--in-memory"));
    QStringList sizes = args;
    sizes.removeAll(QStringLiteral("--in-memory"));
    const int small = sizes.value(0, QStringLiteral("1000")).toInt();
    const int large = sizes.value(1, QStringLiteral("100000")).toInt();
    QTemporaryDir dir;
    QTextStream out(stdout);
    out << "person list (jbxx.fr3) to PDF: " << small << " and " << large << " persons\n";
    out << "way          persons  pages   seconds  ms/page  peak MB\n";
    auto row = [&](const char* way, int persons) {
        const Run r = runChild(persons, QLatin1String(way) == QLatin1String("in memory"),
                               dir.filePath(QStringLiteral("list.pdf")));
        out << QString::fromLatin1(way).leftJustified(12)
            << QString::number(persons).rightJustified(8)
            << QString::number(r.pages).rightJustified(7)
            << QString::number(r.seconds, 'f', 1).rightJustified(10)
            << QString::number(r.pages ? r.seconds * 1000 / r.pages : 0, 'f', 1).rightJustified(9)
            << QString::number(r.peakKb / 1024.0, 'f', 0).rightJustified(9) << '\n';
        out.flush();
        return r;
    };
    auto compare = [&](const char* way) {
        const Run a = row(way, small);
        const Run b = row(way, large);
        if (a.peakKb > 0 && a.pages > 0 && b.pages > 0)
            out << "  " << way << ": peak memory " << large << "/" << small << " = "
                << QString::number(double(b.peakKb) / a.peakKb, 'f', 2) << "x, time per page "
                << QString::number((b.seconds / b.pages) / (a.seconds / a.pages), 'f', 2) << "x\n";
    };
    compare("streamed");
    if (inMemory)
        compare("in memory");
    return 0;
}

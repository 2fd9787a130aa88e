// The first screen of "浏览档案" with 100 and with 100,000 persons: from
// "&F 查找" with an empty box until the list has painted its first rows,
// alternating rounds, medians and their ratio; then how much the window's
// memory grows for the list, each size measured in a fresh process. SQLite
// always, PostgreSQL as well under scripts/with-postgres.sh. Not a test.
#include "domain/SessionState.h"
#include "store/Connection.h"
#include "store/Sql.h"
#include "support/TestDatabase.h"
#include "ui/PromptService.h"
#include "windows/records/BrowseRecordWindow.h"
#include "windows/records/Context.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTextStream>
#include <algorithm>
#include <unistd.h>
#include <vector>

using namespace hra;

namespace {

constexpr int kSmall = 100;
constexpr int kLarge = 100000;

// Every list column filled, so that a row weighs what a real one does.
void populate(const QSqlDatabase& db, store::Driver driver, int persons)
{
    store::Transaction transaction(db);
    if (driver == store::Driver::Sqlite) {
        store::execute(
            db, QStringLiteral(
                    "with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
                    "insert into jkpg_jbxx (bianh, xingm, xingb, zunc, shenfzh, nianl, minz, zhiy, "
                    "hunyzk, wenhcd, gongzdw, tongxdz, lianxfs, youj, lurrq, zhaop) "
                    "select substr('000000000' || i, -10), '名' || (i % 2000), "
                    "case i % 2 when 0 then '男' else '女' end, case i % 2 when 0 then '先生' else "
                    "'女士' end, substr('110105194900000000' || i, -18), 18 + (i % 70), '汉族', "
                    "'技术人员', '已婚', '本科', '某市某区第' || (i % 300) || '机械制造有限公司', "
                    "'某省某市某区某街道' || (i % 900) || '号院' || (i % 20) || '单元', "
                    "'0101234' || (i % 10000), 'person' || i || '@example.com', "
                    "strftime('%Y-%m-%dT%H:%M:%S', julianday('2016-01-01') + i * (3650.0 / %1)), "
                    "substr('000000000' || i, -10) || '.jpg' from n")
                    .arg(persons));
    } else {
        store::execute(
            db, QStringLiteral(
                    "insert into jkpg_jbxx (bianh, xingm, xingb, zunc, shenfzh, nianl, minz, zhiy, "
                    "hunyzk, wenhcd, gongzdw, tongxdz, lianxfs, youj, lurrq, zhaop) "
                    "select lpad(i::text, 10, '0'), '名' || (i % 2000), "
                    "case i % 2 when 0 then '男' else '女' end, case i % 2 when 0 then '先生' "
                    "else '女士' end, right('110105194900000000' || i, 18), 18 + (i % 70), "
                    "'汉族', '技术人员', '已婚', '本科', "
                    "'某市某区第' || (i % 300) || '机械制造有限公司', "
                    "'某省某市某区某街道' || (i % 900) || '号院' || (i % 20) || '单元', "
                    "'0101234' || (i % 10000), 'person' || i || '@example.com', "
                    "timestamp '2016-01-01' + (i * (3650.0 / %1)) * interval '1 day', "
                    "lpad(i::text, 10, '0') || '.jpg' from generate_series(1, %1) i")
                    .arg(persons));
    }
    transaction.commit();
    if (driver == store::Driver::Postgres)
        store::execute(db, QStringLiteral("analyze")); // what autovacuum does after a load
}

// The browse window on one connection, as the main window would open it.
struct Browse
{
    explicit Browse(store::Connection& connection)
        : context{connection, session, prompts, {}, {}}, window(context)
    {
        window.resize(1300, 600);
        window.show();
        QApplication::processEvents();
    }

    // "&F 查找" with an empty box until the list has painted its first rows.
    double firstScreenMs()
    {
        auto* view = window.findChild<QAbstractItemView*>(QStringLiteral("persons"));
        QElapsedTimer timer;
        timer.start();
        window.find();
        QApplication::processEvents();
        view->viewport()->repaint();
        return double(timer.nsecsElapsed()) / 1e6;
    }

    domain::SessionState session;
    ui::ScriptedPromptService prompts;
    records::Context context;
    records::BrowseRecordWindow window;
};

qint64 residentKiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

QStringList settingsArguments(const store::ConnectionSettings& s)
{
    return {QString::number(int(s.driver)),
            s.databaseFile,
            s.serverName,
            QString::number(s.port),
            s.databaseName,
            s.userId,
            s.password};
}

store::ConnectionSettings settingsFrom(const QStringList& a)
{
    store::ConnectionSettings s;
    s.driver = store::Driver(a.value(0).toInt());
    s.databaseFile = a.value(1);
    s.serverName = a.value(2);
    s.port = a.value(3).toInt();
    s.databaseName = a.value(4);
    s.userId = a.value(5);
    s.password = a.value(6);
    return s;
}

// In a fresh process: the growth of the resident set from the window shown
// empty to the window showing its first screen, in KiB.
int measureMemory(const QStringList& settings)
{
    QString error;
    auto connection =
        store::Connection::open(settingsFrom(settings), &error, QStringLiteral("memory"),
                                store::Connection::Missing::Refuse);
    if (!connection) {
        QTextStream(stderr) << error << "\n";
        return 1;
    }
    Browse browse(*connection);
    const qint64 before = residentKiB();
    browse.firstScreenMs();
    QTextStream(stdout) << residentKiB() - before << "\n";
    return 0;
}

qint64 memoryGrowthKiB(const store::ConnectionSettings& settings)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                QStringList{QStringLiteral("--memory")} + settingsArguments(settings));
    if (!child.waitForFinished(600000) || child.exitCode() != 0)
        return -1;
    return child.readAllStandardOutput().trimmed().toLongLong();
}

QtMessageHandler defaultHandler = nullptr;

// The offscreen platform says on every window shown that it cannot do what
// it need not; the figures stay readable without it.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (!message.contains(QLatin1String("propagateSizeHints")))
        defaultHandler(type, context, message);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    defaultHandler = qInstallMessageHandler(quietHandler);
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.value(0) == QLatin1String("--memory"))
        return measureMemory(args.mid(1));
    const int rounds = std::max(1, args.value(0).toInt() > 0 ? args.value(0).toInt() : 7);

    QTextStream out(stdout);
    for (const store::Driver driver : test::databaseBackends()) {
        test::TestDatabase smallDb(driver);
        test::TestDatabase largeDb(driver);
        if (!smallDb.available())
            continue;
        auto small = smallDb.connectInitialised(QStringLiteral("small"));
        auto large = largeDb.connectInitialised(QStringLiteral("large"));
        QElapsedTimer load;
        load.start();
        populate(small->db(), driver, kSmall);
        populate(large->db(), driver, kLarge);
        out << "\n"
            << QString::fromStdString(test::backendName(driver)) << ": " << kSmall << " vs "
            << kLarge << " persons (loaded in " << load.elapsed() << " ms)\n";
        out.flush();

        std::vector<double> smallTimes;
        std::vector<double> largeTimes;
        for (int round = 0; round < rounds; ++round) {
            // Alternating, so that both sizes see the same machine load.
            smallTimes.push_back(Browse(*small).firstScreenMs());
            largeTimes.push_back(Browse(*large).firstScreenMs());
        }
        const double s = median(smallTimes);
        const double l = median(largeTimes);
        out << QStringLiteral("first screen, median of %1: %2 ms vs %3 ms, ratio %4\n")
                   .arg(rounds)
                   .arg(s, 0, 'f', 2)
                   .arg(l, 0, 'f', 2)
                   .arg(l / s, 0, 'f', 2);
        out.flush();

        const qint64 smallKiB = memoryGrowthKiB(smallDb.settings());
        const qint64 largeKiB = memoryGrowthKiB(largeDb.settings());
        out << QStringLiteral("window memory growth: %1 KiB vs %2 KiB, ratio %3\n")
                   .arg(smallKiB)
                   .arg(largeKiB)
                   .arg(smallKiB > 0 ? double(largeKiB) / double(smallKiB) : 0.0, 0, 'f', 2);
        out.flush();
    }
    return 0;
}

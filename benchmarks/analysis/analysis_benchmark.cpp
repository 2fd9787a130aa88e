// Runs the full analysis of one assessment (open, every evaluation in the
// order of the whole report, every report dataset read) many times, with the
// reference data read once per run beside a naive run that queries for every
// lookup. The two alternate, so that both see the same machine load.
//
//   analysis_benchmark [--iterations N] [--ini FILE] [--record BH --assessment N]
//
// Without --ini a fresh SQLite demo database in a temporary folder is used;
// with it, a database that holds the demo data (for PostgreSQL, say).

#include "NaiveReferenceData.h"
#include "analysis/AnalysisSession.h"
#include "domain/Bootstrap.h"
#include "store/Connection.h"
#include "store/Settings.h"
#include "store/Sql.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <memory>

using namespace hra;

namespace {

struct Run
{
    QString name;
    std::unique_ptr<analysis::AnalysisSession> session;
    qint64 nanoseconds = 0;
    qint64 statements = 0;
};

void analyseOnce(Run& run, const QString& record, qint32 assessment, bool measure)
{
    QElapsedTimer timer;
    const int before = run.session->statementCount();
    timer.start();
    run.session->open(record, assessment);
    run.session->runAll(analysis::AnalysisSession::wholeReportOrder());
    for (const QString& name : analysis::AnalysisSession::datasetNames())
        run.session->dataset(name);
    if (measure) {
        run.nanoseconds += timer.nsecsElapsed();
        run.statements += run.session->statementCount() - before;
    }
}

QString value(const QStringList& args, const QString& name, const QString& fallback)
{
    const qsizetype at = args.indexOf(QStringLiteral("--") + name);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : fallback;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int iterations = value(args, QStringLiteral("iterations"), QStringLiteral("200")).toInt();
    const QString record = value(args, QStringLiteral("record"), QStringLiteral("0000000001"));
    const qint32 assessment =
        value(args, QStringLiteral("assessment"), QStringLiteral("1")).toInt();

    QTemporaryDir dir;
    store::ConnectionSettings settings;
    const QString ini = value(args, QStringLiteral("ini"), QString());
    if (ini.isEmpty()) {
        settings.driver = store::Driver::Sqlite;
        settings.databaseFile = dir.filePath(QStringLiteral("bench.sqlite3"));
    } else {
        settings = store::loadSettings(ini).settings;
    }
    QString error;
    const auto connection = store::Connection::open(settings, &error);
    if (!connection) {
        err << "cannot connect: " << error << '\n';
        return 1;
    }
    try {
        if (connection->isEmpty())
            domain::initializeDatabase(*connection, {.demo = true});

        Run cached{QStringLiteral("read once per run"),
                   std::make_unique<analysis::AnalysisSession>(*connection)};
        Run naive{QStringLiteral("query per lookup"),
                  std::make_unique<analysis::AnalysisSession>(*connection, [](store::Sql& s) {
                      return std::make_unique<bench::NaiveReferenceData>(s);
                  })};
        for (int i = 0; i < 3; ++i) { // warm-up
            analyseOnce(cached, record, assessment, false);
            analyseOnce(naive, record, assessment, false);
        }
        for (int i = 0; i < iterations; ++i) {
            analyseOnce(cached, record, assessment, true);
            analyseOnce(naive, record, assessment, true);
        }

        out << "backend: " << store::driverName(settings.driver) << ", assessment " << assessment
            << " of record " << record << ", " << iterations << " analyses each\n";
        out << qSetFieldWidth(22) << Qt::left << "reference data" << qSetFieldWidth(14) << Qt::right
            << "statements"
            << "ms/analysis" << qSetFieldWidth(0) << '\n';
        for (const Run* r : {&cached, &naive})
            out << qSetFieldWidth(22) << Qt::left << r->name << qSetFieldWidth(14) << Qt::right
                << double(r->statements) / iterations
                << QString::number(double(r->nanoseconds) / iterations / 1e6, 'f', 3)
                << qSetFieldWidth(0) << '\n';
        out << "naive / once per run: "
            << QString::number(double(naive.nanoseconds) / cached.nanoseconds, 'f', 2) << "x time, "
            << QString::number(double(naive.statements) / cached.statements, 'f', 2)
            << "x statements\n";
    } catch (const std::exception& e) {
        err << "benchmark failed: " << e.what() << '\n';
        return 1;
    }
    return 0;
}

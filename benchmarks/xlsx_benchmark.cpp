// Excel exports of 1,000 and of 100,000 rows by hra-cli, as a centre's
// script runs them: the information query (every assessment) and the person
// list, each a process of its own timed with its peak resident memory,
// beside the same query printed as JSON. Not a test.
#include "store/Sql.h"
#include "support/TestDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace hra;

namespace {

// Persons with every list column filled and as many assessments, made by
// the server itself: this is the benchmark's own set-up.
void populate(const QSqlDatabase& db, store::Driver driver, int rows)
{
    store::Transaction transaction(db);
    if (driver == store::Driver::Sqlite) {
        const QString numbers =
            QStringLiteral(
                "with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) ")
                .arg(rows);
        store::execute(
            db, numbers + QStringLiteral(
                              "insert into jkpg_jbxx (bianh, xingm, xingb, shenfzh, nianl, minz, "
                              "zhiy, hunyzk, wenhcd, gongzdw, tongxdz, lianxfs, youj, lurrq) "
                              "select substr('000000000' || i, -10), '名' || (i % 2000), "
                              "case i % 2 when 0 then '男' else '女' end, "
                              "'11010119800101' || substr('0000' || (i % 10000), -4), "
                              "18 + (i % 70), '汉族', '职员', '已婚', '本科', "
                              "'单位' || (i % 50), '示例市和平路' || i || '号', "
                              "'138' || substr('00000000' || i, -8), 'p' || i || '@example.com', "
                              "'2024-01-01 08:00:00' from n"));
        store::execute(
            db, numbers + QStringLiteral("insert into jkpg_id (jkpg_id, bianh, zhuangt, lurrq) "
                                         "select i, substr('000000000' || i, -10), '结束', "
                                         "strftime('%Y-%m-%d %H:%M:%S', julianday('2016-01-01') "
                                         "+ i / 274.0) from n"));
    } else {
        store::execute(
            db, QStringLiteral(
                    "insert into jkpg_jbxx (bianh, xingm, xingb, shenfzh, nianl, minz, zhiy, "
                    "hunyzk, wenhcd, gongzdw, tongxdz, lianxfs, youj, lurrq) "
                    "select lpad(i::text, 10, '0'), '名' || (i % 2000), "
                    "case i % 2 when 0 then '男' else '女' end, "
                    "'11010119800101' || lpad((i % 10000)::text, 4, '0'), 18 + (i % 70), "
                    "'汉族', '职员', '已婚', '本科', '单位' || (i % 50), "
                    "'示例市和平路' || i || '号', '138' || lpad(i::text, 8, '0'), "
                    "'p' || i || '@example.com', timestamp '2024-01-01 08:00' "
                    "from generate_series(1, %1) i")
                    .arg(rows));
        store::execute(db, QStringLiteral("insert into jkpg_id (jkpg_id, bianh, zhuangt, lurrq) "
                                          "select i, lpad(i::text, 10, '0'), '结束', "
                                          "timestamp '2016-01-01' + (i / 274.0) * interval "
                                          "'1 day' from generate_series(1, %1) i")
                               .arg(rows));
    }
    transaction.commit();
    if (driver == store::Driver::Postgres)
        store::execute(db, QStringLiteral("analyze"));
}

QString iniFor(const store::ConnectionSettings& s, const QString& folder)
{
    QByteArray text = "[data]\ndriver=" + store::driverName(s.driver).toUtf8() + '\n';
    if (s.driver == store::Driver::Sqlite)
        text += "database_file=" + s.databaseFile.toUtf8() + '\n';
    else
        text += "server_name=" + s.serverName.toUtf8() + "\nport=" + QByteArray::number(s.port) +
                "\nUser ID=" + s.userId.toUtf8() + "\nPassword=" + s.password.toUtf8() +
                "\ndatabase_name=" + s.databaseName.toUtf8() + '\n';
    const QString path = QDir(folder).filePath(QStringLiteral("inifile.ini"));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(text);
    return path;
}

struct Run
{
    double seconds = 0;
    long peakKb = 0;
    int status = -1;
};

// One hra-cli process, its output to /dev/null.
Run runCli(QStringList args)
{
    std::vector<QByteArray> bytes{QByteArrayLiteral(HRA_CLI)};
    for (const QString& a : args)
        bytes.push_back(a.toUtf8());
    std::vector<char*> argv;
    for (QByteArray& b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    Run run;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        run.seconds = timer.nsecsElapsed() / 1e9;
        run.peakKb = usage.ru_maxrss;
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::printf("| backend | rows | query --xlsx | query as JSON | xlsx / JSON | person list "
                "--xlsx | book size |\n|---|---|---|---|---|---|---|\n");
    for (const store::Driver driver : test::databaseBackends()) {
        for (const int rows : {1000, 100000}) {
            test::TestDatabase db(driver);
            if (!db.available())
                continue;
            {
                const auto conn = db.connectInitialised(QStringLiteral("populate"));
                if (!conn)
                    return 1;
                populate(conn->db(), driver, rows);
            }
            QTemporaryDir dir;
            const QString ini = iniFor(db.settings(), dir.path());
            const QString book = dir.filePath(QStringLiteral("query.xlsx"));
            const Run xlsx = runCli({"query", "--xlsx", book, "--ini", ini});
            const Run json = runCli({"query", "--ini", ini});
            const Run persons =
                runCli({"person", "list", "--xlsx", dir.filePath(QStringLiteral("persons.xlsx")),
                        "--ini", ini});
            if (xlsx.status != 0 || json.status != 0 || persons.status != 0) {
                std::fprintf(stderr, "hra-cli failed (%d %d %d)\n", xlsx.status, json.status,
                             persons.status);
                return 1;
            }
            std::printf("| %s | %d | %.2f s, %ld MB | %.2f s, %ld MB | %.2f | %.2f s, %ld MB | "
                        "%lld KB |\n",
                        test::backendName(driver).c_str(), rows, xlsx.seconds, xlsx.peakKb / 1024,
                        json.seconds, json.peakKb / 1024, xlsx.seconds / json.seconds,
                        persons.seconds, persons.peakKb / 1024, QFile(book).size() / 1024);
            std::fflush(stdout);
        }
    }
    return 0;
}

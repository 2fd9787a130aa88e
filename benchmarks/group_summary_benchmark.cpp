// The group summary over a unit of 10,000 and of 100,000 assessed persons
// (each with an examination, habits, exercise and status page), on every
// backend the test databases offer: seconds to read and count the group, to
// lay out its pages to PDF and to write its Excel book, and the ratio of the
// two sizes. Median of 3 runs. Not a test.
#include "analysis/DatabaseReferenceData.h"
#include "report/GroupSummaryReport.h"
#include "report/Sections.h"
#include "reportengine/Export.h"
#include "reportengine/Report.h"
#include "store/Sql.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace hra;

namespace {

// One prepared statement per table, run once per person in one transaction.
void fill(store::Connection& conn, int persons)
{
    QSqlDatabase db = conn.db();
    const QDateTime now = conn.serverNow();
    db.transaction();
    QSqlQuery person(db), assessment(db), exam(db), habits(db), exercise(db), status(db);
    person.prepare("insert into jkpg_jbxx (bianh,xingm,xingb,nianl,gongzdw,lurrq,banb) "
                   "values (?,?,?,?,?,?,1)");
    assessment.prepare(
        "insert into jkpg_id (jkpg_id,bianh,cis,zhuangt,lurrq,banb) values (?,?,1,?,?,1)");
    exam.prepare("insert into jkpg_tgjc (tgjc_id,jkpg_id,bianh,sheng,tiz,tizzs,yaow,shousy,shuzy,"
                 "zongdgc,ganysz,gaomdzdb,dimdzdb,kongfxt,canhexsxt,tanghxhdb,xuens,zhifg_bc,"
                 "lurrq,banb) values ('jkpg_tgjc',?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,1)");
    habits.prepare("insert into jkpg_shfs (shfs_id,jkpg_id,bianh,shifxy,shifyj,lurrq,banb) "
                   "values ('jkpg_shfs',?,?,?,?,?,1)");
    exercise.prepare("insert into jkpg_ydfs (ydfs_id,jkpg_id,bianh,yundjg,lurrq,banb) "
                     "values ('jkpg_ydfs',?,?,?,?,1)");
    status.prepare("insert into jkpg_mqzk (mqzk_id,jkpg_id,bianh,erxtnb,lurrq,banb) "
                   "values ('jkpg_mqzk',?,?,'0',?,1)");
    const QStringList livers{"无", "轻度", "中度", "重度"};
    const QStringList answers{"是", "否", "已戒"};
    const QStringList verdicts{"合适", "一般", "不合适"};
    for (int i = 0; i < persons; ++i) {
        const QString bh = QStringLiteral("%1").arg(i + 1000, 10, 10, QLatin1Char('0'));
        const int id = i + 1000;
        const double h = 1.55 + (i % 30) / 100.0;
        const double w = 50 + i % 45;
        person.addBindValue(bh);
        person.addBindValue(QStringLiteral("员工%1").arg(i));
        person.addBindValue(i % 2 ? QStringLiteral("男") : QStringLiteral("女"));
        person.addBindValue(20 + i % 50);
        person.addBindValue(QStringLiteral("示例公司"));
        person.addBindValue(now);
        person.exec();
        assessment.addBindValue(id);
        assessment.addBindValue(bh);
        assessment.addBindValue(QStringLiteral("评估"));
        assessment.addBindValue(now);
        assessment.exec();
        for (const QVariant& v : QVariantList{
                 id, bh, h, w, std::round(w / (h * h) * 100) / 100, 70 + i % 35, 105 + i % 80,
                 65 + i % 50, 3.5 + (i % 40) / 10.0, 0.8 + (i % 25) / 10.0, 0.7 + (i % 12) / 10.0,
                 2.0 + (i % 30) / 10.0, 4.5 + (i % 40) / 10.0, 6.0 + (i % 50) / 10.0,
                 4.8 + (i % 25) / 10.0, QString::number(250 + i % 250), livers[i % 4], now})
            exam.addBindValue(v);
        exam.exec();
        for (const QVariant& v : QVariantList{id, bh, answers[i % 3], answers[(i / 3) % 3], now})
            habits.addBindValue(v);
        habits.exec();
        for (const QVariant& v : QVariantList{id, bh, verdicts[i % 3], now})
            exercise.addBindValue(v);
        exercise.exec();
        for (const QVariant& v : QVariantList{id, bh, now})
            status.addBindValue(v);
        status.exec();
    }
    db.commit();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QString reports = QStringLiteral(HRA_SOURCE_DIR "/reports");
    QTemporaryDir out;
    std::printf("%-10s %8s %8s %8s %8s %8s %8s %9s\n", "backend", "persons", "fill s", "read s",
                "count s", "pdf s", "xlsx s", "follow-up");
    for (const store::Driver driver : test::databaseBackends()) {
        double small = 0;
        for (const int persons : {10000, 100000}) {
            test::TestDatabase db(driver);
            if (!db.available())
                continue;
            const auto conn = db.connectInitialised(QStringLiteral("bench"));
            QElapsedTimer timer;
            timer.start();
            fill(*conn, persons);
            const double filled = timer.nsecsElapsed() / 1e9;
            std::vector<double> read, counted, pdf, xlsx;
            report::GroupSummaryData data;
            for (int run = 0; run < 3; ++run) {
                timer.restart();
                store::Sql statements = conn->sql();
                const report::GroupChoice choice{QStringLiteral("示例公司"), {}, {}};
                const auto members = report::readGroupMembers(statements, choice);
                read.push_back(timer.nsecsElapsed() / 1e9);
                analysis::DatabaseReferenceData reference(statements);
                data = {choice, analysis::summarizeGroup(members, reference)};
                counted.push_back(timer.nsecsElapsed() / 1e9);
                timer.restart();
                reportengine::Report report;
                report.load(QDir(reports).filePath(QLatin1String(report::kGroupSummaryTemplate)));
                report::addGroupSummarySources(report, data);
                reportengine::ExportTarget to;
                to.pdfPath = out.filePath(QStringLiteral("tjhz.pdf"));
                const reportengine::ExportResult written = reportengine::buildAndExport(report, to);
                if (!written.ok)
                    std::printf("pdf failed: %s\n", qPrintable(written.error));
                pdf.push_back(timer.nsecsElapsed() / 1e9);
                timer.restart();
                report::writeSummaryBook(data, out.filePath(QStringLiteral("tjhz.xlsx")));
                xlsx.push_back(timer.nsecsElapsed() / 1e9);
            }
            const double count = median(counted);
            std::printf("%-10s %8d %8.1f %8.2f %8.2f %8.2f %8.2f %9zu\n",
                        test::backendName(driver).c_str(),
                        data.summary.persons[analysis::AllPersons], filled, median(read), count,
                        median(pdf), median(xlsx), data.summary.followUp.size());
            if (persons == 10000)
                small = count;
            else
                std::printf("%-10s count at 100,000 / at 10,000: %.1f\n",
                            test::backendName(driver).c_str(), count / small);
        }
    }
    return 0;
}

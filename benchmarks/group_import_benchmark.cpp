// A group's sheet of 1,000 and of 10,000 new persons, each with the
// required examination values, written to a CSV file and imported from it
// row by row in one transaction on every backend the test databases offer:
// seconds, rows per second, the ratio of time per row at the two sizes, and
// the process's peak memory. "--rows N" and "--backend NAME" run one size on
// one backend, so that each process's peak memory is that size's alone.
// Not a test.
#include "domain/GroupImport.h"
#include "sheets/SheetReader.h"
#include "store/Sql.h"
#include "support/TestDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdio>

using namespace hra;

namespace {

// An identity number with its check digit, unique per i.
QString identity(int i)
{
    static const int weights[17] = {7, 9, 10, 5, 8, 4, 2, 1, 6, 3, 7, 9, 10, 5, 8, 4, 2};
    const QString body = QStringLiteral("1101011980%1").arg(i, 7, 10, QLatin1Char('0'));
    int sum = 0;
    for (int k = 0; k < 17; ++k)
        sum += (body.at(k).unicode() - u'0') * weights[k];
    return body + QLatin1Char("10X98765432"[sum % 11]);
}

QByteArray sheetText(int rows)
{
    QByteArray text = "姓名,性别,年龄,身份证号,工作单位,身高,体重,腰围,收缩压,舒张压,总胆固醇,"
                      "甘油三酯,空腹血糖,糖耐量\n";
    for (int i = 0; i < rows; ++i)
        text += QStringLiteral("员工%1,%2,%3,%4,示例公司,1.%5,%6,%7,%8,%9,4.5,1.2,5.1,6.4\n")
                    .arg(i)
                    .arg(i % 2 ? QStringLiteral("男") : QStringLiteral("女"))
                    .arg(20 + i % 40)
                    .arg(identity(i))
                    .arg(55 + i % 30)
                    .arg(50 + i % 40)
                    .arg(70 + i % 30)
                    .arg(110 + i % 40)
                    .arg(70 + i % 15)
                    .toUtf8();
    return text;
}

qint64 peakKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QRegularExpression hwm(QStringLiteral("VmHWM:\\s+(\\d+) kB"));
    const auto match = hwm.match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QList<int> sizes{1000, 10000};
    QString onlyBackend;
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args.at(i) == u"--rows")
            sizes = {args.at(i + 1).toInt()};
        else if (args.at(i) == u"--backend")
            onlyBackend = args.at(i + 1);
    }
    QTemporaryDir dir;
    std::printf("%-10s %7s %8s %8s %10s %10s\n", "backend", "rows", "seconds", "rows/s", "ms/row",
                "peak MB");
    for (const store::Driver driver : test::databaseBackends()) {
        if (!onlyBackend.isEmpty() &&
            QString::fromStdString(test::backendName(driver)) != onlyBackend)
            continue;
        double perRowSmall = 0;
        for (const int rows : sizes) {
            test::TestDatabase db(driver);
            if (!db.available())
                continue;
            const auto conn = db.connectInitialised(QStringLiteral("bench"));
            const QString path = dir.filePath(QStringLiteral("group-%1.csv").arg(rows));
            {
                QFile file(path);
                if (!file.open(QIODevice::WriteOnly))
                    return 1;
                file.write(sheetText(rows));
            }
            QElapsedTimer timer;
            timer.start();
            domain::ReopenedGroupRows sheet([&path] { return domain::sheetGroupRows(path, {}); });
            const auto done =
                domain::importGroup(conn->db(), conn->serverNow(), sheet.header(), sheet);
            const double seconds = timer.nsecsElapsed() / 1e9;
            const double perRow = seconds * 1000 / rows;
            std::printf("%-10s %7d %8.2f %8.0f %10.3f %10.1f\n", test::backendName(driver).c_str(),
                        int(done.size()), seconds, rows / seconds, perRow, peakKb() / 1024.0);
            if (perRowSmall == 0)
                perRowSmall = perRow;
            else
                std::printf("%-10s time per row at %d / at the first size: %.2f\n",
                            test::backendName(driver).c_str(), rows, perRow / perRowSmall);
        }
    }
    return 0;
}

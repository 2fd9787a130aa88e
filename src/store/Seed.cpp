#include "store/Seed.h"

#include "store/Sql.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlQuery>

namespace hra::store {
namespace {

QVariant toValue(const QJsonValue& v, const QDateTime& now)
{
    switch (v.type()) {
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        return QVariant();
    case QJsonValue::Bool:
        return v.toBool() ? 1 : 0;
    case QJsonValue::Double: {
        const double d = v.toDouble();
        if (d == static_cast<double>(static_cast<qint64>(d)))
            return static_cast<qint64>(d);
        return d;
    }
    case QJsonValue::String:
        if (v.toString() == QLatin1String("@now"))
            return now;
        return v.toString();
    default:
        break;
    }
    throw DatabaseError(QStringLiteral("seed value of unsupported kind"));
}

} // namespace

void loadSeedFile(const QSqlDatabase& db, const QString& path, const QDateTime& now)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw DatabaseError(QStringLiteral("seed file %1 missing").arg(path));
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (doc.isNull())
        throw DatabaseError(QStringLiteral("seed file %1: %2").arg(path, parseError.errorString()));
    const QJsonObject root = doc.object();
    const QString table = root.value(QLatin1String("table")).toString();
    QStringList columns;
    for (const QJsonValue& c : root.value(QLatin1String("columns")).toArray())
        columns << c.toString();
    if (table.isEmpty() || columns.isEmpty())
        throw DatabaseError(QStringLiteral("seed file %1 names no table or columns").arg(path));

    QStringList placeholders;
    for (qsizetype i = 0; i < columns.size(); ++i)
        placeholders << QStringLiteral("?");
    // Table and column names come from our own resource files, never from input.
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("insert into %1 (%2) values (%3)")
                       .arg(table, columns.join(QStringLiteral(", ")),
                            placeholders.join(QStringLiteral(", ")))))
        throw DatabaseError(QStringLiteral("%1: %2").arg(path, q.lastError().text()));
    int rowNumber = 0;
    for (const QJsonValue& rowValue : root.value(QLatin1String("rows")).toArray()) {
        ++rowNumber;
        const QJsonArray row = rowValue.toArray();
        if (row.size() != columns.size())
            throw DatabaseError(QStringLiteral("%1: row %2 has %3 values for %4 columns")
                                    .arg(path)
                                    .arg(rowNumber)
                                    .arg(row.size())
                                    .arg(columns.size()));
        for (qsizetype i = 0; i < row.size(); ++i)
            q.bindValue(static_cast<int>(i), toValue(row.at(i), now));
        if (!q.exec())
            throw DatabaseError(QStringLiteral("%1: row %2: %3")
                                    .arg(path)
                                    .arg(rowNumber)
                                    .arg(q.lastError().text()));
    }
}

void loadSeedFolder(const QSqlDatabase& db, const QString& folder, const QDateTime& now)
{
    const QStringList files =
        QDir(folder).entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
    for (const QString& f : files)
        loadSeedFile(db, QDir(folder).filePath(f), now);
}

} // namespace hra::store

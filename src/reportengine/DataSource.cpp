#include "reportengine/DataSource.h"

#include "reportengine/Limits.h"

#include <QDate>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace hra::reportengine {

int DataSource::fieldIndex(const QString& field) const
{
    const QStringList fields = fieldNames();
    const qsizetype exact = fields.indexOf(field);
    if (exact >= 0)
        return int(exact);
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (fields.at(i).compare(field, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

QVariant DataSource::currentValue(const QString& field) const
{
    const int index = fieldIndex(field);
    if (index < 0 || atEnd() || m_row < 0)
        return {};
    return value(m_row, index);
}

TableDataSource::TableDataSource(QString name, QStringList fields, QList<QVariantList> rows)
    : DataSource(std::move(name)), m_fields(std::move(fields)), m_rows(std::move(rows))
{
}

QVariant TableDataSource::value(int row, int field) const
{
    if (row < 0 || row >= m_rows.size())
        return {};
    const QVariantList& values = m_rows.at(row);
    return field >= 0 && field < values.size() ? values.at(field) : QVariant();
}

void TableDataSource::aboutToRead()
{
    if (m_onRead)
        m_onRead(*this);
}

void DataSources::add(std::shared_ptr<DataSource> source)
{
    if (!source)
        return;
    remove(source->name());
    m_sources.push_back(std::move(source));
}

void DataSources::remove(const QString& name)
{
    std::erase_if(m_sources, [&](const auto& s) { return s->name() == name; });
}

DataSource* DataSources::find(const QString& name) const
{
    for (const auto& s : m_sources) {
        if (s->name() == name)
            return s.get();
    }
    for (const auto& s : m_sources) {
        if (s->name().compare(name, Qt::CaseInsensitive) == 0)
            return s.get();
    }
    return nullptr;
}

QStringList DataSources::names() const
{
    QStringList out;
    for (const auto& s : m_sources)
        out << s->name();
    return out;
}

bool loadJsonSources(const QByteArray& json, DataSources& into, QString* error)
{
    auto fail = [&](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    if (json.size() > limits::kDataBytes)
        return fail(QStringLiteral("the data is larger than %1 MB")
                        .arg(limits::kDataBytes / (1024 * 1024)));
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (doc.isNull())
        return fail(QStringLiteral("invalid JSON at offset %1: %2")
                        .arg(parseError.offset)
                        .arg(parseError.errorString()));
    if (!doc.isObject())
        return fail(QStringLiteral("expected an object of named sources"));

    std::vector<std::shared_ptr<DataSource>> loaded;
    const QJsonObject root = doc.object();
    for (auto it = root.begin(); it != root.end(); ++it) {
        if (!it.value().isArray())
            return fail(
                QStringLiteral("source \"%1\": expected an array of row objects").arg(it.key()));
        const QJsonArray rows = it.value().toArray();
        QStringList fields;
        for (const QJsonValue& row : rows) {
            if (!row.isObject())
                return fail(
                    QStringLiteral("source \"%1\": every row must be an object").arg(it.key()));
            const QJsonObject object = row.toObject();
            for (auto f = object.begin(); f != object.end(); ++f) {
                if (!fields.contains(f.key()))
                    fields << f.key();
            }
        }
        fields.sort();
        QList<QVariantList> values;
        for (const QJsonValue& row : rows) {
            const QJsonObject object = row.toObject();
            QVariantList line;
            for (const QString& field : fields) {
                const QJsonValue v = object.value(field);
                line << (v.isNull() || v.isUndefined() ? QVariant() : v.toVariant());
            }
            values << line;
        }
        loaded.push_back(std::make_shared<TableDataSource>(it.key(), fields, values));
    }
    for (auto& source : loaded)
        into.add(std::move(source));
    return true;
}

QString formatValue(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (!std::isfinite(d))
            return {};
        return QString::number(d, 'g', 15);
    }
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    default:
        return value.toString();
    }
}

} // namespace hra::reportengine

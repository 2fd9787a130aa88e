#include "cli/Json.h"

#include "store/NumberText.h"
#include "store/Sql.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <cmath>

namespace hra::cli {

QString jsonValue(const QVariant& v)
{
    if (store::isNull(v))
        return QStringLiteral("null");
    switch (v.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return v.toString();
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = v.toDouble();
        return std::isfinite(d) ? store::numberText(d) : QStringLiteral("null");
    }
    case QMetaType::QDateTime:
        return jsonValue(v.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    default:
        break;
    }
    // QJsonDocument escapes the string; the array brackets are cut off again.
    const QByteArray text =
        QJsonDocument(QJsonArray{QJsonValue(v.toString())}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(text.mid(1, text.size() - 2));
}

QString jsonString(const QString& s)
{
    return jsonValue(QVariant(s));
}

} // namespace hra::cli

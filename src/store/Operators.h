#pragma once

#include <QSqlDatabase>
#include <QString>

#include <optional>

namespace hra::store {

// The built-in manager code; compared exactly, letter case included.
inline const QString kManagerCode = QStringLiteral("rootadm");

inline bool isManager(const QString& operatorCode) { return operatorCode == kManagerCode; }

struct Operator
{
    QString code; // as stored
    QString name;
    QString permissions;
};

// The operator name shown beside a code as it is typed; empty when unknown.
QString operatorName(const QSqlDatabase& db, const QString& typedCode);

// The operator whose code (blanks removed) and password match, if any.
std::optional<Operator> authenticate(const QSqlDatabase& db, const QString& typedCode,
                                     const QString& typedPassword);

} // namespace hra::store

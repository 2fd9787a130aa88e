#include "store/Operators.h"

#include "store/Passwords.h"
#include "store/Sql.h"

namespace hra::store {

QString operatorName(const QSqlDatabase& db, const QString& typedCode)
{
    // The code as typed, at most the column's twelve characters.
    QSqlQuery q = run(db, QStringLiteral("select yonghmc from sys_yhxx where yonghdm = :yhdm"),
                      {{"yhdm", typedCode.left(12)}});
    return q.next() ? q.value(0).toString() : QString();
}

std::optional<Operator> authenticate(const QSqlDatabase& db, const QString& typedCode,
                                     const QString& typedPassword)
{
    // The code is matched by the database; the password is checked here so
    // that hashed and plain stored passwords are both understood.
    QSqlQuery q = run(db,
                      QStringLiteral("select yonghdm, yonghmc, mim, quanx from sys_yhxx "
                                     "where yonghdm = :yhdm"),
                      {{"yhdm", typedCode.trimmed()}});
    while (q.next()) {
        if (verifyPassword(q.value(2).toString(), typedPassword))
            return Operator{q.value(0).toString(), q.value(1).toString(), q.value(3).toString()};
    }
    return std::nullopt;
}

} // namespace hra::store

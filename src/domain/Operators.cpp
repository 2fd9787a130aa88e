#include "domain/Operators.h"

#include "domain/Passwords.h"
#include "store/Log.h"
#include "store/Sql.h"

namespace hra::domain {

QString operatorName(const QSqlDatabase& db, const QString& typedCode)
{
    // The code as typed, at most the column's twelve characters.
    QSqlQuery q =
        store::run(db, QStringLiteral("select yonghmc from sys_yhxx where yonghdm = :yhdm"),
                   {{"yhdm", typedCode.left(12)}});
    return q.next() ? q.value(0).toString() : QString();
}

std::optional<Operator> authenticate(const QSqlDatabase& db, const QString& typedCode,
                                     const QString& typedPassword)
{
    // The code is matched by the database; the password is checked here so
    // that hashed and plain stored passwords are both understood.
    QSqlQuery q = store::run(db,
                             QStringLiteral("select yonghdm, yonghmc, mim, quanx from sys_yhxx "
                                            "where yonghdm = :yhdm"),
                             {{"yhdm", typedCode.trimmed()}});
    while (q.next()) {
        // No password at all is no password anybody may type: the manager
        // gives the operator one.
        if (q.value(2).isNull())
            continue;
        const QString stored = q.value(2).toString();
        if (!verifyPassword(stored, typedPassword))
            continue;
        Operator op{q.value(0).toString(), q.value(1).toString(), q.value(3).toString()};
        if (!isPasswordHash(stored)) {
            // A row from an older installation: from now on it holds a hash.
            // Failing to write it must not refuse a correct log-in.
            try {
                setPassword(db, op.code, typedPassword);
            } catch (const store::DatabaseError&) {
                qCWarning(store::lcStore) << "a plain-text password was left as it is";
            }
        }
        return op;
    }
    return std::nullopt;
}

QList<Operator> listOperators(const QSqlDatabase& db)
{
    const store::Rows rows = store::select(
        db, QStringLiteral("select yonghdm, yonghmc, quanx from sys_yhxx order by yonghdm"));
    QList<Operator> out;
    for (const QVariantList& r : rows.rows)
        out << Operator{r.value(0).toString(), r.value(1).toString(), r.value(2).toString()};
    return out;
}

void addOperator(const QSqlDatabase& db, const QString& code, const QString& name,
                 const QString& password)
{
    store::run(db,
               QStringLiteral("insert into sys_yhxx(yonghdm,yonghmc,mim) values(:yhdm,:yhmc,:mm)"),
               {{"yhdm", code.trimmed()}, {"yhmc", name}, {"mm", hashPassword(password)}});
}

bool modifyOperator(const QSqlDatabase& db, const QString& oldCode, const QString& newCode,
                    const QString& newName)
{
    return store::run(db,
                      QStringLiteral(
                          "update sys_yhxx set yonghdm=:yhdm, yonghmc=:yhmc where yonghdm=:old"),
                      {{"yhdm", newCode.trimmed()}, {"yhmc", newName}, {"old", oldCode}})
               .numRowsAffected() > 0;
}

DeleteOperatorResult deleteOperator(const QSqlDatabase& db, const QString& code)
{
    if (isManager(code))
        return DeleteOperatorResult::RefusedManager;
    store::Transaction transaction(db);
    const QVariant exists = store::scalar(
        db, QStringLiteral("select count(*) from sys_yhxx where yonghdm=:yhdm"), {{"yhdm", code}});
    if (exists.toInt() == 0)
        return DeleteOperatorResult::NotFound;
    if (store::scalar(db, QStringLiteral("select count(*) from sys_yhxx")).toInt() <= 1)
        return DeleteOperatorResult::RefusedLast;
    store::run(db, QStringLiteral("delete from sys_yhxx where yonghdm=:yhdm"), {{"yhdm", code}});
    transaction.commit();
    return DeleteOperatorResult::Deleted;
}

bool passwordMatches(const QSqlDatabase& db, const QString& code, const QString& typed)
{
    const store::Rows rows = store::select(
        db, QStringLiteral("select mim from sys_yhxx where yonghdm=:yhdm"), {{"yhdm", code}});
    return !rows.isEmpty() &&
           verifyPassword(rows.value(0, QStringLiteral("mim")).toString(), typed);
}

PasswordChange changePassword(const QSqlDatabase& db, const QString& code,
                              const QString& oldPassword, const QString& newPassword)
{
    const store::Rows rows = store::select(
        db, QStringLiteral("select mim from sys_yhxx where yonghdm=:yhdm"), {{"yhdm", code}});
    if (rows.isEmpty())
        return PasswordChange::NoSuchOperator;
    if (!verifyPassword(rows.value(0, QStringLiteral("mim")).toString(), oldPassword))
        return PasswordChange::WrongOldPassword;
    setPassword(db, code, newPassword);
    return PasswordChange::Changed;
}

bool setPassword(const QSqlDatabase& db, const QString& code, const QString& newPassword)
{
    return store::run(db, QStringLiteral("update sys_yhxx set mim=:mm where yonghdm=:yhdm"),
                      {{"mm", hashPassword(newPassword)}, {"yhdm", code}})
               .numRowsAffected() > 0;
}

} // namespace hra::domain

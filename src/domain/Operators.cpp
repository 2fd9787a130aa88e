#include "domain/Operators.h"

#include "domain/Audit.h"
#include "domain/Passwords.h"
#include "store/Log.h"
#include "store/Sql.h"

namespace hra::domain {

namespace {

bool hasControlCharacter(const QString& text)
{
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
            c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            return true;
    return false;
}

void enforce(const QString& problem)
{
    if (!problem.isEmpty())
        throw OperatorRuleError(problem);
}

// Stores the hash; the callers say in the log why.
bool storePassword(const QSqlDatabase& db, const QString& code, const QString& newPassword)
{
    return store::run(db, QStringLiteral("update sys_yhxx set mim=:mm where yonghdm=:yhdm"),
                      {{"mm", hashPassword(newPassword)}, {"yhdm", code}})
               .numRowsAffected() > 0;
}

bool codeExists(const QSqlDatabase& db, const QString& code)
{
    return store::scalar(db, QStringLiteral("select count(*) from sys_yhxx where yonghdm=:yhdm"),
                         {{"yhdm", code}})
               .toInt() > 0;
}

void logOperatorChange(const QSqlDatabase& db, const QString& what)
{
    writeAudit(db, {AuditAction::OperatorChange, {}, std::nullopt, what});
}

} // namespace

QString codeProblem(const QString& code)
{
    const QString trimmed = code.trimmed();
    if (trimmed.isEmpty())
        return QStringLiteral("用户名称不可为空！");
    if (trimmed.size() > kMaxCodeLength)
        return QStringLiteral("用户代码不能超过%1个字符！").arg(kMaxCodeLength);
    if (hasControlCharacter(trimmed))
        return QStringLiteral("用户代码不能含有控制字符！");
    return {};
}

QString passwordProblem(const QString& password)
{
    // Blanks around a password never count (see Passwords.h).
    if (password.trimmed().isEmpty())
        return QStringLiteral("密码不能为空！");
    if (password.size() > kMaxPasswordLength)
        return QStringLiteral("密码不能超过%1个字符！").arg(kMaxPasswordLength);
    if (hasControlCharacter(password))
        return QStringLiteral("密码不能含有控制字符！");
    return {};
}

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
                storePassword(db, op.code, typedPassword);
            } catch (const store::DatabaseError&) {
                qCWarning(store::lcStore) << "a plain-text password was left as it is";
            }
        }
        return op;
    }
    return std::nullopt;
}

std::optional<Operator> logIn(const QSqlDatabase& db, const QString& typedCode,
                              const QString& typedPassword, const QString& program)
{
    const std::optional<Operator> op = authenticate(db, typedCode, typedPassword);
    AuditActor actor = systemActor(program);
    if (op) {
        actor.operatorCode = op->code;
        setAuditActor(actor);
        noteAudit(db, {AuditAction::LogIn, {}, std::nullopt, {}});
    } else {
        // Nobody is logged in: the entry names the code that was typed.
        actor.operatorCode = typedCode.trimmed().left(kMaxCodeLength);
        const AuditActor before = auditActor();
        setAuditActor(actor);
        noteAudit(db, {AuditAction::FailedLogIn, {}, std::nullopt, {}});
        setAuditActor(before);
    }
    return op;
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
    enforce(codeProblem(code));
    enforce(passwordProblem(password));
    store::Transaction transaction(db);
    if (codeExists(db, code.trimmed()))
        throw OperatorRuleError(kCodeTaken);
    store::run(db,
               QStringLiteral("insert into sys_yhxx(yonghdm,yonghmc,mim) values(:yhdm,:yhmc,:mm)"),
               {{"yhdm", code.trimmed()}, {"yhmc", name}, {"mm", hashPassword(password)}});
    logOperatorChange(db, QStringLiteral("增加用户 ") + code.trimmed());
    transaction.commit();
}

bool modifyOperator(const QSqlDatabase& db, const QString& oldCode, const QString& newCode,
                    const QString& newName, const std::optional<QString>& newPassword)
{
    enforce(codeProblem(newCode));
    if (newPassword)
        enforce(passwordProblem(*newPassword));
    store::Transaction transaction(db);
    if (newCode.trimmed() != oldCode && codeExists(db, newCode.trimmed()))
        throw OperatorRuleError(kCodeTaken);
    const bool found =
        store::run(
            db,
            QStringLiteral("update sys_yhxx set yonghdm=:yhdm, yonghmc=:yhmc where yonghdm=:old"),
            {{"yhdm", newCode.trimmed()}, {"yhmc", newName}, {"old", oldCode}})
            .numRowsAffected() > 0;
    if (!found)
        return false;
    if (newPassword)
        storePassword(db, newCode.trimmed(), *newPassword);
    logOperatorChange(db, QStringLiteral("修改用户 %1%2%3")
                              .arg(oldCode,
                                   newCode.trimmed() == oldCode
                                       ? QString()
                                       : QStringLiteral(" → ") + newCode.trimmed(),
                                   newPassword ? QStringLiteral("，重设密码") : QString()));
    transaction.commit();
    return true;
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
    logOperatorChange(db, QStringLiteral("删除用户 ") + code);
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
    enforce(passwordProblem(newPassword));
    store::Transaction transaction(db);
    storePassword(db, code, newPassword);
    logOperatorChange(db, QStringLiteral("更改密码 ") + code);
    transaction.commit();
    return PasswordChange::Changed;
}

bool setPassword(const QSqlDatabase& db, const QString& code, const QString& newPassword)
{
    enforce(passwordProblem(newPassword));
    store::Transaction transaction(db);
    if (!storePassword(db, code, newPassword))
        return false;
    logOperatorChange(db, QStringLiteral("设置密码 ") + code);
    transaction.commit();
    return true;
}

} // namespace hra::domain

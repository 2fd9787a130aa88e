#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <optional>

namespace hra::domain {

// The built-in manager code; compared exactly, letter case included.
inline const QString kManagerCode = QStringLiteral("rootadm");

inline bool isManager(const QString& operatorCode)
{
    return operatorCode == kManagerCode;
}

struct Operator
{
    QString code; // as stored
    QString name;
    QString permissions;
};

// The operator name shown beside a code as it is typed; empty when unknown.
QString operatorName(const QSqlDatabase& db, const QString& typedCode);

// The operator whose code (blanks removed) and password match, if any. A
// password still stored as plain text is replaced by its hash on the way.
std::optional<Operator> authenticate(const QSqlDatabase& db, const QString& typedCode,
                                     const QString& typedPassword);

// Every operator, by code. Passwords are never read.
QList<Operator> listOperators(const QSqlDatabase& db);

// Adds an operator; the password is stored as a hash, the code without
// surrounding blanks (as log-in reads it). Throws DatabaseError when the
// database refuses the row (a code that exists, a code too long).
void addOperator(const QSqlDatabase& db, const QString& code, const QString& name,
                 const QString& password);

// Gives the operator `oldCode` a new code and name; the password stays.
// Returns false when there is no such operator. Throws DatabaseError.
bool modifyOperator(const QSqlDatabase& db, const QString& oldCode, const QString& newCode,
                    const QString& newName);

enum class DeleteOperatorResult
{
    Deleted,
    NotFound,
    RefusedManager, // the manager's row: nobody could manage operators again
    RefusedLast,    // the last operator: nobody could log in again
};

// The messages of the two refusals.
inline const QString kRefuseDeleteManager = QStringLiteral("管理员用户不能删除！");
inline const QString kRefuseDeleteLast =
    QStringLiteral("至少要保留一个用户，最后一个用户不能删除！");

// Deletes an operator unless it is the manager's row or the last one; the
// check and the delete run in one transaction. Throws DatabaseError.
DeleteOperatorResult deleteOperator(const QSqlDatabase& db, const QString& code);

enum class PasswordChange
{
    Changed,
    WrongOldPassword,
    NoSuchOperator,
};

// Whether the typed password is the operator's, checked as log-in does.
bool passwordMatches(const QSqlDatabase& db, const QString& code, const QString& typed);

// Sets the operator's password (as a hash) after checking the old one as
// log-in does (hash or legacy plain text, blanks around ignored). Throws
// DatabaseError when the update fails.
PasswordChange changePassword(const QSqlDatabase& db, const QString& code,
                              const QString& oldPassword, const QString& newPassword);

// Sets the operator's password without the old one: the administrator's way
// to recover a forgotten password. False when there is no such operator.
bool setPassword(const QSqlDatabase& db, const QString& code, const QString& newPassword);

} // namespace hra::domain

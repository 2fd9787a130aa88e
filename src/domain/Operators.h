#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <optional>
#include <stdexcept>

namespace hra::domain {

// The built-in manager code; compared exactly, letter case included.
inline const QString kManagerCode = QStringLiteral("rootadm");

inline bool isManager(const QString& operatorCode)
{
    return operatorCode == kManagerCode;
}

// What an operator code and a password may be, on every path that stores
// them (the operator window, hra-cli operator).
inline constexpr int kMaxCodeLength = 12;
inline constexpr int kMaxPasswordLength = 128;

// Why a code may not be stored (in the words an operator reads), or empty
// when it may: 1 to 12 characters, none of them a control character, not
// only blanks.
QString codeProblem(const QString& code);
// The same for a new password: not empty, at most 128 characters, no
// control characters.
QString passwordProblem(const QString& password);

// A code or password refused by the rules above, or a code already taken;
// what() is the message for the operator (UTF-8).
class OperatorRuleError : public std::runtime_error
{
public:
    explicit OperatorRuleError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

inline const QString kCodeTaken = QStringLiteral("该用户代码已存在，请换一个代码！");

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

// Log-in as the windows do it: the operator, when code and password match.
// Either way the attempt goes to the operation log, and on success the
// operator becomes the actor of this process's later entries (`program`
// names the program). Throws DatabaseError, PasswordError.
std::optional<Operator> logIn(const QSqlDatabase& db, const QString& typedCode,
                              const QString& typedPassword, const QString& program);

// Every operator, by code. Passwords are never read.
QList<Operator> listOperators(const QSqlDatabase& db);

// Adds an operator; the password is stored as a hash, the code without
// surrounding blanks (as log-in reads it). Throws OperatorRuleError for a
// code or password the rules refuse or a code that exists, DatabaseError
// when the database refuses the row.
void addOperator(const QSqlDatabase& db, const QString& code, const QString& name,
                 const QString& password);

// Gives the operator `oldCode` a new code and name, and a new password when
// one is given (the manager's way to recover a forgotten one); else the
// password stays. One transaction. Returns false when there is no such
// operator. Throws OperatorRuleError, DatabaseError.
bool modifyOperator(const QSqlDatabase& db, const QString& oldCode, const QString& newCode,
                    const QString& newName,
                    const std::optional<QString>& newPassword = std::nullopt);

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
// OperatorRuleError for a new password the rules refuse, DatabaseError when
// the update fails.
PasswordChange changePassword(const QSqlDatabase& db, const QString& code,
                              const QString& oldPassword, const QString& newPassword);

// Sets the operator's password without the old one: the administrator's way
// to recover a forgotten password. False when there is no such operator.
// Throws OperatorRuleError, DatabaseError.
bool setPassword(const QSqlDatabase& db, const QString& code, const QString& newPassword);

} // namespace hra::domain

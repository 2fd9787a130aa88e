#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <functional>

// The state of the link of each open Connection, for the statement path: a
// statement that finds the link gone marks it lost, and the next statement on
// that connection opens it again first (with a back-off after a failed try).
namespace hra::store::link {

// Opens the named connection again; false with the driver's text on failure.
using Reopen = std::function<bool(QString* error)>;

void track(const QString& name, Reopen reopen, QString sqliteFile);
void forget(const QString& name);
bool isLost(const QString& name);

// Before a statement: throws ConnectionLostError when the link is lost and
// cannot be opened again now (or a transaction of ours was open on it: what
// it held is gone and is never run again by itself).
void ensure(const QSqlDatabase& db);
// After a failed statement: whether the failure is a lost link (marked lost).
bool noteFailure(const QSqlDatabase& db, const QSqlError& error);
// Tries to open a lost link when its back-off has passed (or at once with
// `now`); true when open.
bool reopen(const QString& name, bool now, QString* error);

} // namespace hra::store::link

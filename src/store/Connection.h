#pragma once

#include "store/Dialect.h"
#include "store/Settings.h"
#include "store/Sql.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <memory>

class QThread;

namespace hra::store {

// The one database connection of a running program (tests may open several,
// each under its own name). Closing it removes the Qt connection again.
class Connection
{
public:
    // Whether a SQLite file that does not exist is created (the program's
    // first start, database set-up) or is an error (commands that only read).
    enum class Missing
    {
        Create,
        Refuse
    };

    // Opens the connection the settings describe; on failure returns null and
    // sets *error to the driver's text. A SQLite file that is missing is
    // created, with its folder, readable by its owner only (health data);
    // isEmpty() then tells that it has no tables yet.
    static std::unique_ptr<Connection> open(const ConnectionSettings& settings, QString* error,
                                            const QString& name = QStringLiteral("hra"),
                                            Missing missing = Missing::Create);
    ~Connection();

    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }
    const Dialect& dialect() const { return m_dialect; }
    // The statement path on this connection (a new count each time).
    Sql sql() const { return Sql(db(), m_dialect); }
    const ConnectionSettings& settings() const { return m_settings; }
    const QString& name() const { return m_name; }

    // Whether the link to the database was found lost and is not open again
    // yet. A lost link is opened again by the next statement (a short back-off
    // after a failed try); until then statements throw ConnectionLostError.
    bool isLost() const;
    // Tries to open a lost link (when its back-off has passed, or at once
    // with `now`); true when the link is open.
    bool reconnect(QString* error = nullptr, bool now = false);

    // Names of the tables and views present, lower-case.
    QStringList tables() const;
    // True when the database holds none of our tables yet.
    bool isEmpty() const;

    // The database server's clock; every stored time is taken from here.
    QDateTime serverNow() const;

private:
    Connection(QString name, ConnectionSettings settings);

    QString m_name;
    // Qt lets only the thread that opened a connection use it.
    QThread* m_thread;
    ConnectionSettings m_settings;
    Dialect m_dialect;
};

} // namespace hra::store

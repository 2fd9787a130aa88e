#include "store/Connection.h"

#include "store/Link.h"
#include "store/Log.h"
#include "store/PrivateFiles.h"
#include "store/Sql.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QTimeZone>
#include <algorithm>

namespace hra::store {

namespace {

// Stored times carry no zone. The server gives its clock as wall time in the
// session's zone and Qt reads and binds date-times in the workstation's zone,
// so the two must agree: with a server set to another zone every entry date
// would be stored hours off and whole-day searches would miss rows.
void useWorkstationTimeZone(const QSqlDatabase& db, const Dialect& dialect)
{
    const QString statement = dialect.setTimeZoneStatement();
    if (statement.isEmpty())
        return;
    const QString zone = QString::fromLatin1(QTimeZone::systemTimeZoneId());
    try {
        run(db, statement, {{QStringLiteral("zone"), zone}});
    } catch (const DatabaseError&) {
        qCWarning(lcStore).noquote() << "the server does not know the time zone" << zone;
    }
}

QString odbcConnectString(const ConnectionSettings& s)
{
    // FreeTDS through unixODBC; the settings of the historical connection
    // string (server, catalog, user, password, workstation) in ODBC keywords.
    QString text = QStringLiteral("DRIVER={FreeTDS};SERVER=%1;DATABASE=%2;UID=%3;PWD={%4};WSID=%1;"
                                  "TDS_Version=7.4;ClientCharset=UTF-8;")
                       .arg(s.serverName, s.databaseName, s.userId,
                            QString(s.password).replace(u'}', QStringLiteral("}}")));
    if (s.port > 0)
        text += QStringLiteral("PORT=%1;").arg(s.port);
    return text;
}

// What a session needs set after every open: SQLite's keys, busy timeout and
// journal; the servers' time zone.
void prepareSession(const QSqlDatabase& db, const Dialect& dialect)
{
    if (dialect.driver() == Driver::Sqlite) {
        // Keys and CHECK constraints are the schema's guard on SQLite.
        QSqlQuery(db).exec(QStringLiteral("pragma foreign_keys = on"));
        QSqlQuery(db).exec(QStringLiteral("pragma busy_timeout = 5000"));
        // Readers do not block the writer nor the writer the readers, so that
        // several programs can work on one file.
        QSqlQuery(db).exec(QStringLiteral("pragma journal_mode = wal"));
    }
    useWorkstationTimeZone(db, dialect);
}

struct LinkEntry
{
    link::Reopen reopen;
    QString sqliteFile;
    bool lost = false;
    int failedTries = 0;
    QDeadlineTimer nextTry;
};

// Connections belong to the thread that opened them, and so do their links.
thread_local QHash<QString, LinkEntry> links;

// A back-off after each failed try: a quarter second, doubling to 8 s.
constexpr qint64 kFirstBackOffMs = 250;
constexpr qint64 kLongestBackOffMs = 8000;

bool tryReopen(const QString& name, LinkEntry& entry, QString* error)
{
    // Open while the session is prepared: its statements come through here.
    entry.lost = false;
    if (entry.reopen(error)) {
        qCInfo(lcStore).noquote() << "connection" << name << "open again";
        entry.failedTries = 0;
        return true;
    }
    entry.lost = true;
    ++entry.failedTries;
    const qint64 wait =
        std::min(kLongestBackOffMs, kFirstBackOffMs << std::min(entry.failedTries - 1, 5));
    entry.nextTry = QDeadlineTimer(wait);
    qCWarning(lcStore).noquote() << "connection" << name << "still lost:" << *error;
    return false;
}

} // namespace

namespace link {

void track(const QString& name, Reopen reopen, QString sqliteFile)
{
    links.insert(name, LinkEntry{std::move(reopen), std::move(sqliteFile)});
}

void forget(const QString& name)
{
    links.remove(name);
}

bool isLost(const QString& name)
{
    const auto it = links.constFind(name);
    return it != links.cend() && it->lost;
}

namespace {
void markLost(const QString& name, LinkEntry& entry, const QString& why)
{
    if (!entry.lost)
        qCWarning(lcStore).noquote() << "connection" << name << "lost:" << why;
    entry.lost = true;
    entry.failedTries = 0;
    entry.nextTry = QDeadlineTimer(0);
}
} // namespace

void ensure(const QSqlDatabase& db)
{
    const QString name = db.connectionName();
    const auto it = links.find(name);
    if (it == links.end())
        return;
    LinkEntry& entry = *it;
    // SQLite goes on writing into a file that was moved or deleted under it.
    if (!entry.lost && !entry.sqliteFile.isEmpty() && !QFileInfo::exists(entry.sqliteFile))
        markLost(name, entry, QStringLiteral("the database file is gone"));
    if (!entry.lost && !db.isOpen())
        markLost(name, entry, QStringLiteral("database not open"));
    if (!entry.lost)
        return;
    if (Transaction::isOpen(db))
        throw ConnectionLostError(QStringLiteral("the connection was lost during a transaction"));
    if (!entry.nextTry.hasExpired())
        throw ConnectionLostError(QStringLiteral("the connection is lost; trying again shortly"));
    QString error;
    if (!tryReopen(name, entry, &error))
        throw ConnectionLostError(error);
}

bool noteFailure(const QSqlDatabase& db, const QSqlError& error)
{
    const QString name = db.connectionName();
    const auto it = links.find(name);
    const bool lost =
        !db.isOpen() || Dialect::of(db).isLostConnection(error) ||
        (it != links.end() && !it->sqliteFile.isEmpty() && !QFileInfo::exists(it->sqliteFile));
    if (lost && it != links.end())
        markLost(name, *it, error.text());
    return lost;
}

bool reopen(const QString& name, bool now, QString* error)
{
    const auto it = links.find(name);
    if (it == links.end() || !it->lost)
        return true;
    if (!now && !it->nextTry.hasExpired()) {
        *error = QStringLiteral("the connection is lost; trying again shortly");
        return false;
    }
    return tryReopen(name, *it, error);
}

} // namespace link

Connection::Connection(QString name, ConnectionSettings settings)
    : m_name(std::move(name)), m_thread(QThread::currentThread()), m_settings(std::move(settings)),
      m_dialect(m_settings.driver)
{
}

std::unique_ptr<Connection> Connection::open(const ConnectionSettings& settings, QString* error,
                                             const QString& name, Missing missing)
{
    const Dialect dialect(settings.driver);
    if (QSqlDatabase::contains(name))
        QSqlDatabase::removeDatabase(name);
    std::unique_ptr<Connection> conn(new Connection(name, settings));
    QSqlDatabase db = QSqlDatabase::addDatabase(dialect.qtDriver(), name);
    if (!db.isValid()) {
        *error = QStringLiteral("Qt SQL driver %1 is not available").arg(dialect.qtDriver());
        return nullptr;
    }
    bool createdFile = false;
    switch (settings.driver) {
    case Driver::Sqlite:
        if (settings.databaseFile.isEmpty()) {
            *error = QStringLiteral("no database file configured");
            return nullptr;
        }
        if (!QFileInfo::exists(settings.databaseFile)) {
            if (missing == Missing::Refuse) {
                *error = QStringLiteral("the database file %1 does not exist")
                             .arg(settings.databaseFile);
                return nullptr;
            }
            createdFile = true;
            makePrivateFolder(QFileInfo(settings.databaseFile).absolutePath());
        }
        db.setDatabaseName(settings.databaseFile);
        break;
    case Driver::Postgres:
        // A server out of reach must not hold the program for minutes, on
        // the first open nor on a reconnect.
        db.setConnectOptions(QStringLiteral("connect_timeout=5"));
        db.setHostName(settings.serverName);
        db.setDatabaseName(settings.databaseName);
        db.setUserName(settings.userId);
        db.setPassword(settings.password);
        if (settings.port > 0)
            db.setPort(settings.port);
        break;
    case Driver::Mssql:
        db.setDatabaseName(odbcConnectString(settings));
        break;
    }
    if (!db.open()) {
        *error = db.lastError().text();
        return nullptr;
    }
    // Health data: the owner only (before the log files exist, which SQLite
    // creates with the permissions of the database file).
    if (settings.driver == Driver::Sqlite && createdFile) {
        QSqlQuery(db).exec(QStringLiteral("pragma user_version")); // makes the file
        makePrivateFile(settings.databaseFile);
    }
    prepareSession(db, dialect);
    const QString file = settings.driver == Driver::Sqlite
                             ? QFileInfo(settings.databaseFile).absoluteFilePath()
                             : QString();
    link::track(
        name,
        [name, dialect, file](QString* error) {
            QSqlDatabase again = QSqlDatabase::database(name, false);
            again.close();
            // A missing file is not created afresh: that would be an empty
            // database in place of the centre's.
            if (!file.isEmpty() && !QFileInfo::exists(file)) {
                *error = QStringLiteral("the database file %1 does not exist").arg(file);
                return false;
            }
            if (!again.open()) {
                *error = again.lastError().text();
                return false;
            }
            prepareSession(again, dialect);
            return true;
        },
        file);
    return conn;
}

Connection::~Connection()
{
    // Destroyed in another thread (its owner outlived the thread that read
    // with it), the connection is not looked up, which Qt refuses there:
    // removing it closes it as its last handle goes.
    if (m_thread == QThread::currentThread()) {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        if (db.isOpen())
            db.close();
        link::forget(m_name);
    }
    QSqlDatabase::removeDatabase(m_name);
}

bool Connection::isLost() const
{
    return link::isLost(m_name);
}

bool Connection::reconnect(QString* error, bool now)
{
    QString text;
    const bool open = link::reopen(m_name, now, &text);
    if (error)
        *error = text;
    return open;
}

QStringList Connection::tables() const
{
    QStringList names;
    QSqlQuery q = run(db(), m_dialect.listTablesQuery());
    while (q.next())
        names << q.value(0).toString().toLower();
    return names;
}

bool Connection::isEmpty() const
{
    return !tables().contains(QStringLiteral("jkpg_jbxx"));
}

QDateTime Connection::serverNow() const
{
    return sql().serverNow();
}

} // namespace hra::store

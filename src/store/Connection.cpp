#include "store/Connection.h"

#include "store/Log.h"
#include "store/PrivateFiles.h"
#include "store/Sql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QTimeZone>

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

} // namespace

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
    if (settings.driver == Driver::Sqlite) {
        // Health data: the owner only (before the log files exist, which
        // SQLite creates with the permissions of the database file).
        if (createdFile) {
            QSqlQuery(db).exec(QStringLiteral("pragma user_version")); // makes the file
            makePrivateFile(settings.databaseFile);
        }
        // Keys and CHECK constraints are the schema's guard on SQLite.
        QSqlQuery(db).exec(QStringLiteral("pragma foreign_keys = on"));
        QSqlQuery(db).exec(QStringLiteral("pragma busy_timeout = 5000"));
        // Readers do not block the writer nor the writer the readers, so that
        // several programs can work on one file.
        QSqlQuery(db).exec(QStringLiteral("pragma journal_mode = wal"));
    }
    useWorkstationTimeZone(db, conn->dialect());
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
    }
    QSqlDatabase::removeDatabase(m_name);
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

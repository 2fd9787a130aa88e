#include "support/TestDatabase.h"

#include "domain/Bootstrap.h"
#include "store/Sql.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUuid>
#include <gtest/gtest.h>

namespace hra::test {
namespace {

store::ConnectionSettings postgresServer()
{
    store::ConnectionSettings s;
    s.driver = store::Driver::Postgres;
    s.serverName = qEnvironmentVariable("HRA_TEST_PG_HOST");
    s.port = qEnvironmentVariableIntValue("HRA_TEST_PG_PORT");
    s.userId = qEnvironmentVariable("HRA_TEST_PG_USER", QStringLiteral("postgres"));
    s.password = qEnvironmentVariable("HRA_TEST_PG_PASSWORD");
    return s;
}

// Runs one statement on the server's maintenance database.
void adminExec(const QString& sql)
{
    const store::ConnectionSettings s = postgresServer();
    const QString name = QStringLiteral("hra-test-admin");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(s.serverName);
        if (s.port > 0)
            db.setPort(s.port);
        db.setUserName(s.userId);
        db.setPassword(s.password);
        db.setDatabaseName(QStringLiteral("postgres"));
        if (!db.open())
            ADD_FAILURE() << "PostgreSQL admin connection failed: "
                          << db.lastError().text().toStdString();
        else if (QSqlQuery q(db); !q.exec(sql))
            ADD_FAILURE() << sql.toStdString() << ": " << q.lastError().text().toStdString();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace

std::vector<store::Driver> databaseBackends()
{
    return {store::Driver::Sqlite, store::Driver::Postgres};
}

std::string backendName(store::Driver driver)
{
    return store::driverName(driver).toStdString();
}

TestDatabase::TestDatabase(store::Driver driver)
{
    if (driver == store::Driver::Sqlite) {
        m_settings.driver = driver;
        m_settings.databaseFile = m_dir.filePath(QStringLiteral("test.sqlite3"));
        return;
    }
    if (qEnvironmentVariableIsEmpty("HRA_TEST_PG_HOST")) {
        m_available = false;
        return;
    }
    m_settings = postgresServer();
    m_settings.databaseName =
        QStringLiteral("hra_test_") + QUuid::createUuid().toString(QUuid::Id128).left(16);
    adminExec(QStringLiteral("create database %1 encoding 'UTF8' template template0")
                  .arg(m_settings.databaseName));
}

TestDatabase::~TestDatabase()
{
    if (m_available && m_settings.driver == store::Driver::Postgres)
        adminExec(
            QStringLiteral("drop database if exists %1 with (force)").arg(m_settings.databaseName));
}

std::unique_ptr<store::Connection> TestDatabase::connect(const QString& name)
{
    QString error;
    auto conn = store::Connection::open(m_settings, &error, name);
    if (!conn)
        ADD_FAILURE() << "cannot open test database: " << error.toStdString();
    return conn;
}

std::unique_ptr<store::Connection> TestDatabase::connectInitialised(const QString& name, bool demo)
{
    auto conn = connect(name);
    if (conn && conn->isEmpty())
        domain::initializeDatabase(*conn, {.demo = demo});
    return conn;
}

void TestDatabase::cut(store::Connection& victim, store::Connection& other)
{
    if (m_settings.driver == store::Driver::Postgres) {
        adminExec(QStringLiteral("alter database %1 allow_connections false")
                      .arg(m_settings.databaseName));
        terminateSession(victim, other);
    } else if (!QFile::rename(m_settings.databaseFile,
                              m_settings.databaseFile + QStringLiteral(".away"))) {
        ADD_FAILURE() << "the database file could not be moved away";
    }
}

void TestDatabase::restore(store::Connection&)
{
    if (m_settings.driver == store::Driver::Postgres)
        adminExec(QStringLiteral("alter database %1 allow_connections true")
                      .arg(m_settings.databaseName));
    else if (!QFile::rename(m_settings.databaseFile + QStringLiteral(".away"),
                            m_settings.databaseFile))
        ADD_FAILURE() << "the database file could not be moved back";
}

void terminateSession(store::Connection& victim, store::Connection& from)
{
    const QVariant pid = store::scalar(victim.db(), QStringLiteral("select pg_backend_pid()"));
    store::scalar(from.db(), QStringLiteral("select pg_terminate_backend(:pid)"),
                  {{QStringLiteral("pid"), pid}});
    for (int i = 0; i < 500; ++i) {
        if (store::scalar(from.db(),
                          QStringLiteral("select count(*) from pg_stat_activity where pid = :pid"),
                          {{QStringLiteral("pid"), pid}})
                .toInt() == 0)
            return;
        QThread::msleep(10);
    }
    ADD_FAILURE() << "the session did not end";
}

} // namespace hra::test

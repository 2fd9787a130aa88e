#pragma once

#include "store/Connection.h"
#include "store/Settings.h"

#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

namespace hra::test {

// The backends a database test runs on: SQLite always, PostgreSQL as well.
// PostgreSQL cases skip themselves when HRA_TEST_PG_HOST is not set (the
// test script starts a throwaway server and sets it).
std::vector<store::Driver> databaseBackends();
std::string backendName(store::Driver driver);

// A new, empty database for one test, removed again afterwards.
class TestDatabase
{
public:
    explicit TestDatabase(store::Driver driver);
    ~TestDatabase();

    // False when the backend is not available here; the test should skip.
    bool available() const { return m_available; }
    const store::ConnectionSettings& settings() const { return m_settings; }

    // A connection under its own Qt connection name.
    std::unique_ptr<store::Connection> connect(const QString& name = QStringLiteral("test"));

    // An outage of the database for `victim` (`other` stays open to end it):
    // on PostgreSQL its session is ended and no new one accepted, on SQLite
    // the file is moved away. restore() ends the outage.
    void cut(store::Connection& victim, store::Connection& other);
    void restore(store::Connection& other);

    // A connection with schema and reference data in place.
    std::unique_ptr<store::Connection>
    connectInitialised(const QString& name = QStringLiteral("test"), bool demo = false);

private:
    store::ConnectionSettings m_settings;
    QTemporaryDir m_dir;
    bool m_available = true;
};

// Ends the PostgreSQL session of `victim` from the connection `from` (as an
// administrator or a server restart would) and waits until it is gone.
void terminateSession(store::Connection& victim, store::Connection& from);

} // namespace hra::test

// Skips the current test when its backend is missing.
#define HRA_REQUIRE_BACKEND(db)                                                                    \
    do {                                                                                           \
        if (!(db).available())                                                                     \
            GTEST_SKIP() << "PostgreSQL not configured (HRA_TEST_PG_HOST)";                        \
    } while (0)

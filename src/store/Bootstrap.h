#pragma once

#include "store/Connection.h"

#include <QString>

namespace hra::store {

struct InitOptions
{
    // Adds demo persons with stored assessments and the demo manager password.
    bool demo = false;
    // Drops our tables first when the database already has some.
    bool force = false;
};

struct InitResult
{
    // The manager's password in clear, to be shown once; only its hash is stored.
    QString managerPassword;
};

// The password the demo database gives the manager (named in the README).
inline const QString kDemoManagerPassword = QStringLiteral("demo1234");

// Creates the schema and the reference data on an empty database. Throws
// DatabaseError when the database already holds tables and force is not set,
// or when a statement fails (nothing is left half-done on the backends that
// have transactional DDL).
InitResult initializeDatabase(const Connection& connection, const InitOptions& options);

} // namespace hra::store

#pragma once

#include "store/Connection.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace hra::app {

// The configuration file named by "--ini FILE", else inifile.ini beside the
// executable. A relative name is taken from the current folder.
QString iniPathFromArguments(const QStringList& arguments);

struct DatabaseOpening
{
    std::unique_ptr<store::Connection> connection; // null when opening failed
    QString error;                                 // the driver's text, for standard error
    // What the operator is told instead of the general failure, when there is
    // something particular to say (a database of an older version).
    QString operatorMessage;
    // Set when this start created the embedded database: the manager's
    // password, to be shown once.
    QString newManagerPassword;
};

// Whether this database is a new embedded one that should get the schema and
// the reference data now: SQLite holding no table at all. A server database,
// or a file that holds tables of any kind, is left as it is: servers are set
// up with hra-cli, and a foreign file must not be written into.
bool needsFirstRunSetup(const store::Connection& connection);

// Asked before a database file that the configuration names, and that does
// not exist, is created: a mistyped name must not quietly start an empty
// database (with a new manager password) as if the data were gone. True
// creates it. The default place of the embedded database is never asked for.
using MayCreateDatabase = std::function<bool(const QString& file)>;

// Reads the settings (a missing file means the defaults, with a warning in
// the log), opens the connection and prepares a new embedded database.
DatabaseOpening openDatabase(const QString& iniPath, const MayCreateDatabase& mayCreate = {});

} // namespace hra::app

#pragma once

#include <QString>
#include <QStringList>

namespace hra::store {

enum class Driver
{
    Sqlite,
    Postgres,
    Mssql
};

// The [data] section of inifile.ini. The first four keys are the ones every
// installation has; driver, database_file and port choose the backend.
struct ConnectionSettings
{
    QString password;
    QString userId = QStringLiteral("sa");
    QString databaseName = QStringLiteral("qmo_jkpg");
    QString serverName = QStringLiteral("server");

    // Absent means SQL Server, so that configuration files written for the
    // original installations keep their meaning.
    Driver driver = Driver::Mssql;
    // SQLite only: absolute path of the database file.
    QString databaseFile;
    // Whether the file was named by the configuration (database_file), not
    // the default place in the user's data folder.
    bool databaseFileNamed = false;
    // Server backends only: 0 means the backend's usual port.
    int port = 0;
};

struct LoadedSettings
{
    ConnectionSettings settings;
    // Set when the named file does not exist or cannot be read; the defaults
    // then apply, which is not an error.
    QString warning;
    // The driver value when it names no backend we know. SQL Server applies,
    // as for no value; the program warns about it, hra-cli refuses it.
    QString unknownDriver;

    // The message about unknownDriver (empty when there is none).
    QString unknownDriverMessage() const;
    // A port value that is no port number (1 to 65535); the backend's usual
    // port applies, the program warns, hra-cli refuses it.
    QString badPort;
};

// Reads the [data] section of an ini file. A missing file or key gives the
// default; a relative database_file is taken relative to the file's folder.
LoadedSettings loadSettings(const QString& iniPath);

// The settings as the historical connection string, character for character.
QString connectionString(const ConnectionSettings& settings);

// inifile.ini beside the running executable; in an installation, where
// there is none beside it, the one under share/hra/.
QString defaultIniPath();

// A folder of files the program ships ("reports", "help"): beside the
// executable in a build tree, <prefix>/share/hra/<name> for a program
// installed in <prefix>/bin.
QString sharedDirectory(const QString& name);

// The file after --ini in a program's arguments, or defaultIniPath().
QString iniPathFromArguments(const QStringList& arguments);

QString driverName(Driver driver);

} // namespace hra::store

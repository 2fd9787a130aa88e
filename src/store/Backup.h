#pragma once

#include "store/Settings.h"

#include <QDate>
#include <QString>
#include <functional>

namespace hra::store {

// What became of a backup or a restore. Anything but Done leaves the
// configured database as it was.
enum class BackupStatus
{
    Done,
    // The backend has no backup here: SQL Server is backed up with its own tools.
    NotSupported,
    // pg_dump or pg_restore is not installed.
    ToolMissing,
    // The configured database cannot be opened or read.
    SourceFailed,
    // The output file cannot be written.
    WriteFailed,
    // The output file, or the copy a restore makes beside the database,
    // found the disk full; the detail names the file.
    DiskFull,
    // The output file is not one to replace: the database itself (also
    // through a link), or no regular file (a device, a pipe, a folder).
    TargetRefused,
    // The file to restore is no backup of this program's database (not a
    // database, damaged, truncated, another program's tables).
    NotABackup,
    // The database holds data and the restore was not forced.
    TargetNotEmpty,
    // Another program holds the SQLite file open, or another session keeps
    // its locks on the server's tables past the lock timeout; nothing is replaced.
    TargetInUse,
    // The restore itself failed; the database is as it was.
    RestoreFailed,
    // The progress callback asked to stop.
    Cancelled,
};

struct BackupResult
{
    BackupStatus status = BackupStatus::Done;
    // The tool's or driver's own words, for the log and hra-cli.
    QString detail;

    bool ok() const { return status == BackupStatus::Done; }
};

// Told the share of the work done (0 to 100) at each step; returning false
// stops before the next step, leaving everything as it was.
using BackupProgress = std::function<bool(int percent)>;

// Writes a consistent snapshot of the configured database to file (replaced
// when present, and only once the snapshot is complete and checked). SQLite:
// a copy made while other programs may be writing, checked for integrity.
// PostgreSQL: pg_dump's custom format, the password in the environment.
BackupResult backupDatabase(const ConnectionSettings& settings, const QString& file,
                            const BackupProgress& progress = {});

// True when the configured database holds this program's tables (a restore
// over it needs force). A database that cannot be opened counts as empty.
bool databaseHoldsData(const ConnectionSettings& settings);

// Replaces the configured database with a backup file after checking the file:
// a regular file, holding exactly the tables, columns, keys, indexes and view
// this program makes and nothing that runs (a trigger, a function, a view of
// its own). SQLite: the file is read through SQLite (a file still in use
// gives what was committed, its log included); the checked copy takes the
// database file's place in one rename. PostgreSQL: pg_restore in one
// transaction. A database holding data is replaced only with force. Waiting
// longer than lockTimeoutMs for other workstations gives TargetInUse.
BackupResult restoreDatabase(const ConnectionSettings& settings, const QString& file, bool force,
                             const BackupProgress& progress = {}, int lockTimeoutMs = 30000);

// A name for a backup made today: the database name and the date.
QString defaultBackupName(const ConnectionSettings& settings, const QDate& date);

} // namespace hra::store

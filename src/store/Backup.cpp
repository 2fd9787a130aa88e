#include "store/Backup.h"

#include "store/Connection.h"
#include "store/Log.h"
#include "store/PrivateFiles.h"
#include "store/Schema.h"
#include "store/SchemaCheck.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QUuid>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

namespace hra::store {
namespace {

// The caller says the detail once: hra-cli prints it, the window logs it
// beside its own message.
BackupResult fail(BackupStatus status, const QString& detail)
{
    qCInfo(lcStore).noquote() << "backup/restore:" << detail;
    return {status, detail};
}

// The driver's words go to the log; the caller gets one clear sentence.
BackupResult inUse(const QString& database, const QString& driverText)
{
    qCInfo(lcStore).noquote() << "restore: database" << database << "stayed locked:" << driverText;
    return {BackupStatus::TargetInUse,
            QStringLiteral("the database %1 is in use by another workstation and was not "
                           "replaced; try again when the others have closed the program")
                .arg(database)};
}

// A write that found the disk full: the sentence names the file, the
// driver's or tool's words go to the log only.
BackupResult diskFull(const QString& file, const QString& driverText)
{
    qCInfo(lcStore).noquote() << "backup/restore: writing" << file << "failed:" << driverText;
    return {BackupStatus::DiskFull, QStringLiteral("not enough disk space to write %1").arg(file)};
}

bool proceed(const BackupProgress& progress, int percent)
{
    return !progress || progress(percent);
}

// Replaces `to` by `from` in one step (both in one folder, so one file system).
bool renameOver(const QString& from, const QString& to, QString* error)
{
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(from.toStdString()),
                            std::filesystem::path(to.toStdString()), ec);
    if (ec)
        *error = QString::fromStdString(ec.message());
    return !ec;
}

// A SQLite connection of its own, closed and removed with the object.
class SqliteFile
{
public:
    explicit SqliteFile(const QString& path, int busyMs = 5000, bool readOnly = false)
        : m_name(QStringLiteral("hra-backup-") + QUuid::createUuid().toString(QUuid::Id128))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.setConnectOptions(
            QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1%2")
                .arg(busyMs)
                .arg(readOnly ? QStringLiteral(";QSQLITE_OPEN_READONLY") : QString()));
        if (!db.open())
            m_error = db.lastError().text();
    }
    ~SqliteFile()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    SqliteFile(const SqliteFile&) = delete;
    SqliteFile& operator=(const SqliteFile&) = delete;

    bool isOpen() const { return m_error.isEmpty(); }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }
    const QString& error() const { return m_error; }
    // Whether the last statement failed for lack of disk space.
    bool failedForSpace() const { return m_full; }

    // Runs one statement; the first column of every row, or nothing and
    // *error set.
    std::optional<QStringList> exec(const QString& sql, QString* error,
                                    const QVariant& bound = {}) const
    {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        q.setForwardOnly(true);
        bool ok = q.prepare(sql);
        if (ok && bound.isValid())
            q.addBindValue(bound);
        ok = ok && q.exec();
        // SQLITE_FULL: the disk (or the file's size limit) is full.
        m_full = !ok && q.lastError().nativeErrorCode() == QLatin1String("13");
        if (!ok) {
            *error = q.lastError().text();
            return std::nullopt;
        }
        QStringList values;
        while (q.next())
            values << q.value(0).toString();
        return values;
    }

private:
    QString m_name;
    QString m_error;
    mutable bool m_full = false;
};

// The tables every database of this program has, lower-case.
QStringList programTables()
{
    QStringList names;
    for (const TableDef& t : tables())
        names << t.name.toLower();
    // Backups of older versions lack the tables later ones added; the
    // restore makes them.
    for (const QString& later : laterTables())
        names.removeAll(later);
    return names;
}

// Whether a SQLite file is a sound database of this program. Leaves it as a
// single file (no write-ahead log) so that it can be copied or renamed alone.
bool checkSqliteCopy(const QString& path, QString* detail, bool wholeSchema)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.read(16) != QByteArray("SQLite format 3\0", 16)) {
        *detail = QStringLiteral("%1 is not an SQLite database").arg(path);
        return false;
    }
    f.close();
    const SqliteFile db(path);
    if (!db.isOpen()) {
        *detail = db.error();
        return false;
    }
    QString error;
    const auto mode = db.exec(QStringLiteral("pragma journal_mode = delete"), &error);
    if (!mode) {
        *detail = error;
        return false;
    }
    const auto check = db.exec(QStringLiteral("pragma integrity_check"), &error);
    if (!check || check->size() != 1 || check->first() != QLatin1String("ok")) {
        *detail = check ? QStringLiteral("integrity check: ") + check->join(u"; ") : error;
        return false;
    }
    const auto present = db.exec(
        QStringLiteral("select lower(name) from sqlite_master where type = 'table'"), &error);
    if (!present) {
        *detail = error;
        return false;
    }
    QStringList missing;
    for (const QString& t : programTables())
        if (!present->contains(t))
            missing << t;
    if (!missing.isEmpty()) {
        *detail = QStringLiteral("not a database of this program; tables missing: ") +
                  missing.join(u", ");
        return false;
    }
    if (wholeSchema) {
        try {
            const QString difference = sqliteSchemaDifference(db.db());
            if (!difference.isEmpty()) {
                *detail = QStringLiteral("not a database this program made: ") + difference;
                return false;
            }
            // A backup of an older version is brought up to date before it
            // takes the database's place.
            if (schemaVersion(db.db()) < kSchemaVersion) {
                addMissingColumns(db.db(), Dialect(Driver::Sqlite));
                recordSchemaVersion(db.db(), Dialect(Driver::Sqlite));
            }
        } catch (const DatabaseError& e) {
            *detail = e.message();
            return false;
        }
    }
    return true;
}

// A temporary file beside `path`, in the same folder so that it can be
// renamed over it.
std::unique_ptr<QTemporaryFile> besides(const QString& path, QString* error)
{
    const QFileInfo info(path);
    makePrivateFolder(info.absolutePath());
    removeAbandonedTemporaries(path);
    auto temp = std::make_unique<QTemporaryFile>(temporaryTemplate(path));
    if (!temp->open()) {
        *error = QStringLiteral("%1: %2").arg(temp->fileTemplate(), temp->errorString());
        return nullptr;
    }
    temp->close();
    return temp;
}

// The last steps of every backup: the finished copy is checked, and only
// then takes the file's name, readable by its owner alone (it holds every
// person's data).
BackupResult keepChecked(QTemporaryFile& temp, const QString& file,
                         const QStringList& protectedFiles,
                         const std::function<bool(const QString&, QString*)>& check,
                         const BackupProgress& progress)
{
    QString error;
    if (!check(temp.fileName(), &error))
        return fail(BackupStatus::SourceFailed, error);
    // Looked at again just before the rename: the target may have changed
    // since the backup began.
    if (const QString refused = targetRefusal(file, protectedFiles); !refused.isEmpty())
        return fail(BackupStatus::TargetRefused, refused);
    if (!proceed(progress, 90))
        return {BackupStatus::Cancelled, {}};
    QFile(temp.fileName()).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (!renameOver(temp.fileName(), file, &error))
        return fail(BackupStatus::WriteFailed, QStringLiteral("%1: %2").arg(file, error));
    temp.setAutoRemove(false);
    proceed(progress, 100);
    return {};
}

BackupResult sqliteBackup(const ConnectionSettings& settings, const QString& file,
                          const BackupProgress& progress)
{
    if (!proceed(progress, 0))
        return {BackupStatus::Cancelled, {}};
    if (!QFileInfo(settings.databaseFile).isFile())
        return fail(BackupStatus::SourceFailed,
                    QStringLiteral("database file not found: %1").arg(settings.databaseFile));
    const QStringList database = sqliteFiles(settings.databaseFile);
    if (const QString refused = targetRefusal(file, database); !refused.isEmpty())
        return fail(BackupStatus::TargetRefused, refused);
    QString error;
    const auto temp = besides(file, &error);
    if (!temp)
        return fail(BackupStatus::WriteFailed, error);
    {
        // VACUUM INTO reads one snapshot in one read transaction: other
        // programs go on writing, and what they commit later is not in it.
        const SqliteFile source(settings.databaseFile);
        if (!source.isOpen())
            return fail(BackupStatus::SourceFailed, source.error());
        if (!source.exec(QStringLiteral("vacuum into ?"), &error, temp->fileName()))
            return source.failedForSpace() ? diskFull(file, error)
                                           : fail(BackupStatus::WriteFailed, error);
    }
    if (!proceed(progress, 60))
        return {BackupStatus::Cancelled, {}};
    return keepChecked(
        *temp, file, database,
        [](const QString& path, QString* detail) { return checkSqliteCopy(path, detail, false); },
        progress);
}

BackupResult sqliteRestore(const ConnectionSettings& settings, const QString& file, bool force,
                           const BackupProgress& progress, int lockTimeoutMs)
{
    if (!proceed(progress, 0))
        return {BackupStatus::Cancelled, {}};
    if (const QString refused = sourceRefusal(file); !refused.isEmpty())
        return fail(BackupStatus::NotABackup, refused);
    const QString target = settings.databaseFile;
    if (!targetRefusal(file, sqliteFiles(target)).isEmpty())
        return fail(BackupStatus::NotABackup,
                    QStringLiteral("%1 is the database in use itself").arg(file));
    QString error;
    const auto temp = besides(target, &error);
    if (!temp)
        return fail(BackupStatus::RestoreFailed, error);
    // The copy that is checked is the one that takes the database's place.
    // It is read through SQLite, so that a file still in use by another
    // program gives what that program committed, its log included.
    QFile::remove(temp->fileName());
    {
        QFile header(file);
        if (!header.open(QIODevice::ReadOnly) ||
            header.read(16) != QByteArray("SQLite format 3\0", 16))
            return fail(BackupStatus::NotABackup,
                        QStringLiteral("%1 is not an SQLite database").arg(file));
        const SqliteFile source(file, 5000, true);
        if (!source.isOpen())
            return fail(BackupStatus::NotABackup, source.error());
        const auto check = source.exec(QStringLiteral("pragma integrity_check"), &error);
        if (!check || check->size() != 1 || check->first() != QLatin1String("ok"))
            return fail(
                BackupStatus::NotABackup,
                QStringLiteral("%1 is damaged: %2").arg(file, check ? check->join(u"; ") : error));
        if (!source.exec(QStringLiteral("vacuum into ?"), &error, temp->fileName()))
            return source.failedForSpace()
                       ? diskFull(target, error)
                       : fail(BackupStatus::NotABackup, QStringLiteral("%1: %2").arg(file, error));
    }
    QFile(temp->fileName()).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (!proceed(progress, 30))
        return {BackupStatus::Cancelled, {}};
    if (!checkSqliteCopy(temp->fileName(), &error, true))
        return fail(BackupStatus::NotABackup, error.replace(temp->fileName(), file));
    if (!proceed(progress, 60))
        return {BackupStatus::Cancelled, {}};

    if (!QFileInfo::exists(target)) {
        if (!renameOver(temp->fileName(), target, &error))
            return fail(BackupStatus::RestoreFailed, error);
        temp->setAutoRemove(false);
        proceed(progress, 100);
        return {};
    }

    // The current file may be open in write-ahead-log mode. Its log is
    // written back and given up, and an exclusive lock keeps every other
    // program out while the new file takes its name: a log left beside the
    // new file would be replayed into it.
    const SqliteFile current(target, lockTimeoutMs);
    if (!current.isOpen())
        return fail(BackupStatus::RestoreFailed, current.error());
    const auto tablesThere = current.exec(
        QStringLiteral("select lower(name) from sqlite_master where type = 'table'"), &error);
    if (!tablesThere)
        return inUse(target, error);
    if (!force && tablesThere->contains(QStringLiteral("jkpg_jbxx")))
        return fail(BackupStatus::TargetNotEmpty, QStringLiteral("%1 holds data").arg(target));
    const auto mode = current.exec(QStringLiteral("pragma journal_mode = delete"), &error);
    if (!mode || mode->value(0) != QLatin1String("delete"))
        return inUse(target,
                     mode ? QStringLiteral("journal mode stays %1").arg(mode->value(0)) : error);
    if (!current.exec(QStringLiteral("begin exclusive"), &error))
        return inUse(target, error);
    if (QFileInfo::exists(target + QStringLiteral("-wal")) ||
        QFileInfo::exists(target + QStringLiteral("-journal"))) {
        current.exec(QStringLiteral("rollback"), &error);
        return inUse(target, QStringLiteral("a log file is still there"));
    }
    if (!proceed(progress, 90)) {
        current.exec(QStringLiteral("rollback"), &error);
        return {BackupStatus::Cancelled, {}};
    }
    // The restored file keeps the access the current one had.
    QFile(temp->fileName()).setPermissions(QFileInfo(target).permissions());
    const bool renamed = renameOver(temp->fileName(), target, &error);
    QString ignored;
    current.exec(QStringLiteral("rollback"), &ignored);
    if (!renamed)
        return fail(BackupStatus::RestoreFailed, error);
    temp->setAutoRemove(false);
    proceed(progress, 100);
    return {};
}

// The server's tools, told where to connect through the environment: the
// password never shows in the process list.
struct PgTool
{
    QString program;
    QProcessEnvironment environment;
};

std::optional<PgTool> pgTool(const QString& name, const ConnectionSettings& s)
{
    QString program = QStandardPaths::findExecutable(name);
    if (program.isEmpty()) {
        // Debian keeps the versioned tools here as well.
        const QStringList versions =
            QDir(QStringLiteral("/usr/lib/postgresql"))
                .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed);
        for (const QString& v : versions) {
            program = QStandardPaths::findExecutable(
                name, {QStringLiteral("/usr/lib/postgresql/%1/bin").arg(v)});
            if (!program.isEmpty())
                break;
        }
    }
    if (program.isEmpty())
        return std::nullopt;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PGHOST"), s.serverName);
    if (s.port > 0)
        env.insert(QStringLiteral("PGPORT"), QString::number(s.port));
    else
        env.remove(QStringLiteral("PGPORT"));
    env.insert(QStringLiteral("PGUSER"), s.userId);
    env.insert(QStringLiteral("PGDATABASE"), s.databaseName);
    if (s.password.isEmpty())
        env.remove(QStringLiteral("PGPASSWORD"));
    else
        env.insert(QStringLiteral("PGPASSWORD"), s.password);
    env.insert(QStringLiteral("PGCONNECT_TIMEOUT"), QStringLiteral("15"));
    // Their words go to the log as they are, and a full disk is told by them.
    env.remove(QStringLiteral("LC_ALL"));
    env.insert(QStringLiteral("LC_MESSAGES"), QStringLiteral("C"));
    // A program still working on a table makes the restore wait this long
    // and then fail, rather than hang.
    env.insert(QStringLiteral("PGOPTIONS"), QStringLiteral("-c lock_timeout=30000"));
    return PgTool{program, env};
}

// Runs a tool to its end; false with its error output when it fails.
bool runTool(const PgTool& tool, const QStringList& args, QString* output, QString* error)
{
    QProcess p;
    p.setProcessEnvironment(tool.environment);
    p.start(tool.program, args);
    if (!p.waitForStarted() || !p.waitForFinished(-1)) {
        *error = p.errorString();
        return false;
    }
    if (output)
        *output = QString::fromLocal8Bit(p.readAllStandardOutput());
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *error = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
        if (error->isEmpty())
            *error = QStringLiteral("%1 ended with status %2").arg(tool.program).arg(p.exitCode());
        return false;
    }
    return true;
}

// The database as a connection-string item: a bare name holding "=" would be
// read as a whole connection string. Host, user and password still come from
// the environment.
QString conninfoDatabase(QString name)
{
    name.replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("\\'"));
    return QStringLiteral("dbname='%1'").arg(name);
}

BackupResult toolMissing(const QString& name)
{
    return fail(
        BackupStatus::ToolMissing,
        QStringLiteral("%1 not found; install the Debian package postgresql-client").arg(name));
}

// Whether a pg_dump archive holds every table of this program.
bool checkPgArchive(const PgTool& restore, const QString& path, QString* detail, bool wholeSchema)
{
    QString list;
    if (!runTool(restore, {QStringLiteral("--list"), path}, &list, detail))
        return false;
    QStringList missing;
    for (const QString& t : programTables()) {
        const QRegularExpression entry(QStringLiteral("\\bTABLE \\S+ %1\\b").arg(t));
        if (!entry.match(list).hasMatch())
            missing << t;
    }
    if (!missing.isEmpty()) {
        *detail =
            QStringLiteral("not a backup of this program; tables missing: ") + missing.join(u", ");
        return false;
    }
    if (!wholeSchema)
        return true;
    // Entries are "id; table-oid oid KIND schema name owner". Only what our
    // own dump holds is let through: nothing that runs (a trigger, a
    // function, a rule) and no view but ours.
    static const QRegularExpression entry(QStringLiteral("^\\d+;\\s+\\d+\\s+\\d+\\s+(.*)$"));
    static const QStringList allowed{
        QStringLiteral("TABLE DATA "),    QStringLiteral("TABLE "),
        QStringLiteral("FK CONSTRAINT "), QStringLiteral("CONSTRAINT "),
        QStringLiteral("INDEX "),         QStringLiteral("SEQUENCE OWNED BY "),
        QStringLiteral("SEQUENCE SET "),  QStringLiteral("SEQUENCE "),
        QStringLiteral("DEFAULT "),       QStringLiteral("COMMENT "),
        QStringLiteral("SCHEMA "),        QStringLiteral("VIEW "),
    };
    QStringList ourViews;
    for (const ViewDef& v : views())
        ourViews << v.name.toLower();
    for (const QString& line : list.split(u'\n')) {
        const QRegularExpressionMatch m = entry.match(line.trimmed());
        if (!m.hasMatch())
            continue;
        const QString what = m.captured(1);
        const auto kind = std::find_if(allowed.begin(), allowed.end(),
                                       [&](const QString& k) { return what.startsWith(k); });
        if (kind == allowed.end()) {
            *detail = QStringLiteral("not a backup this program made: it holds %1").arg(what);
            return false;
        }
        // Everything lives in the schema public, which the restore replaces.
        const QString schema = what.mid(kind->size()).section(u' ', 0, 0);
        const QString name = what.mid(kind->size()).section(u' ', 1, 1);
        const bool elsewhere = *kind == QLatin1String("SCHEMA ")
                                   ? name != QLatin1String("public")
                                   : schema != QLatin1String("public") && schema != u'-';
        if (elsewhere || (*kind == QLatin1String("VIEW ") && !ourViews.contains(name.toLower()))) {
            *detail = QStringLiteral("not a backup this program made: it holds %1").arg(what);
            return false;
        }
    }
    return true;
}

// The schema version an archive records, read from its data without
// restoring anything; 1 when it records none.
std::optional<int> archiveVersion(const PgTool& restore, const QString& path, QString* detail)
{
    QString data;
    if (!runTool(restore,
                 {QStringLiteral("--data-only"), QStringLiteral("--table=sys_sjkbb"),
                  QStringLiteral("--file=-"), path},
                 &data, detail))
        return std::nullopt;
    int version = 1;
    bool inRows = false;
    for (const QString& line : data.split(u'\n')) {
        if (!inRows) {
            inRows = line.startsWith(QLatin1String("COPY public.sys_sjkbb (banb) FROM stdin"));
            continue;
        }
        if (line == QLatin1String("\\."))
            break;
        bool ok = false;
        const int v = line.toInt(&ok);
        if (!ok) {
            *detail = QStringLiteral("not a backup this program made: its schema version %1 is "
                                     "no number")
                          .arg(line.left(40));
            return std::nullopt;
        }
        version = std::max(version, v);
    }
    return version;
}

// Copies `source` to `target`, a file readable by its owner alone.
bool copyPrivately(const QString& source, const QString& target, QString* error)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(source, in.errorString());
        return false;
    }
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
        !out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        *error = QStringLiteral("%1: %2").arg(target, out.errorString());
        return false;
    }
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(block.data(), block.size());
        if (n < 0) {
            *error = QStringLiteral("%1: %2").arg(source, in.errorString());
            return false;
        }
        if (n == 0)
            break;
        if (out.write(block.constData(), n) != n) {
            *error = QStringLiteral("%1: %2").arg(target, out.errorString());
            return false;
        }
    }
    if (!out.flush()) {
        *error = QStringLiteral("%1: %2").arg(target, out.errorString());
        return false;
    }
    return true;
}

BackupResult pgBackup(const ConnectionSettings& settings, const QString& file,
                      const BackupProgress& progress)
{
    const auto dump = pgTool(QStringLiteral("pg_dump"), settings);
    if (!dump)
        return toolMissing(QStringLiteral("pg_dump"));
    const auto restore = pgTool(QStringLiteral("pg_restore"), settings);
    if (!restore)
        return toolMissing(QStringLiteral("pg_restore"));
    if (!proceed(progress, 0))
        return {BackupStatus::Cancelled, {}};
    if (const QString refused = targetRefusal(file, {}); !refused.isEmpty())
        return fail(BackupStatus::TargetRefused, refused);
    QString error;
    const auto temp = besides(file, &error);
    if (!temp)
        return fail(BackupStatus::WriteFailed, error);
    // pg_dump reads one snapshot of the whole database, whatever other
    // sessions commit meanwhile. Owners and grants stay out: the backup is
    // restored by whichever user the other machine has.
    if (!runTool(*dump,
                 {QStringLiteral("--format=custom"), QStringLiteral("--no-owner"),
                  QStringLiteral("--no-privileges"), QStringLiteral("--file=") + temp->fileName()},
                 nullptr, &error))
        return error.contains(QLatin1String("No space left on device"))
                   ? diskFull(file, error)
                   : fail(BackupStatus::SourceFailed, error);
    if (!proceed(progress, 70))
        return {BackupStatus::Cancelled, {}};
    return keepChecked(
        *temp, file, {},
        [&](const QString& path, QString* detail) {
            return checkPgArchive(*restore, path, detail, false);
        },
        progress);
}

BackupResult pgRestore(const ConnectionSettings& settings, const QString& file, bool force,
                       const BackupProgress& progress, int lockTimeoutMs)
{
    const auto restore = pgTool(QStringLiteral("pg_restore"), settings);
    if (!restore)
        return toolMissing(QStringLiteral("pg_restore"));
    if (!proceed(progress, 0))
        return {BackupStatus::Cancelled, {}};
    if (const QString refused = sourceRefusal(file); !refused.isEmpty())
        return fail(BackupStatus::NotABackup, refused);
    // pg_restore reads the archive four times: to check it, for its version,
    // for its definitions and to restore it. All four read one private copy,
    // so an archive changed or swapped in between is never restored unchecked.
    QTemporaryDir copyFolder;
    QString error;
    if (!copyFolder.isValid())
        return fail(BackupStatus::RestoreFailed, copyFolder.errorString());
    const QString archive = copyFolder.filePath(QStringLiteral("archive"));
    if (!copyPrivately(file, archive, &error))
        return error.contains(QLatin1String("No space left on device"))
                   ? diskFull(archive, error)
                   : fail(BackupStatus::NotABackup, error);
    const auto named = [&](QString text) { return text.replace(archive, file); };
    if (!checkPgArchive(*restore, archive, &error, true))
        return fail(BackupStatus::NotABackup, named(error));
    const std::optional<int> version = archiveVersion(*restore, archive, &error);
    if (!version)
        return fail(BackupStatus::NotABackup, named(error));
    QString definitions;
    if (!runTool(*restore,
                 {QStringLiteral("--schema-only"), QStringLiteral("--no-owner"),
                  QStringLiteral("--no-privileges"), QStringLiteral("--file=-"), archive},
                 &definitions, &error))
        return fail(BackupStatus::NotABackup, named(error));
    if (!proceed(progress, 20))
        return {BackupStatus::Cancelled, {}};
    {
        const auto current = Connection::open(
            settings, &error, QStringLiteral("hra-restore-") + QUuid::createUuid().toString());
        if (!current)
            return fail(BackupStatus::RestoreFailed, error);
        try {
            // The archive's tables are made beside ours, where only this
            // session sees them, and compared there before anything is replaced.
            const QString difference =
                postgresSchemaDifference(current->db(), definitions, *version);
            if (!difference.isEmpty())
                return fail(BackupStatus::NotABackup,
                            QStringLiteral("not a backup this program made: ") + difference);
            if (!force && !current->isEmpty())
                return fail(BackupStatus::TargetNotEmpty,
                            QStringLiteral("database %1 holds data").arg(settings.databaseName));
        } catch (const DatabaseError& e) {
            return fail(BackupStatus::RestoreFailed, e.message());
        }
    }
    // One transaction: a restore that fails half way leaves nothing of itself.
    // The archive sets lock_timeout to 0 for its session, so the wait for
    // another workstation's locks is watched from a connection of our own.
    PgTool tool = *restore;
    const QString appName =
        QStringLiteral("hra-restore-") + QUuid::createUuid().toString(QUuid::Id128);
    tool.environment.insert(QStringLiteral("PGAPPNAME"), appName);
    QProcess p;
    p.setProcessEnvironment(tool.environment);
    p.start(tool.program,
            {QStringLiteral("--clean"), QStringLiteral("--if-exists"),
             QStringLiteral("--single-transaction"), QStringLiteral("--exit-on-error"),
             QStringLiteral("--no-owner"), QStringLiteral("--no-privileges"),
             QStringLiteral("--dbname=") + conninfoDatabase(settings.databaseName), archive});
    if (!p.waitForStarted())
        return fail(BackupStatus::RestoreFailed, p.errorString());
    const auto watcher = Connection::open(
        settings, &error, QStringLiteral("hra-restore-watch-") + QUuid::createUuid().toString());
    std::optional<QDeadlineTimer> waitingSince;
    bool gaveUp = false;
    while (!p.waitForFinished(250)) {
        if (!watcher)
            continue;
        bool waiting = false;
        try {
            waiting =
                scalar(watcher->db(),
                       QStringLiteral("select count(*) from pg_stat_activity "
                                      "where application_name = :app and wait_event_type = 'Lock'"),
                       {{QStringLiteral("app"), appName}})
                    .toInt() > 0;
        } catch (const DatabaseError& e) {
            qCWarning(lcStore).noquote() << "restore: cannot watch the lock wait:" << e.message();
        }
        if (!waiting) {
            waitingSince.reset();
            continue;
        }
        if (!waitingSince)
            waitingSince = QDeadlineTimer(lockTimeoutMs);
        if (waitingSince->hasExpired() && !gaveUp) {
            gaveUp = true;
            try {
                scalar(watcher->db(),
                       QStringLiteral("select count(pg_cancel_backend(pid)) from pg_stat_activity "
                                      "where application_name = :app"),
                       {{QStringLiteral("app"), appName}});
            } catch (const DatabaseError& e) {
                qCWarning(lcStore).noquote() << "restore: cannot stop the wait:" << e.message();
                p.kill();
            }
        }
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        const QString output = named(QString::fromLocal8Bit(p.readAllStandardError()).trimmed());
        if (gaveUp)
            return inUse(settings.databaseName, output);
        return fail(
            BackupStatus::RestoreFailed,
            output.isEmpty()
                ? QStringLiteral("%1 ended with status %2").arg(tool.program).arg(p.exitCode())
                : output);
    }
    // A backup of an older version is brought up to date.
    try {
        if (watcher && schemaVersion(watcher->db()) < kSchemaVersion) {
            addMissingColumns(watcher->db(), watcher->dialect());
            recordSchemaVersion(watcher->db(), watcher->dialect());
        }
    } catch (const DatabaseError& e) {
        return fail(BackupStatus::RestoreFailed,
                    QStringLiteral("restored, but the schema version could not be recorded: ") +
                        e.message());
    }
    proceed(progress, 100);
    return {};
}

BackupResult notSupported()
{
    return {BackupStatus::NotSupported,
            QStringLiteral(
                "SQL Server databases are backed up and restored with the server's own tools")};
}

} // namespace

BackupResult backupDatabase(const ConnectionSettings& settings, const QString& file,
                            const BackupProgress& progress)
{
    switch (settings.driver) {
    case Driver::Sqlite:
        return sqliteBackup(settings, QFileInfo(file).absoluteFilePath(), progress);
    case Driver::Postgres:
        return pgBackup(settings, QFileInfo(file).absoluteFilePath(), progress);
    case Driver::Mssql:
        break;
    }
    return notSupported();
}

bool databaseHoldsData(const ConnectionSettings& settings)
{
    if (settings.driver == Driver::Sqlite) {
        if (!QFileInfo::exists(settings.databaseFile))
            return false;
        const SqliteFile db(settings.databaseFile);
        QString error;
        const auto present = db.exec(
            QStringLiteral("select lower(name) from sqlite_master where type = 'table'"), &error);
        return present && present->contains(QStringLiteral("jkpg_jbxx"));
    }
    QString error;
    const auto conn = Connection::open(
        settings, &error, QStringLiteral("hra-restore-") + QUuid::createUuid().toString());
    try {
        return conn && !conn->isEmpty();
    } catch (const DatabaseError&) {
        return false;
    }
}

BackupResult restoreDatabase(const ConnectionSettings& settings, const QString& file, bool force,
                             const BackupProgress& progress, int lockTimeoutMs)
{
    switch (settings.driver) {
    case Driver::Sqlite:
        return sqliteRestore(settings, QFileInfo(file).absoluteFilePath(), force, progress,
                             lockTimeoutMs);
    case Driver::Postgres:
        return pgRestore(settings, QFileInfo(file).absoluteFilePath(), force, progress,
                         lockTimeoutMs);
    case Driver::Mssql:
        break;
    }
    return notSupported();
}

QString defaultBackupName(const ConnectionSettings& settings, const QDate& date)
{
    const QString base = settings.driver == Driver::Sqlite
                             ? QFileInfo(settings.databaseFile).completeBaseName()
                             : settings.databaseName;
    const QString suffix =
        settings.driver == Driver::Postgres ? QStringLiteral(".dump") : QStringLiteral(".sqlite3");
    return QStringLiteral("%1-%2%3").arg(base.isEmpty() ? QStringLiteral("hra") : base,
                                         date.toString(QStringLiteral("yyyyMMdd")), suffix);
}

} // namespace hra::store

#pragma once

#include "store/Settings.h"

#include <QDate>
#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <vector>

namespace hra::domain {

// The operation log (sys_czrz): who did what to personal data, and when by
// the server's clock. An entry of a change is written in the transaction of
// that change, so a change that fails leaves no entry; views and prints are
// written when they happen. Nothing edits an entry; only pruneAudit removes
// entries past the retention period.

enum class AuditAction
{
    LogIn,
    FailedLogIn,
    Create,
    Modify,
    Delete,
    Renumber,
    View,
    Search,
    Analyse,
    Print,
    ExportPdf,
    Import,
    Backup,
    Restore,
    OperatorChange,
    SettingsChange,
    Prune,
};

// Every action, in the order the log window offers them.
std::span<const AuditAction> auditActions();
// The stored code ("login", "export_pdf", ...), which hra-cli's --action takes.
QString auditCode(AuditAction action);
// The caption an operator reads ("登录", "导出PDF", ...).
QString auditCaption(AuditAction action);
std::optional<AuditAction> auditActionFromCode(const QString& code);

// Who acts: an operator of the program, or the system user running hra-cli.
struct AuditActor
{
    QString operatorCode;
    QString program; // "hra", "hra-backup", "hra-cli"
    QString workstation;
};

// The actor every later entry of this process names; set at log-in, or when
// hra-cli starts.
void setAuditActor(const AuditActor& actor);
AuditActor auditActor();
// The system user running this process, the given program and this machine.
AuditActor systemActor(const QString& program);

struct AuditEntry
{
    AuditAction action = AuditAction::View;
    QString record;                   // the person's record number, if one
    std::optional<qint32> assessment; // the assessment number, if one
    QString detail; // which section, how many rows, a file name without its folder
};

// Adds the entry for the current actor, inside the transaction open on the
// connection if there is one. Throws store::DatabaseError.
void writeAudit(const QSqlDatabase& db, const AuditEntry& entry);

// The same, for a view or a print that changed nothing: a failure is logged
// and does not stop what the operator is doing.
void noteAudit(const QSqlDatabase& db, const AuditEntry& entry);

// The same on a connection of its own to the configured database: for backup
// and restore, which copy or replace the database as a whole.
void noteAudit(const store::ConnectionSettings& settings, const AuditEntry& entry);

struct AuditFilter
{
    std::optional<QDate> from; // entries of this day and later
    std::optional<QDate> to;   // entries of this day and earlier
    QString operatorCode;
    QString record;
    std::optional<AuditAction> action;
};

struct AuditRow
{
    qint64 id = 0;
    QDateTime time;
    QString operatorCode;
    QString program;
    QString workstation;
    QString action; // the stored code
    QString record;
    std::optional<qint32> assessment;
    QString detail;
};

// One page of matching entries, newest first: those written before the entry
// `before` (the last of the previous page), at most `limit`. Each page is
// read through an index, however long the log. Throws store::DatabaseError.
std::vector<AuditRow> auditPage(const QSqlDatabase& db, const AuditFilter& filter,
                                std::optional<qint64> before, int limit);

// Writes every matching entry, newest first, as CSV (UTF-8 with a byte-order
// mark, which spreadsheet programs on Chinese systems need; RFC 4180 quoting)
// with a header row of Chinese captions, page by page. Returns how many
// entries were written. Throws store::DatabaseError; false from `write`
// (a full disk) stops it and is returned as -1.
qint64 writeAuditCsv(const QSqlDatabase& db, const AuditFilter& filter,
                     const std::function<bool(const QByteArray&)>& write);

// Entries are kept at least this long.
inline constexpr int kAuditRetentionDays = 180;

// A prune that would remove entries younger than the retention period.
class AuditRetentionError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Removes the entries of days before `before` and records that it did, in
// one transaction; how many were removed. `before` must lie more than
// kAuditRetentionDays before the server's today, else AuditRetentionError.
int pruneAudit(const QSqlDatabase& db, QDate before);

} // namespace hra::domain

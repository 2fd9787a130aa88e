#include "domain/Audit.h"

#include "store/Connection.h"
#include "store/Dialect.h"
#include "store/Log.h"
#include "store/Sql.h"

#include <QMutex>
#include <QSysInfo>
#include <array>
#include <pwd.h>
#include <unistd.h>

namespace hra::domain {
namespace {

struct ActionName
{
    AuditAction action;
    const char* code;
    const char16_t* caption;
};

constexpr std::array<ActionName, 17> kActions = {{
    {AuditAction::LogIn, "login", u"登录"},
    {AuditAction::FailedLogIn, "login_failed", u"登录失败"},
    {AuditAction::Create, "create", u"新建"},
    {AuditAction::Modify, "modify", u"修改"},
    {AuditAction::Delete, "delete", u"删除"},
    {AuditAction::Renumber, "renumber", u"换卡"},
    {AuditAction::View, "view", u"查看"},
    {AuditAction::Search, "search", u"查询"},
    {AuditAction::Analyse, "analyse", u"数据分析"},
    {AuditAction::Print, "print", u"打印"},
    {AuditAction::ExportPdf, "export_pdf", u"导出PDF"},
    {AuditAction::Import, "import", u"导入"},
    {AuditAction::Backup, "backup", u"备份"},
    {AuditAction::Restore, "restore", u"恢复"},
    {AuditAction::OperatorChange, "operator", u"用户管理"},
    {AuditAction::SettingsChange, "settings", u"设置修改"},
    {AuditAction::Prune, "prune", u"清理日志"},
}};

const ActionName& nameOf(AuditAction action)
{
    for (const ActionName& n : kActions)
        if (n.action == action)
            return n;
    throw std::logic_error("an audit action without a name");
}

QMutex actorMutex;
AuditActor currentActor;

// Text cut to a column's width, so that a long file name never fails the
// change it records.
QVariant fitted(const QString& text, int width)
{
    if (text.isEmpty())
        return store::nullText();
    return text.size() <= width ? text : text.left(width - 1) + u'…';
}

QDateTime serverNow(const QSqlDatabase& db)
{
    const QDateTime t = store::scalar(db, store::Dialect::of(db).serverNowQuery()).toDateTime();
    if (!t.isValid())
        throw store::DatabaseError(QStringLiteral("the server returned no usable time"));
    return t;
}

} // namespace

std::span<const AuditAction> auditActions()
{
    static const std::array<AuditAction, kActions.size()> all = [] {
        std::array<AuditAction, kActions.size()> out{};
        for (std::size_t i = 0; i < kActions.size(); ++i)
            out[i] = kActions[i].action;
        return out;
    }();
    return all;
}

QString auditCode(AuditAction action)
{
    return QLatin1String(nameOf(action).code);
}

QString auditCaption(AuditAction action)
{
    return QString::fromUtf16(nameOf(action).caption);
}

std::optional<AuditAction> auditActionFromCode(const QString& code)
{
    for (const ActionName& n : kActions)
        if (code == QLatin1String(n.code))
            return n.action;
    return std::nullopt;
}

void setAuditActor(const AuditActor& actor)
{
    const QMutexLocker lock(&actorMutex);
    currentActor = actor;
}

AuditActor auditActor()
{
    const QMutexLocker lock(&actorMutex);
    return currentActor;
}

AuditActor systemActor(const QString& program)
{
    QString user;
    if (const passwd* pw = getpwuid(geteuid()))
        user = QString::fromLocal8Bit(pw->pw_name);
    if (user.isEmpty())
        user = QString::number(geteuid());
    return {user, program, QSysInfo::machineHostName()};
}

void writeAudit(const QSqlDatabase& db, const AuditEntry& entry)
{
    const AuditActor actor = auditActor();
    store::run(db,
               QStringLiteral("insert into sys_czrz "
                              "(shij, yonghdm, chengx, gongzz, dongz, bianh, jkpg_id, xiangq) "
                              "values (:shij, :yhdm, :cx, :gzz, :dz, :bh, :pg, :xq)"),
               {{QStringLiteral("shij"), serverNow(db)},
                {QStringLiteral("yhdm"), fitted(actor.operatorCode, 64)},
                {QStringLiteral("cx"), fitted(actor.program, 20)},
                {QStringLiteral("gzz"), fitted(actor.workstation, 64)},
                {QStringLiteral("dz"), auditCode(entry.action)},
                {QStringLiteral("bh"), fitted(entry.record.trimmed(), 10)},
                {QStringLiteral("pg"), entry.assessment ? QVariant(*entry.assessment)
                                                        : QVariant(QMetaType::fromType<int>())},
                {QStringLiteral("xq"), fitted(entry.detail, 255)}});
}

void noteAudit(const QSqlDatabase& db, const AuditEntry& entry)
{
    try {
        writeAudit(db, entry);
    } catch (const store::DatabaseError& e) {
        qCWarning(store::lcStore).noquote() << "the operation log entry" << auditCode(entry.action)
                                            << entry.record << "was not written:" << e.message();
    }
}

void noteAudit(const store::ConnectionSettings& settings, const AuditEntry& entry)
{
    QString error;
    const auto connection = store::Connection::open(settings, &error, QStringLiteral("hra-audit"),
                                                    store::Connection::Missing::Refuse);
    if (!connection) {
        qCWarning(store::lcStore).noquote()
            << "the operation log entry" << auditCode(entry.action) << "was not written:" << error;
        return;
    }
    noteAudit(connection->db(), entry);
}

std::vector<AuditRow> auditPage(const QSqlDatabase& db, const AuditFilter& filter,
                                std::optional<qint64> before, int limit)
{
    QStringList where;
    store::Bindings bindings;
    if (before) {
        where << QStringLiteral("rizid < :before");
        bindings.push_back({QStringLiteral("before"), *before});
    }
    if (filter.from) {
        where << QStringLiteral("shij >= :from");
        bindings.push_back({QStringLiteral("from"), QDateTime(*filter.from, QTime(0, 0))});
    }
    if (filter.to) {
        where << QStringLiteral("shij < :end");
        bindings.push_back({QStringLiteral("end"), QDateTime(filter.to->addDays(1), QTime(0, 0))});
    }
    if (!filter.operatorCode.isEmpty()) {
        where << QStringLiteral("yonghdm = :yhdm");
        bindings.push_back({QStringLiteral("yhdm"), filter.operatorCode});
    }
    if (!filter.record.isEmpty()) {
        where << QStringLiteral("bianh = :bh");
        bindings.push_back({QStringLiteral("bh"), filter.record.trimmed()});
    }
    if (filter.action) {
        where << QStringLiteral("dongz = :dz");
        bindings.push_back({QStringLiteral("dz"), auditCode(*filter.action)});
    }
    QString sql = QStringLiteral("select rizid, shij, yonghdm, chengx, gongzz, dongz, bianh, "
                                 "jkpg_id, xiangq from sys_czrz");
    if (!where.isEmpty())
        sql += QStringLiteral(" where ") + where.join(QStringLiteral(" and "));
    sql += QStringLiteral(" order by rizid desc");
    const store::Rows rows =
        store::select(db, store::Dialect::of(db).firstRows(sql, qMax(1, limit)), bindings);
    std::vector<AuditRow> out;
    out.reserve(rows.rows.size());
    for (const QVariantList& r : rows.rows) {
        AuditRow row;
        row.id = r.value(0).toLongLong();
        row.time = r.value(1).toDateTime();
        row.operatorCode = r.value(2).toString();
        row.program = r.value(3).toString();
        row.workstation = r.value(4).toString();
        row.action = r.value(5).toString();
        row.record = r.value(6).toString();
        if (!store::isNull(r.value(7)))
            row.assessment = r.value(7).toInt();
        row.detail = r.value(8).toString();
        out.push_back(std::move(row));
    }
    return out;
}

namespace {

QByteArray csvField(const QString& text)
{
    QString t = text;
    if (t.contains(u'"') || t.contains(u',') || t.contains(u'\n') || t.contains(u'\r')) {
        t.replace(u'"', QStringLiteral("\"\""));
        t = u'"' + t + u'"';
    }
    return t.toUtf8();
}

QByteArray csvLine(const QStringList& fields)
{
    QByteArray line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += ',';
        line += csvField(fields[i]);
    }
    return line + "\r\n";
}

} // namespace

qint64 writeAuditCsv(const QSqlDatabase& db, const AuditFilter& filter,
                     const std::function<bool(const QByteArray&)>& write)
{
    QByteArray head = "\xEF\xBB\xBF";
    head += csvLine({QStringLiteral("时间"), QStringLiteral("操作员"), QStringLiteral("程序"),
                     QStringLiteral("工作站"), QStringLiteral("操作"), QStringLiteral("编号"),
                     QStringLiteral("评估号"), QStringLiteral("详情")});
    if (!write(head))
        return -1;
    constexpr int kPage = 1000;
    qint64 written = 0;
    std::optional<qint64> before;
    for (;;) {
        const std::vector<AuditRow> rows = auditPage(db, filter, before, kPage);
        QByteArray chunk;
        for (const AuditRow& r : rows) {
            const std::optional<AuditAction> action = auditActionFromCode(r.action);
            chunk += csvLine({r.time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
                              r.operatorCode, r.program, r.workstation,
                              action ? auditCaption(*action) : r.action, r.record,
                              r.assessment ? QString::number(*r.assessment) : QString(), r.detail});
        }
        if (!chunk.isEmpty() && !write(chunk))
            return -1;
        written += qint64(rows.size());
        if (int(rows.size()) < kPage)
            return written;
        before = rows.back().id;
    }
}

int pruneAudit(const QSqlDatabase& db, QDate before)
{
    store::Transaction transaction(db);
    const QDate today = serverNow(db).date();
    if (!before.isValid() || before.daysTo(today) <= kAuditRetentionDays)
        throw AuditRetentionError(
            QStringLiteral("entries are kept %1 days: the date must be before %2")
                .arg(kAuditRetentionDays)
                .arg(today.addDays(-kAuditRetentionDays).toString(Qt::ISODate))
                .toStdString());
    const int removed = store::run(db, QStringLiteral("delete from sys_czrz where shij < :before"),
                                   {{QStringLiteral("before"), QDateTime(before, QTime(0, 0))}})
                            .numRowsAffected();
    writeAudit(db, {AuditAction::Prune,
                    {},
                    std::nullopt,
                    QStringLiteral("删除 %1 之前的日志 %2 条")
                        .arg(before.toString(Qt::ISODate))
                        .arg(removed)});
    transaction.commit();
    return removed;
}

} // namespace hra::domain

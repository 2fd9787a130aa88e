#include "domain/Assessment.h"

#include "store/Log.h"
#include "store/RowSet.h"
#include "store/Sql.h"

namespace hra::domain {
namespace {

// How often a new assessment moves on to the next free number when other
// workstations keep taking it first.
constexpr int kNumberAttempts = 50;

AssessmentSummary summaryOf(const store::Rows& rows, qsizetype i)
{
    return {rows.value(i, QStringLiteral("jkpg_id")).toInt(),
            rows.value(i, QStringLiteral("bianh")).toString(),
            rows.value(i, QStringLiteral("lurrq")).toDateTime(),
            rows.value(i, QStringLiteral("zhuangt")).toString()};
}

size_t sectionIndex(AssessmentTable table)
{
    for (size_t i = 0; i < kSectionTables.size(); ++i)
        if (kSectionTables[i] == table)
            return i;
    throw std::logic_error("not a section table");
}

} // namespace

std::optional<PersonSummary> findPerson(const QSqlDatabase& db, const QString& recordNumber)
{
    const QString number = recordNumber.trimmed();
    if (number.isEmpty())
        return std::nullopt;
    const store::Rows rows = store::select(
        db, QStringLiteral("select bianh, xingm, xingb, nianl from jkpg_jbxx where bianh = :bh"),
        {{QStringLiteral("bh"), number}});
    if (rows.isEmpty())
        return std::nullopt;
    return PersonSummary{rows.value(0, QStringLiteral("bianh")).toString(),
                         rows.value(0, QStringLiteral("xingm")).toString(),
                         rows.value(0, QStringLiteral("xingb")).toString(),
                         rows.value(0, QStringLiteral("nianl"))};
}

QList<AssessmentSummary> assessmentsOf(const QSqlDatabase& db, const QString& recordNumber)
{
    const store::Rows rows =
        store::select(db,
                      QStringLiteral("select jkpg_id, bianh, lurrq, zhuangt from jkpg_id "
                                     "where bianh = :bh order by jkpg_id"),
                      {{QStringLiteral("bh"), recordNumber.trimmed()}});
    QList<AssessmentSummary> out;
    for (qsizetype i = 0; i < rows.size(); ++i)
        out << summaryOf(rows, i);
    return out;
}

std::optional<AssessmentSummary> latestAssessment(const QSqlDatabase& db,
                                                  const QString& recordNumber)
{
    const store::Rows rows = store::select(db,
                                           store::Dialect::of(db).firstRowOnly(QStringLiteral(
                                               "select jkpg_id, bianh, lurrq, zhuangt from jkpg_id "
                                               "where bianh = :bh order by jkpg_id desc")),
                                           {{QStringLiteral("bh"), recordNumber.trimmed()}});
    if (rows.isEmpty())
        return std::nullopt;
    return summaryOf(rows, 0);
}

bool hasAssessmentInProgress(const QList<AssessmentSummary>& assessments)
{
    for (const AssessmentSummary& a : assessments)
        if (a.state == kInProgress)
            return true;
    return false;
}

LookupDecision decideLookup(const QSqlDatabase& db, const QString& recordNumber, bool history)
{
    LookupDecision d;
    d.person = findPerson(db, recordNumber);
    if (!d.person)
        return d;
    if (history) {
        if (!assessmentsOf(db, recordNumber).isEmpty()) {
            d.action = LookupDecision::Action::OfferChooser;
            d.scanForInProgress = true;
            return d;
        }
        d.firstAssessmentNotice = true;
        d.action = LookupDecision::Action::StartNew;
        d.stateText = kInProgress;
        d.endEnabled = true;
        return d;
    }
    const std::optional<AssessmentSummary> latest = latestAssessment(db, recordNumber);
    d.stateText = latest ? latest->state : kInProgress;
    if (!latest) {
        d.action = LookupDecision::Action::StartNew;
        d.endEnabled = true;
    } else if (latest->state == kInProgress) {
        d.action = LookupDecision::Action::Continue;
        d.assessmentId = latest->id;
        d.endEnabled = true;
    } else if (latest->state == kEnded) {
        d.action = LookupDecision::Action::OfferChooser;
        d.endEnabled = false;
    } else {
        d.action = LookupDecision::Action::Nothing;
    }
    return d;
}

qint32 nextAssessmentId(const QSqlDatabase& db)
{
    const QVariant max =
        store::scalar(db, QStringLiteral("select max(jkpg_id) maxid from jkpg_id"));
    return store::isNull(max) ? 1 : max.toInt() + 1;
}

QString sectionIdColumn(AssessmentTable table)
{
    // The section tables name their identifier after themselves.
    return tableName(table).mid(5) + QStringLiteral("_id");
}

AssessmentRows::AssessmentRows()
    : m_register(tableName(AssessmentTable::Register), {QStringLiteral("jkpg_id")}),
      m_sections{store::RowBuffer(tableName(kSectionTables[0]), {"jkpg_id", "bianh"}),
                 store::RowBuffer(tableName(kSectionTables[1]), {"jkpg_id", "bianh"}),
                 store::RowBuffer(tableName(kSectionTables[2]), {"jkpg_id", "bianh"}),
                 store::RowBuffer(tableName(kSectionTables[3]), {"jkpg_id", "bianh"}),
                 store::RowBuffer(tableName(kSectionTables[4]), {"jkpg_id", "bianh"})}
{
    installSaveRules();
}

void AssessmentRows::installSaveRules()
{
    // Each row's rules read the record number, the mode and the server time
    // of the save under way; the time is read once, in the save's transaction.
    auto rules = [this](AssessmentTable table) {
        return [this, table](QVariantMap& row) {
            if (!m_saveTime)
                m_saveTime = store::Sql(m_saveDb, store::Dialect::of(m_saveDb)).serverNow();
            applySaveRules(table, row, m_recordNumber, m_mode, *m_saveTime);
        };
    };
    m_register.beforeStore = rules(AssessmentTable::Register);
    for (size_t i = 0; i < kSectionTables.size(); ++i)
        m_sections[i].beforeStore = rules(kSectionTables[i]);
}

bool AssessmentRows::isOpen() const
{
    for (const store::RowBuffer& row : m_sections)
        if (!row.isOpen())
            return false;
    return m_register.isOpen();
}

QString AssessmentRows::state() const
{
    return m_register.value(QStringLiteral("zhuangt")).toString();
}

store::RowBuffer& AssessmentRows::section(AssessmentTable table)
{
    return m_sections[sectionIndex(table)];
}

const store::RowBuffer& AssessmentRows::section(AssessmentTable table) const
{
    return m_sections[sectionIndex(table)];
}

void AssessmentRows::startSection(const QSqlDatabase& db, AssessmentTable table)
{
    QVariantMap defaults{{QStringLiteral("jkpg_id"), m_id},
                         {QStringLiteral("bianh"), m_recordNumber}};
    applyNewRowDefaults(table, defaults);
    section(table).startNew(db, defaults);
}

void AssessmentRows::startNew(const QSqlDatabase& db, const QString& recordNumber)
{
    close();
    m_recordNumber = recordNumber.trimmed();
    m_id = nextAssessmentId(db);
    for (AssessmentTable table : kSectionTables)
        startSection(db, table);
    m_register.startNew(db, {{QStringLiteral("jkpg_id"), m_id},
                             {QStringLiteral("id"), m_recordNumber},
                             {QStringLiteral("bianh"), m_recordNumber},
                             {QStringLiteral("zhuangt"), kInProgress}});
    m_mode = AssessmentMode::New;
}

bool AssessmentRows::open(const QSqlDatabase& db, const QString& recordNumber, qint32 id)
{
    close();
    const QString number = recordNumber.trimmed();
    if (!m_register.load(db, {{QStringLiteral("jkpg_id"), id}}) ||
        m_register.value(QStringLiteral("bianh")).toString() != number) {
        m_register.close();
        return false;
    }
    m_recordNumber = number;
    m_id = id;
    for (AssessmentTable table : kSectionTables) {
        store::RowBuffer& row = section(table);
        if (!row.load(db, {{QStringLiteral("jkpg_id"), id}, {QStringLiteral("bianh"), number}}))
            startSection(db, table);
    }
    m_mode = AssessmentMode::Stored;
    return true;
}

void AssessmentRows::close()
{
    m_register.close();
    for (store::RowBuffer& row : m_sections)
        row.close();
    m_mode = AssessmentMode::None;
    m_id = 0;
    m_recordNumber.clear();
}

void AssessmentRows::setId(qint32 id)
{
    m_id = id;
    m_register.setValue(QStringLiteral("jkpg_id"), id);
    for (store::RowBuffer& row : m_sections)
        row.setValue(QStringLiteral("jkpg_id"), id);
}

void AssessmentRows::save(const QSqlDatabase& db, OtherInProgress other)
{
    if (!isOpen())
        throw store::DatabaseError(QStringLiteral("no assessment is open"));
    m_register.edit();
    for (store::RowBuffer& row : m_sections)
        row.edit();
    store::RowSet set{&m_register};
    for (store::RowBuffer& row : m_sections)
        set.add(row);

    m_saveDb = db;
    // Inside a caller's transaction the rows stored before a failure are not
    // rolled back yet (and on PostgreSQL the transaction is spoilt), so only
    // a save in its own transaction moves on to the next number; the caller
    // tries its whole transaction again instead.
    const bool ownTransaction = !store::Transaction::isOpen(db);
    for (int attempt = 1;; ++attempt) {
        m_saveTime.reset();
        try {
            store::Transaction tx(db);
            if (m_mode == AssessmentMode::New && other == OtherInProgress::Refuse)
                checkNoOtherInProgress(db);
            set.store(db);
            writeAudit(db,
                       {m_auditAction.value_or(m_mode == AssessmentMode::New ? AuditAction::Create
                                                                             : AuditAction::Modify),
                        m_recordNumber, m_id, m_auditDetail});
            tx.commit();
            break;
        } catch (const store::ConnectionLostError&) {
            m_saveTime.reset();
            throw;
        } catch (const store::StaleRowError&) {
            m_saveTime.reset();
            throw;
        } catch (const store::DatabaseError&) {
            // Two workstations may prepare the same number; the one that
            // stores second moves on to the next free number.
            const bool taken =
                ownTransaction && m_mode == AssessmentMode::New && attempt < kNumberAttempts &&
                store::scalar(db,
                              QStringLiteral("select count(*) from jkpg_id where jkpg_id = :id"),
                              {{QStringLiteral("id"), m_id}})
                        .toInt() > 0;
            if (!taken) {
                m_saveTime.reset();
                throw;
            }
            const qint32 next = nextAssessmentId(db);
            qCInfo(store::lcStore)
                << "assessment number" << m_id << "was taken meanwhile; saving as" << next;
            setId(next);
        } catch (...) {
            m_saveTime.reset();
            throw;
        }
    }
    m_saveTime.reset();
    m_mode = AssessmentMode::Stored;
}

void AssessmentRows::checkNoOtherInProgress(const QSqlDatabase& db) const
{
    // Writing the person's row (to itself) holds it until the transaction
    // ends, so a second workstation saving a new assessment of the same
    // person waits here and then sees the first one's.
    store::run(db, QStringLiteral("update jkpg_jbxx set bianh = bianh where bianh = :bh"),
               {{QStringLiteral("bh"), m_recordNumber}});
    const QVariant other = store::scalar(
        db,
        QStringLiteral("select max(jkpg_id) from jkpg_id where bianh = :bh and zhuangt = :state"),
        {{QStringLiteral("bh"), m_recordNumber}, {QStringLiteral("state"), kInProgress}});
    if (!store::isNull(other))
        throw AnotherAssessmentInProgress(other.toInt());
}

QList<std::pair<QString, QStringList>>
AssessmentRows::changedElsewhere(const QSqlDatabase& db) const
{
    QList<std::pair<QString, QStringList>> changed;
    auto look = [&](const store::RowBuffer& row) {
        if (row.state() != store::RowBuffer::State::Browsing &&
            row.state() != store::RowBuffer::State::Editing)
            return;
        const QStringList columns = row.changedElsewhere(db);
        if (!columns.isEmpty())
            changed.append({row.table(), columns});
    };
    look(m_register);
    for (const store::RowBuffer& row : m_sections)
        look(row);
    return changed;
}

void AssessmentRows::reloadKeepingEdits(const QSqlDatabase& db)
{
    m_register.reloadKeepingEdits(db);
    for (store::RowBuffer& row : m_sections)
        row.reloadKeepingEdits(db);
}

void AssessmentRows::overwriteStored(const QSqlDatabase& db)
{
    m_register.overwriteStored(db);
    for (store::RowBuffer& row : m_sections)
        row.overwriteStored(db);
}

bool AssessmentRows::continueWith(const QSqlDatabase& db, qint32 id)
{
    std::array<QVariantMap, 5> answered;
    for (size_t i = 0; i < kSectionTables.size(); ++i) {
        const AssessmentTable table = kSectionTables[i];
        QVariantMap defaults;
        applyNewRowDefaults(table, defaults);
        const QStringList identifiers{sectionIdColumn(table), QStringLiteral("jkpg_id"),
                                      QStringLiteral("bianh"), QStringLiteral("lurrq"),
                                      store::RowBuffer::kVersionColumn};
        const QVariantMap& values = m_sections[i].values();
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            if (!identifiers.contains(it.key()) && !store::isNull(it.value()) &&
                it.value() != defaults.value(it.key()))
                answered[i].insert(it.key(), it.value());
    }
    const QString number = m_recordNumber;
    if (!open(db, number, id))
        return false;
    for (size_t i = 0; i < kSectionTables.size(); ++i)
        for (auto it = answered[i].cbegin(); it != answered[i].cend(); ++it)
            m_sections[i].setValue(it.key(), it.value());
    return true;
}

bool AssessmentRows::end(const QSqlDatabase& db)
{
    // The end is a change of the assessment like a save: its version moves on.
    const QString bump = m_register.isVersioned() ? QStringLiteral(", banb = banb + 1") : QString();
    store::Transaction tx(db);
    const int changed =
        store::run(
            db,
            QStringLiteral(
                "update jkpg_id set zhuangt = :state%1 where bianh = :bh and jkpg_id = :jkpgid")
                .arg(bump),
            {{QStringLiteral("state"), kEnded},
             {QStringLiteral("bh"), m_recordNumber},
             {QStringLiteral("jkpgid"), m_id}})
            .numRowsAffected();
    if (changed > 0)
        writeAudit(db, {AuditAction::Modify, m_recordNumber, m_id, QStringLiteral("结束评估")});
    tx.commit();
    return changed > 0;
}

bool AssessmentRows::refill(AssessmentTable table)
{
    store::RowBuffer& row = section(table);
    if (row.state() != store::RowBuffer::State::Browsing &&
        row.state() != store::RowBuffer::State::Editing)
        return false;
    const QStringList kept{sectionIdColumn(table), QStringLiteral("jkpg_id"),
                           QStringLiteral("bianh"), QStringLiteral("lurrq")};
    QVariantMap defaults;
    applyNewRowDefaults(table, defaults);
    for (const QString& column : row.columns())
        if (!kept.contains(column))
            row.setValue(column, defaults.value(column));
    return true;
}

} // namespace hra::domain

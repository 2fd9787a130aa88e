#pragma once

#include "domain/Audit.h"
#include "domain/SaveRules.h"
#include "store/RowBuffer.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <array>
#include <optional>
#include <stdexcept>
#include <utility>

namespace hra::domain {

// The states of a stored assessment.
inline const QString kInProgress = QStringLiteral("评估");
inline const QString kEnded = QStringLiteral("结束");

// The five section tables in the order they are saved (and paged).
inline constexpr std::array<AssessmentTable, 5> kSectionTables = {
    AssessmentTable::CurrentStatus, AssessmentTable::Diet, AssessmentTable::Exercise,
    AssessmentTable::Lifestyle, AssessmentTable::Examination};

// A person as the questionnaire's person panel shows him.
struct PersonSummary
{
    QString recordNumber;
    QString name;
    QString sex;
    QVariant age;
};

// The person with this record number (blanks around it removed), if any.
std::optional<PersonSummary> findPerson(const QSqlDatabase& db, const QString& recordNumber);

// One row of jkpg_id as the assessment chooser lists it.
struct AssessmentSummary
{
    qint32 id = 0;
    QString recordNumber;
    QDateTime date;
    QString state;
};

// The person's assessments by number, oldest first.
QList<AssessmentSummary> assessmentsOf(const QSqlDatabase& db, const QString& recordNumber);
// The person's latest assessment: the one with the highest number.
std::optional<AssessmentSummary> latestAssessment(const QSqlDatabase& db,
                                                  const QString& recordNumber);

// What pressing Enter on a record number leads to.
struct LookupDecision
{
    enum class Action
    {
        NoPerson,     // "该卡号不存在,请先建档!"
        StartNew,     // the person has no assessment: a new one is prepared at once
        Continue,     // the latest assessment is in progress: it is opened
        OfferChooser, // the operator chooses among the person's assessments
        Nothing,      // the latest assessment has a state we do not know
    };
    Action action = Action::NoPerson;
    std::optional<PersonSummary> person;
    // With the history box ticked and no assessment yet: the first-assessment
    // notice comes before the new assessment.
    bool firstAssessmentNotice = false;
    // The state text to show; empty leaves it as it is.
    QString stateText;
    // Continue: the assessment to open.
    qint32 assessmentId = 0;
    // OfferChooser: whether "&N 新建评估" must be refused because one of the
    // person's assessments is still in progress (the lookup of an ended
    // latest assessment offers it without that scan).
    bool scanForInProgress = false;
    // The end button's state after the lookup, when the lookup sets it.
    std::optional<bool> endEnabled;
};

LookupDecision decideLookup(const QSqlDatabase& db, const QString& recordNumber, bool history);

// Whether any of the listed assessments is in progress (the chooser then
// refuses a new one: a person has at most one in progress).
bool hasAssessmentInProgress(const QList<AssessmentSummary>& assessments);

// A new assessment's save found another assessment of the person in
// progress (begun by another workstation since the window looked); nothing
// was stored.
class AnotherAssessmentInProgress : public std::runtime_error
{
public:
    explicit AnotherAssessmentInProgress(qint32 id)
        : std::runtime_error("another assessment of the person is in progress"), m_id(id)
    {
    }
    qint32 id() const { return m_id; }

private:
    qint32 m_id;
};

// What a new assessment's save does when the person has another assessment
// in progress by then.
enum class OtherInProgress
{
    Refuse, // throws AnotherAssessmentInProgress
    Allow,  // stores a second one (imports of group check-ups rely on it)
};

// The six rows of the one assessment the questionnaire works on: the
// register row (jkpg_id) and the five section rows. Started, opened,
// saved, re-filled and ended here; the window and hra-cli both use it.
class AssessmentRows
{
public:
    AssessmentRows();

    AssessmentMode mode() const { return m_mode; }
    bool isOpen() const;
    qint32 id() const { return m_id; }
    const QString& recordNumber() const { return m_recordNumber; }
    QString state() const;
    // The version of the assessment as loaded or last saved: that of its
    // register row, which every save and the end write.
    int version() const { return m_register.loadedVersion(); }

    store::RowBuffer& registerRow() { return m_register; }
    store::RowBuffer& section(AssessmentTable table);
    const store::RowBuffer& section(AssessmentTable table) const;

    // Prepares a new assessment of the person under the next free number;
    // nothing is written until save(). Throws DatabaseError.
    void startNew(const QSqlDatabase& db, const QString& recordNumber);
    // Loads a stored assessment; a section without a row gets a new one.
    // False (and nothing open) when the register row does not exist.
    bool open(const QSqlDatabase& db, const QString& recordNumber, qint32 id);
    // Discards what is open without asking.
    void close();

    // Stores all six rows in one transaction, each through its save rules.
    // A new assessment whose number another workstation has stored meanwhile
    // is stored under the next free number instead. On failure nothing is
    // stored, the rows keep what was typed and the mode stays as it was, so
    // the same save can be tried again. Throws DatabaseError (or
    // SaveRuleError).
    //
    // A stored row changed by another workstation since it was loaded makes
    // the save throw store::StaleRowError (nothing stored); see
    // changedElsewhere(), reloadKeepingEdits() and overwriteStored(). A new
    // assessment checks again, inside the save's transaction, that the person
    // has no assessment in progress (see OtherInProgress).
    //
    // The operation log gets an entry in the same transaction: "create" for a
    // new assessment, "modify" for a stored one, unless setAuditNote() named
    // another action.
    void save(const QSqlDatabase& db, OtherInProgress other = OtherInProgress::Refuse);
    // What the operation log says of the saves that follow ("import" and the
    // file, for an import); the detail is "信息调查" by default.
    void setAuditNote(AuditAction action, const QString& detail)
    {
        m_auditAction = action;
        m_auditDetail = detail;
    }

    // The columns of each table whose stored values differ from those
    // loaded, for the tables where any do.
    QList<std::pair<QString, QStringList>> changedElsewhere(const QSqlDatabase& db) const;
    // Takes the stored rows as loaded and keeps the operator's edits on top.
    void reloadKeepingEdits(const QSqlDatabase& db);
    // The next save replaces the stored rows with these, whatever changed.
    void overwriteStored(const QSqlDatabase& db);
    // Opens the stored assessment `id` of the same person in place of this
    // new one, carrying over every answer the operator gave (one differing
    // from a new row's default). False when there is no such assessment.
    bool continueWith(const QSqlDatabase& db, qint32 id);

    // Ends the open assessment: writes only its state, and the operation
    // log's entry, in one transaction. Returns whether a stored row was
    // changed (a never saved assessment has none).
    bool end(const QSqlDatabase& db);

    // Empties the answers of a stored section row (identifiers, record
    // number and entry date stay; tick boxes return to "0"). A new row is
    // left alone. Returns whether the row was emptied.
    bool refill(AssessmentTable table);

private:
    void setId(qint32 id);
    void startSection(const QSqlDatabase& db, AssessmentTable table);
    void installSaveRules();
    void checkNoOtherInProgress(const QSqlDatabase& db) const;

    store::RowBuffer m_register;
    std::array<store::RowBuffer, 5> m_sections;
    AssessmentMode m_mode = AssessmentMode::None;
    qint32 m_id = 0;
    QString m_recordNumber;
    // The server time of the save under way, read once per attempt.
    std::optional<QDateTime> m_saveTime;
    std::optional<AuditAction> m_auditAction;
    QString m_auditDetail = QStringLiteral("信息调查");
    QSqlDatabase m_saveDb;
};

// The next assessment number: the highest stored one plus 1 (1 for none).
qint32 nextAssessmentId(const QSqlDatabase& db);

// The identifier column of a section table ("mqzk_id", ...).
QString sectionIdColumn(AssessmentTable table);

} // namespace hra::domain

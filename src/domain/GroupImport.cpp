#include "domain/GroupImport.h"

#include "domain/Assessment.h"
#include "domain/Audit.h"
#include "domain/PersonRecords.h"
#include "domain/QuestionnaireForms.h"
#include "sheets/SheetReader.h"
#include "store/NumberText.h"
#include "store/Schema.h"
#include "store/Sql.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <memory>

namespace hra::domain {
namespace {

const QString kPersonTable = QStringLiteral("jkpg_jbxx");

// Devices' and laboratory systems' own headers, and the short names people
// write, for the caption or column they mean.
const QList<std::pair<QString, QString>>& aliases()
{
    static const QList<std::pair<QString, QString>> list{
        {QStringLiteral("编号"), QStringLiteral("bianh")},
        {QStringLiteral("档案号"), QStringLiteral("bianh")},
        {QStringLiteral("身份证"), QStringLiteral("shenfzh")},
        {QStringLiteral("身份证号码"), QStringLiteral("shenfzh")},
        {QStringLiteral("单位"), QStringLiteral("gongzdw")},
        {QStringLiteral("联系电话"), QStringLiteral("lianxfs")},
        {QStringLiteral("SBP"), QStringLiteral("shousy")},
        {QStringLiteral("高压"), QStringLiteral("shousy")},
        {QStringLiteral("DBP"), QStringLiteral("shuzy")},
        {QStringLiteral("低压"), QStringLiteral("shuzy")},
        {QStringLiteral("TC"), QStringLiteral("zongdgc")},
        {QStringLiteral("CHOL"), QStringLiteral("zongdgc")},
        {QStringLiteral("TG"), QStringLiteral("ganysz")},
        {QStringLiteral("HDL-C"), QStringLiteral("gaomdzdb")},
        {QStringLiteral("HDL"), QStringLiteral("gaomdzdb")},
        {QStringLiteral("LDL-C"), QStringLiteral("dimdzdb")},
        {QStringLiteral("LDL"), QStringLiteral("dimdzdb")},
        {QStringLiteral("FPG"), QStringLiteral("kongfxt")},
        {QStringLiteral("GLU"), QStringLiteral("kongfxt")},
        {QStringLiteral("OGTT"), QStringLiteral("canhexsxt")},
        {QStringLiteral("2hPG"), QStringLiteral("canhexsxt")},
        {QStringLiteral("HbA1c"), QStringLiteral("tanghxhdb")},
        {QStringLiteral("UA"), QStringLiteral("xuens")},
        {QStringLiteral("尿酸"), QStringLiteral("xuens")},
    };
    return list;
}

// A header as compared: no blanks, no leading "*" or question number, no
// trailing colon, ASCII letters in lower case.
QString headerKey(const QString& text)
{
    static const QRegularExpression blanks(QStringLiteral("[\\s\\x{3000}]+"));
    static const QRegularExpression number(QStringLiteral("^\\d+[.．、]"));
    QString key = text;
    key.remove(blanks);
    while (key.startsWith(u'*'))
        key.remove(0, 1);
    key.remove(number);
    while (key.endsWith(u':') || key.endsWith(u'：'))
        key.chop(1);
    QString lower;
    for (const QChar c : key)
        lower += c.unicode() < 128 ? c.toLower() : c;
    return lower;
}

// The same without a unit in brackets at the end ("身高(m)", "血糖（mmol/L）").
QString withoutUnit(const QString& key)
{
    static const QRegularExpression unit(QStringLiteral("[(（][^()（）]*[)）]$"));
    QString out = key;
    out.remove(unit);
    return out;
}

struct Target
{
    QString table;
    QString column;
};

// Every way a header may name a column; a key naming several is ambiguous.
const QHash<QString, QList<Target>>& headerIndex()
{
    static const QHash<QString, QList<Target>> index = [] {
        QHash<QString, QList<Target>> out;
        auto add = [&out](const QString& key, const Target& t) {
            QList<Target>& targets = out[headerKey(key)];
            for (const Target& known : targets)
                if (known.table == t.table && known.column == t.column)
                    return;
            targets << t;
        };
        QHash<QString, Target> byColumn;
        const FormDeclaration person = personForm(PersonFormPurpose::Create);
        for (const FieldDeclaration* f : person.fields()) {
            add(f->caption, {kPersonTable, f->column});
            add(f->column, {kPersonTable, f->column});
            add(kPersonTable + u'.' + f->column, {kPersonTable, f->column});
            byColumn.insert(f->column, {kPersonTable, f->column});
        }
        for (const QuestionnairePage& page : questionnairePages())
            for (const FieldDeclaration* f : page.form.fields()) {
                if (f->readOnly)
                    continue;
                const Target t{page.form.table, f->column};
                if (!f->caption.isEmpty())
                    add(f->caption, t);
                add(f->column, t);
                add(page.form.table + u'.' + f->column, t);
                byColumn.insert(f->column, t);
            }
        for (const auto& [alias, column] : aliases())
            add(alias, byColumn.value(column));
        return out;
    }();
    return index;
}

QString quotedList(const QStringList& texts)
{
    QStringList out;
    for (const QString& t : texts)
        out << QStringLiteral("“%1”").arg(t);
    return out.join(u'、');
}

const FieldDeclaration* fieldOf(const QString& table, const QString& column)
{
    static const FormDeclaration person = personForm(PersonFormPurpose::Create);
    if (table == kPersonTable)
        return person.field(column);
    for (const QuestionnairePage& page : questionnairePages())
        if (page.form.table == table)
            return page.form.field(column);
    return nullptr;
}

// Problems collected in order, the first ones kept.
class Problems
{
public:
    explicit Problems(int limit) : m_limit(limit) {}
    void add(int row, const QString& caption, const QString& message, bool inMap = false)
    {
        if (int(m_list.size()) < m_limit)
            m_list.push_back({row, caption, message, inMap});
        ++m_total;
    }
    bool any() const { return m_total > 0; }
    [[noreturn]] void raise() { throw GroupImportError(std::move(m_list), m_total); }

private:
    int m_limit;
    int m_total = 0;
    std::vector<GroupProblem> m_list;
};

// A tick's cell: its caption or a mark of yes ticks it, a mark of no leaves it.
QString tickText(const FieldDeclaration& field, const QString& text)
{
    static const QStringList yes{QStringLiteral("√"), QStringLiteral("✓"), QStringLiteral("是"),
                                 QStringLiteral("1")};
    static const QStringList no{QStringLiteral("否"), QStringLiteral("0")};
    if (yes.contains(text))
        return field.caption;
    if (no.contains(text))
        return QString();
    return text;
}

struct StoredPerson
{
    QString record;
    QString name;
    QString sex;
    QVariant age;
    QString identity;
};

std::vector<StoredPerson> personsWhere(const QSqlDatabase& db, const QString& column,
                                       const QString& value)
{
    // column is "bianh", or empty for every person with an identity number;
    // never a name from the sheet.
    const QString select =
        QStringLiteral("select bianh, xingm, xingb, nianl, shenfzh from jkpg_jbxx where ");
    const store::Rows rows =
        column.isEmpty()
            ? store::select(db, select + QStringLiteral("shenfzh is not null order by bianh"))
            : store::select(db, select + column + QStringLiteral(" = :v order by bianh"),
                            {{QStringLiteral("v"), value}});
    std::vector<StoredPerson> out;
    for (const QVariantList& r : rows.rows)
        out.push_back({r.value(0).toString().trimmed(), r.value(1).toString(),
                       r.value(2).toString(), r.value(3), r.value(4).toString().trimmed()});
    return out;
}

// A value as the sheet or the record shows it: numbers in their shortest
// form, text as it stands (an identity number of digits stays text).
QString shown(const QVariant& value)
{
    const int type = value.typeId();
    if (type == QMetaType::Double || type == QMetaType::LongLong || type == QMetaType::Int)
        return store::numberText(value.toDouble());
    return value.toString().trimmed();
}

// A person the sheet registers: the values of its first row.
struct NewPerson
{
    int firstRow = 0;
    QVariantMap values;
};

} // namespace

QString GroupProblem::text() const
{
    if (inMap)
        return QStringLiteral("映射文件第%1行: ").arg(row) + message;
    const QString where = row > 0 ? QStringLiteral("第%1行").arg(row) : QStringLiteral("表头");
    return caption.isEmpty() ? where + QStringLiteral(": ") + message
                             : where + u' ' + caption + QStringLiteral(": ") + message;
}

GroupImportError::GroupImportError(std::vector<GroupProblem> problems, int total)
    : std::runtime_error(problems.empty() ? std::string("import refused")
                                          : problems.front().text().toStdString()),
      m_problems(std::move(problems)), m_total(total)
{
}

bool identityNumberValid(const QString& number)
{
    static const int weights[17] = {7, 9, 10, 5, 8, 4, 2, 1, 6, 3, 7, 9, 10, 5, 8, 4, 2};
    static const char checks[] = "10X98765432";
    if (number.size() != 18)
        return false;
    int sum = 0;
    for (int i = 0; i < 17; ++i) {
        const QChar c = number.at(i);
        if (c < u'0' || c > u'9')
            return false;
        sum += (c.unicode() - u'0') * weights[i];
    }
    return number.at(17).toUpper() == QLatin1Char(checks[sum % 11]);
}

namespace {

// The one column a header or a map's text names, or why none.
std::optional<Target> targetOf(const QString& text, QString* refusal)
{
    const QString key = headerKey(text);
    QList<Target> targets = headerIndex().value(key);
    if (targets.isEmpty())
        targets = headerIndex().value(withoutUnit(key));
    const QString shown = text.trimmed();
    if (targets.isEmpty()) {
        *refusal = QStringLiteral("无法识别的表头“%1”").arg(shown);
        return std::nullopt;
    }
    if (targets.size() > 1) {
        QStringList meanings;
        for (const Target& t : targets)
            meanings << t.table + u'.' + t.column;
        *refusal = QStringLiteral("表头“%1”可以指%2，请改用列名").arg(shown, quotedList(meanings));
        return std::nullopt;
    }
    return targets.first();
}

} // namespace

GroupHeaderMap readHeaderMap(const QList<GroupRow>& rows)
{
    Problems problems(1000);
    GroupHeaderMap map;
    QHash<QString, int> firstRow;
    for (const GroupRow& row : rows) {
        QStringList texts;
        for (const QString& cell : row.cells)
            if (!cell.trimmed().isEmpty())
                texts << cell.trimmed();
        if (texts.isEmpty())
            continue;
        const auto refuse = [&](const QString& message) {
            problems.add(row.number, QString(), message, true);
        };
        if (texts.size() != 2 || row.cells.size() < 2 || row.cells.at(0).trimmed().isEmpty()) {
            refuse(QStringLiteral("应有两项: 对方的表头, 本系统的名称或列名"));
            continue;
        }
        const QString key = headerKey(texts.at(0));
        if (firstRow.contains(key)) {
            refuse(QStringLiteral("表头“%1”已在第%2行").arg(texts.at(0)).arg(firstRow.value(key)));
            continue;
        }
        QString refusal;
        if (!targetOf(texts.at(1), &refusal)) {
            refuse(refusal);
            continue;
        }
        firstRow.insert(key, row.number);
        map.insert(key, texts.at(1));
    }
    if (problems.any())
        problems.raise();
    return map;
}

std::vector<GroupHeaderMeaning> understandGroupHeader(const QStringList& header,
                                                      const GroupHeaderMap& map)
{
    std::vector<GroupHeaderMeaning> out;
    QHash<QString, QString> taken; // table.column -> header
    for (const QString& text : header) {
        GroupHeaderMeaning meaning;
        const QString key = headerKey(text);
        if (key.isEmpty()) {
            out.push_back(meaning);
            continue;
        }
        const auto mapped = map.constFind(key);
        const auto target = targetOf(mapped == map.constEnd() ? text : *mapped, &meaning.refusal);
        if (target) {
            const QString shown = text.trimmed();
            const QString id = target->table + u'.' + target->column;
            if (taken.contains(id))
                meaning.refusal =
                    QStringLiteral("表头“%1”与“%2”指同一项").arg(taken.value(id), shown);
            taken.insert(id, shown);
            meaning.column = GroupColumn{target->table, target->column, shown};
            const FieldDeclaration* f = fieldOf(target->table, target->column);
            meaning.fieldCaption = f && !f->caption.isEmpty() ? f->caption : target->column;
        }
        out.push_back(meaning);
    }
    return out;
}

std::vector<std::optional<GroupColumn>> mapGroupHeader(const QStringList& header,
                                                       const GroupHeaderMap& map)
{
    Problems problems(1000);
    std::vector<std::optional<GroupColumn>> out;
    for (const GroupHeaderMeaning& m : understandGroupHeader(header, map)) {
        if (!m.refusal.isEmpty())
            problems.add(0, QString(), m.refusal);
        out.push_back(m.refusal.isEmpty() ? m.column : std::nullopt);
    }
    if (problems.any())
        problems.raise();
    return out;
}

ReopenedGroupRows::ReopenedGroupRows(std::function<Next()> open) : m_open(std::move(open))
{
    restart();
}

void ReopenedGroupRows::restart()
{
    m_next = m_open();
    GroupRow first;
    m_header = m_next(first) ? first.cells : QStringList();
}

ReopenedGroupRows::Next sheetGroupRows(const QString& path, const sheets::ReadOptions& options)
{
    std::shared_ptr<sheets::RowReader> reader = sheets::openSheet(path, options);
    return [reader](GroupRow& row) {
        sheets::Row read;
        if (!reader->next(read))
            return false;
        row = {read.number, std::move(read.cells)};
        return true;
    };
}

GroupImportSummary summarise(const std::vector<GroupImportedRow>& rows)
{
    GroupImportSummary s;
    s.rows = int(rows.size());
    for (const GroupImportedRow& r : rows) {
        s.newPersons += r.newPerson ? 1 : 0;
        s.furtherAssessments += r.earlierAssessments ? 1 : 0;
    }
    return s;
}

QString GroupImportSummary::furtherAssessmentsText() const
{
    return QStringLiteral("%1人已有评估,本次为其增加了新的评估").arg(furtherAssessments);
}

QStringList problemLines(const GroupImportError& error)
{
    QStringList lines;
    for (const GroupProblem& p : error.problems())
        lines << p.text();
    if (error.total() > int(error.problems().size()))
        lines << QStringLiteral("另有%1处错误未列出")
                     .arg(error.total() - int(error.problems().size()));
    return lines;
}

QString nothingStoredText()
{
    return QStringLiteral("文件中的数据均未保存");
}

std::vector<GroupImportedRow> importGroup(const QSqlDatabase& db, const QDateTime& serverNow,
                                          const QStringList& header, const QList<GroupRow>& rows,
                                          const GroupImportOptions& options)
{
    GroupRowList list(rows);
    return importGroup(db, serverNow, header, list, options);
}

std::vector<GroupImportedRow> importGroup(const QSqlDatabase& db, const QDateTime& serverNow,
                                          const QStringList& header, GroupRows& rows,
                                          const GroupImportOptions& options)
{
    const std::vector<std::optional<GroupColumn>> columns =
        mapGroupHeader(header, options.headerMap);
    // The same few statements for every row.
    const store::KeptStatements keep(db);
    Problems problems(options.problemLimit);
    // The caption a missing value is named by: the sheet's header, else the window's.
    auto captionOf = [&columns](const QString& table, const QString& column) {
        for (const auto& c : columns)
            if (c && c->table == table && c->column == column)
                return c->caption;
        const FieldDeclaration* f = fieldOf(table, column);
        return f && !f->caption.isEmpty() ? f->caption : column;
    };

    std::vector<GroupImportedRow> out;
    QHash<QString, NewPerson> newPersons;  // record -> the sheet's new person
    QHash<QString, QString> newByIdentity; // identity number -> record
    QHash<QString, bool> hadAssessments;   // stored record -> assessments before the sheet
    QSet<QString> givenNumbers;            // numbers the sheet names
    int total = 0;
    {
        qsizetype numberColumn = -1;
        for (size_t i = 0; i < columns.size(); ++i)
            if (columns[i] && columns[i]->table == kPersonTable && columns[i]->column == u"bianh")
                numberColumn = qsizetype(i);
        rows.restart();
        GroupRow row;
        while (rows.next(row)) {
            ++total;
            if (numberColumn >= 0 && numberColumn < row.cells.size())
                givenNumbers.insert(row.cells.at(numberColumn).trimmed());
        }
        rows.restart();
    }
    // The stored persons by identity number, read once: the column has no
    // index, and a sheet asks for each of its rows.
    std::optional<QHash<QString, std::vector<StoredPerson>>> identities;
    auto byIdentity = [&]() -> const QHash<QString, std::vector<StoredPerson>>& {
        if (!identities) {
            identities.emplace();
            for (StoredPerson& p : personsWhere(db, QString(), QString()))
                (*identities)[p.identity.toUpper()].push_back(std::move(p));
        }
        return *identities;
    };
    // Numbers after the highest stored one are free in the database; only
    // the sheet's own may take them.
    std::optional<QString> nextNumber;
    auto takeNextNumber = [&]() {
        if (!nextNumber)
            nextNumber = nextRecordNumber(db);
        while (givenNumbers.contains(*nextNumber) || newPersons.contains(*nextNumber)) {
            const qulonglong n = nextNumber->toULongLong() + 1;
            nextNumber = QStringLiteral("%1").arg(n, int(nextNumber->size()), 10, QLatin1Char('0'));
        }
        return *nextNumber;
    };

    // Rows are stored as they come while none has a problem; the
    // transaction makes it all or nothing.
    std::optional<store::Transaction> tx;
    if (!options.dryRun)
        tx.emplace(db);
    int done = 0;
    GroupRow row;
    while (rows.next(row)) {
        if (options.progress && !options.progress(done, total))
            throw GroupImportCancelled();
        ++done;
        QVariantMap person;                 // column -> trimmed text
        QMap<QString, QVariantMap> answers; // section table -> column -> value
        bool any = false;
        for (qsizetype i = 0; i < row.cells.size(); ++i) {
            const QString text = row.cells.at(i).trimmed();
            if (text.isEmpty())
                continue;
            any = true;
            if (size_t(i) >= columns.size() || !columns[size_t(i)]) {
                problems.add(row.number, QString(),
                             QStringLiteral("第%1列有值却没有表头").arg(i + 1));
                continue;
            }
            const GroupColumn& c = *columns[size_t(i)];
            if (c.table == kPersonTable) {
                person.insert(c.column, text);
                continue;
            }
            const FieldDeclaration* field = fieldOf(c.table, c.column);
            const QString value = field->kind == ControlKind::Tick ? tickText(*field, text) : text;
            answers[c.table].insert(c.column, answerFromText(*field, value));
        }
        if (!any)
            continue;
        bool rowFine = true;
        auto problem = [&](const QString& caption, const QString& message) {
            problems.add(row.number, caption, message);
            rowFine = false;
        };

        // The person's values as the create window checks them; age as a number.
        for (auto it = person.begin(); it != person.end(); ++it) {
            QVariant value = it.value();
            if (it.key() == u"nianl") {
                bool ok = false;
                const QVariant n = parseNumber(value.toString(), &ok);
                if (ok)
                    value = n;
            }
            const QString p = personValueProblem(PersonFormPurpose::Create, it.key(), value, false);
            if (!p.isEmpty())
                problem(captionOf(kPersonTable, it.key()), p);
            else
                it.value() = value;
        }
        const QString identity = person.value(QStringLiteral("shenfzh")).toString().toUpper();
        if (!identity.isEmpty()) {
            if (!identityNumberValid(identity))
                problem(captionOf(kPersonTable, QStringLiteral("shenfzh")),
                        QStringLiteral("“%1”不是有效的身份证号(18位,末位为校验码)")
                            .arg(person.value(QStringLiteral("shenfzh")).toString()));
            else
                person.insert(QStringLiteral("shenfzh"), identity);
        }

        // Whose row it is. A person an earlier row registered comes first:
        // in a real run it is stored by now, in a dry run it is not.
        const QString given = person.value(QStringLiteral("bianh")).toString();
        std::optional<StoredPerson> stored;
        QString record;
        bool registers = false;
        if (rowFine) {
            if (!given.isEmpty()) {
                record = given;
                if (!newPersons.contains(given)) {
                    const auto found = personsWhere(db, QStringLiteral("bianh"), given);
                    if (!found.empty())
                        stored = found.front();
                }
            } else if (!identity.isEmpty()) {
                if (newByIdentity.contains(identity)) {
                    record = newByIdentity.value(identity);
                } else {
                    const auto found = byIdentity().value(identity);
                    if (found.size() > 1) {
                        QStringList numbers;
                        for (const StoredPerson& p : found)
                            numbers << p.record;
                        problem(captionOf(kPersonTable, QStringLiteral("shenfzh")),
                                QStringLiteral("身份证号“%1”属于多个档案(%2)，请填写编号")
                                    .arg(identity, numbers.join(u'、')));
                    } else if (found.size() == 1) {
                        stored = found.front();
                        record = stored->record;
                    }
                }
            }
        }
        if (rowFine && stored) {
            // What the sheet says must be what is stored; nothing is overwritten.
            const auto contradicts = [&](const QString& column, const QString& storedText) {
                if (!person.contains(column))
                    return;
                const QString sheet = shown(person.value(column));
                if (sheet != storedText.trimmed())
                    problem(captionOf(kPersonTable, column),
                            QStringLiteral("“%1”与档案%2中的“%3”不符")
                                .arg(sheet, stored->record, storedText.trimmed()));
            };
            contradicts(QStringLiteral("xingm"), stored->name);
            contradicts(QStringLiteral("xingb"), stored->sex);
            contradicts(QStringLiteral("nianl"), shown(stored->age));
            if (!stored->identity.isEmpty())
                contradicts(QStringLiteral("shenfzh"), stored->identity);
        } else if (rowFine) {
            if (record.isEmpty())
                record = takeNextNumber();
            if (newPersons.contains(record)) {
                // A later row of a person the sheet registers: the same person.
                const QVariantMap& first = newPersons.value(record).values;
                for (auto it = person.begin(); it != person.end(); ++it)
                    if (first.contains(it.key()) &&
                        shown(first.value(it.key())) != shown(it.value()))
                        problem(captionOf(kPersonTable, it.key()),
                                QStringLiteral("“%1”与第%2行的“%3”不符")
                                    .arg(shown(it.value()))
                                    .arg(newPersons.value(record).firstRow)
                                    .arg(shown(first.value(it.key()))));
            } else {
                QVariantMap values = person;
                values.insert(QStringLiteral("bianh"), record);
                for (const QString& required :
                     {QStringLiteral("xingm"), QStringLiteral("xingb"), QStringLiteral("nianl")})
                    if (!values.contains(required))
                        problem(captionOf(kPersonTable, required),
                                personValueProblem(PersonFormPurpose::Create, required, {}));
                // One identity number is one person, whatever number the sheet gives.
                if (!identity.isEmpty() && !given.isEmpty())
                    if (const auto holders = byIdentity().value(identity); !holders.empty())
                        problem(captionOf(kPersonTable, QStringLiteral("shenfzh")),
                                QStringLiteral("身份证号“%1”已属于档案%2")
                                    .arg(identity, holders.front().record));
                const QString p = personValueProblem(PersonFormPurpose::Create,
                                                     QStringLiteral("bianh"), record, false);
                if (!p.isEmpty())
                    problem(captionOf(kPersonTable, QStringLiteral("bianh")), p);
                if (rowFine) {
                    newPersons.insert(record, {row.number, values});
                    if (!identity.isEmpty())
                        newByIdentity.insert(identity, record);
                    registers = true;
                }
            }
        }

        AssessmentInput input;
        input.record = record;
        for (const QuestionnairePage& page : questionnairePages())
            input.answers.insert(
                page.form.table,
                checkAnswers(page, answers.value(page.form.table), Wording::Chinese,
                             [&](const QString& column, const QString& message) {
                                 problem(captionOf(page.form.table, column), message);
                             }));
        if (!rowFine)
            continue;
        // Asked before the sheet's own assessments of the person are stored.
        bool earlier = false;
        if (stored) {
            auto known = hadAssessments.constFind(record);
            if (known == hadAssessments.constEnd())
                known = hadAssessments.insert(record, assessmentCount(db, record) > 0);
            earlier = *known;
        }
        const QString name =
            stored ? stored->name.trimmed()
                   : newPersons.value(record).values.value(QStringLiteral("xingm")).toString();
        out.push_back({row.number, record, std::nullopt, registers, name, earlier});
        if (!tx || problems.any())
            continue;
        if (registers) {
            const QString refused = addPerson(db, serverNow, newPersons.value(record).values);
            if (!refused.isEmpty()) {
                problem(captionOf(kPersonTable, QStringLiteral("bianh")), refused);
                continue;
            }
        }
        const std::vector<ImportedAssessment> saved =
            importAssessments(db, {std::move(input)}, {.source = QStringLiteral("批量导入")});
        out.back().assessment = saved.front().assessment;
    }
    if (options.progress && !options.progress(done, total))
        throw GroupImportCancelled();
    if (problems.any())
        problems.raise();
    if (tx)
        tx->commit();
    return out;
}

} // namespace hra::domain

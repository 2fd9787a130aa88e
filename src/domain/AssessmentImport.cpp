#include "domain/AssessmentImport.h"

#include "domain/Assessment.h"
#include "domain/QuestionnaireForms.h"
#include "store/Log.h"
#include "store/NumberText.h"
#include "store/Schema.h"
#include "store/Sql.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <cmath>

namespace hra::domain {
namespace {

// How often a whole file is stored again when other workstations keep taking
// the numbers of its new assessments first.
constexpr int kFileAttempts = 50;

const QString kRecord = QStringLiteral("record");
const QString kAssessment = QStringLiteral("assessment");
const QString kAnswers = QStringLiteral("answers");
const QString kState = QStringLiteral("zhuangt");
const QString kVersion = store::RowBuffer::kVersionColumn;

// Columns the save rules write, accepted in a file and left alone.
bool isDerived(AssessmentTable table, const QString& column)
{
    if (column == QLatin1String("lurrq"))
        return true;
    if (table == AssessmentTable::Exercise)
        return column == QLatin1String("yundjg");
    if (table == AssessmentTable::Examination)
        return column == QLatin1String("tizzs");
    return false;
}

QString quoted(const QString& text)
{
    return u'"' + text + u'"';
}

QString quotedList(const QStringList& texts)
{
    QStringList out;
    for (const QString& t : texts)
        out << quoted(t);
    return out.join(QStringLiteral(", "));
}

// Whether a number fits a decimal column (digits in all, scale after the point).
bool fitsDecimal(const store::ColumnDef& column, const QVariant& value)
{
    if (column.type != store::ColumnType::Decimal || store::isNull(value))
        return true;
    return std::fabs(value.toDouble()) < std::pow(10.0, column.width - column.scale);
}

QString problemText(ValueProblem problem, const FieldDeclaration& field,
                    const store::ColumnDef& column, const QVariant& value)
{
    const QString shown = quoted(value.toString());
    switch (problem) {
    case ValueProblem::Missing:
        return field.requiredMessage;
    case ValueProblem::NotAnOption:
        return QStringLiteral("%1 is none of the options %2").arg(shown, quotedList(field.options));
    case ValueProblem::NotATick:
        return QStringLiteral("%1 is neither the tick's caption %2 nor \"0\"")
            .arg(shown, quoted(field.caption));
    case ValueProblem::NotANumber:
        return QStringLiteral("%1 is not a number").arg(shown);
    case ValueProblem::TooLong:
        return QStringLiteral("%1 is longer than the column's %2 characters")
            .arg(shown, QString::number(column.width));
    case ValueProblem::UnknownColumn:
        return QStringLiteral("unknown column");
    case ValueProblem::OutOfRange:
        return QStringLiteral("%1 %2").arg(shown,
                                           field.range ? field.range->description() : QString());
    case ValueProblem::None:
        break;
    }
    return QString();
}

// A JSON number as the value of a field: a whole number as an integer.
QVariant numberValue(double d)
{
    if (d == std::trunc(d) && std::fabs(d) < 9007199254740992.0)
        return static_cast<qint64>(d);
    return d;
}

// The value a field stores for a JSON value (NULL as the controls store it);
// *problem is set when the JSON value has a kind no field takes.
QVariant fieldValue(const FieldDeclaration& field, const QJsonValue& json, QString* problem)
{
    if (json.isNull() || json.isUndefined()) {
        if (field.kind == ControlKind::Tick)
            return QStringLiteral("0");
        return field.kind == ControlKind::Number ? QVariant() : store::nullText();
    }
    if (!json.isString() && !json.isDouble()) {
        if (problem)
            *problem = QStringLiteral("a value must be text, a number or null");
        return QVariant();
    }
    if (field.kind == ControlKind::Number) {
        if (json.isDouble())
            return numberValue(json.toDouble());
        bool ok = false;
        const QVariant parsed = parseNumber(json.toString(), &ok);
        // Text that is no number is kept so that the check names it.
        return ok ? parsed : QVariant(json.toString());
    }
    const QString text = json.isDouble() ? store::numberText(json.toDouble()) : json.toString();
    if (text.isEmpty() && field.kind != ControlKind::Tick)
        return store::nullText();
    return text;
}

// The answers of one page checked and converted as the questionnaire stores
// them; a column left out of `given` is unanswered, one in `skip` was
// refused already.
QVariantMap checkedAnswers(const QuestionnairePage& page, const QVariantMap& given,
                           const QSet<QString>& skip, Wording wording,
                           const std::function<void(const QString&, const QString&)>& problem)
{
    const bool english = wording == Wording::English;
    const QString table = page.form.table;
    QVariantMap values;
    for (const FieldDeclaration* field : page.form.fields()) {
        if (field->readOnly || skip.contains(field->column))
            continue;
        const store::ColumnDef* column = store::column(table, field->column);
        if (!column)
            throw std::logic_error("a declared question has no column");
        const QVariant value = given.contains(field->column)
                                   ? given.value(field->column)
                                   : fieldValue(*field, QJsonValue(QJsonValue::Undefined), nullptr);
        const ValueProblem p = checkValue(*field, *column, value);
        const bool numeric = field->kind == ControlKind::Number && !store::isNull(value);
        if (p == ValueProblem::None && numeric && !std::isfinite(value.toDouble()))
            problem(field->column,
                    english ? QStringLiteral("%1 is not a number").arg(quoted(value.toString()))
                            : valueProblemText(ValueProblem::NotANumber, *field, *column, value));
        else if (p != ValueProblem::None)
            problem(field->column, english ? problemText(p, *field, *column, value)
                                           : valueProblemText(p, *field, *column, value));
        else if (!fitsDecimal(*column, value))
            problem(field->column,
                    (english ? QStringLiteral("%1 does not fit the column (%2 digits, %3 after "
                                              "the point)")
                             : QStringLiteral("“%1”超出该项的位数(共%2位,小数%3位)"))
                        .arg(store::numberText(value.toDouble()), QString::number(column->width),
                             QString::number(column->scale)));
        else if (numeric && !column->isNumber())
            values.insert(field->column, store::valueText(value)); // as the window stores it
        else
            values.insert(field->column, value);
    }
    if (const FieldOrder* broken = brokenOrder(
            page.form, [&values](const QString& column) { return values.value(column); }))
        problem(broken->lower, broken->message);

    // The body-mass index is computed on save; a height of 0 gives none.
    if (page.table == AssessmentTable::Examination && values.contains(QStringLiteral("sheng")) &&
        values.contains(QStringLiteral("tiz"))) {
        try {
            bodyMassIndex(values.value(QStringLiteral("sheng")),
                          values.value(QStringLiteral("tiz")));
        } catch (const SaveRuleError& e) {
            problem(QStringLiteral("sheng"),
                    english ? QString::fromUtf8(e.what()) : QStringLiteral("无法计算体重指数"));
        }
    }
    return values;
}

// Checks and converts the answers of one section table.
QVariantMap sectionAnswers(int position, const QuestionnairePage& page, const QJsonObject& given,
                           std::vector<ImportProblem>& problems)
{
    const QString table = page.form.table;
    auto problem = [&](const QString& column, const QString& message) {
        problems.push_back({position, table + u'.' + column, message});
    };
    for (auto it = given.begin(); it != given.end(); ++it) {
        const FieldDeclaration* field = page.form.field(it.key());
        if (!isDerived(page.table, it.key()) && (!field || field->readOnly))
            problem(it.key(), QStringLiteral("unknown column"));
    }

    QVariantMap values;
    QSet<QString> wrong;
    for (const FieldDeclaration* field : page.form.fields()) {
        if (field->readOnly || !given.contains(field->column))
            continue;
        QString wrongKind;
        const QVariant value = fieldValue(*field, given.value(field->column), &wrongKind);
        if (!wrongKind.isEmpty()) {
            problem(field->column, wrongKind);
            wrong.insert(field->column);
        } else {
            values.insert(field->column, value);
        }
    }
    return checkedAnswers(page, values, wrong, Wording::English, problem);
}

} // namespace

QVariant answerFromText(const FieldDeclaration& field, const QString& text)
{
    if (text.isEmpty())
        return fieldValue(field, QJsonValue(QJsonValue::Undefined), nullptr);
    return fieldValue(field, QJsonValue(text), nullptr);
}

QVariantMap checkAnswers(const QuestionnairePage& page, const QVariantMap& given, Wording wording,
                         const std::function<void(const QString&, const QString&)>& problem)
{
    return checkedAnswers(page, given, {}, wording, problem);
}

namespace {

std::optional<AssessmentInput> parseObject(int position, const QJsonValue& value,
                                           std::vector<ImportProblem>& problems)
{
    const size_t before = problems.size();
    auto problem = [&](const QString& where, const QString& message) {
        problems.push_back({position, where, message});
    };
    if (!value.isObject()) {
        problem(QString(), QStringLiteral("an assessment must be a JSON object"));
        return std::nullopt;
    }
    const QJsonObject object = value.toObject();
    for (auto it = object.begin(); it != object.end(); ++it)
        if (it.key() != kRecord && it.key() != kAssessment && it.key() != kAnswers &&
            it.key() != kState && it.key() != kVersion)
            problem(
                it.key(),
                QStringLiteral("unknown key (known: record, assessment, banb, answers, zhuangt)"));

    AssessmentInput input;
    const QJsonValue record = object.value(kRecord);
    if (!record.isString() || record.toString().trimmed().isEmpty())
        problem(kRecord, QStringLiteral("the record number must be given as text"));
    else
        input.record = record.toString().trimmed();

    if (object.contains(kAssessment)) {
        const double n = object.value(kAssessment).toDouble(-1);
        if (!object.value(kAssessment).isDouble() || n != std::trunc(n) || n < 1 || n > 2147483647)
            problem(kAssessment,
                    QStringLiteral("the assessment number must be a whole number above 0"));
        else
            input.assessment = static_cast<qint32>(n);
    }

    // The version of a stored assessment; without a number (a shown file
    // imported as a new assessment) it has nothing to be compared with.
    if (object.contains(kVersion)) {
        const double n = object.value(kVersion).toDouble(-1);
        if (!object.value(kVersion).isDouble() || n != std::trunc(n) || n < 0 || n > 2147483647)
            problem(kVersion, QStringLiteral("the version must be a whole number from 0"));
        else if (object.contains(kAssessment))
            input.version = static_cast<qint32>(n);
    }

    const QJsonValue answersValue = object.value(kAnswers);
    if (!answersValue.isObject() && !answersValue.isUndefined() && !answersValue.isNull())
        problem(kAnswers, QStringLiteral("the answers must be an object of section tables"));
    const QJsonObject answers = answersValue.toObject();
    for (auto it = answers.begin(); it != answers.end(); ++it) {
        bool known = false;
        for (const QuestionnairePage& page : questionnairePages())
            known = known || page.form.table == it.key();
        if (!known)
            problem(it.key(),
                    QStringLiteral("unknown table (known: jkpg_mqzk, jkpg_ssyy, jkpg_ydfs, "
                                   "jkpg_shfs, jkpg_tgjc)"));
        else if (!it.value().isObject() && !it.value().isNull())
            problem(it.key(), QStringLiteral("a table's answers must be an object of columns"));
    }
    for (const QuestionnairePage& page : questionnairePages())
        input.answers.insert(
            page.form.table,
            sectionAnswers(position, page, answers.value(page.form.table).toObject(), problems));
    if (problems.size() != before)
        return std::nullopt;
    return input;
}

bool anyNumberTaken(const QSqlDatabase& db, const std::vector<qint32>& numbers)
{
    for (const qint32 id : numbers)
        if (store::scalar(db, QStringLiteral("select count(*) from jkpg_id where jkpg_id = :id"),
                          {{QStringLiteral("id"), id}})
                .toInt() > 0)
            return true;
    return false;
}

// Puts one object's answers into the open rows: every answer column of a
// section is replaced (a column the file leaves out becomes unanswered).
void fill(AssessmentRows& rows, const AssessmentInput& input)
{
    for (const AssessmentTable table : kSectionTables) {
        rows.refill(table);
        const QVariantMap& values = input.answers.value(tableName(table));
        store::RowBuffer& row = rows.section(table);
        for (auto it = values.begin(); it != values.end(); ++it)
            if (!row.setValue(it.key(), it.value()))
                // The database lacks a column the questionnaire declares.
                throw store::DatabaseError(
                    QStringLiteral("the database lacks the column %1.%2; run hra-cli db upgrade")
                        .arg(tableName(table), it.key()));
    }
}

// One pass over the file in one transaction. newNumbers collects the numbers
// new assessments try, for the caller to see whether one was taken meanwhile.
std::vector<ImportedAssessment> storeOnce(const QSqlDatabase& db,
                                          const std::vector<AssessmentInput>& inputs,
                                          ImportOptions options, std::vector<qint32>& newNumbers)
{
    store::Transaction tx(db);
    std::vector<ImportedAssessment> done;
    std::vector<ImportProblem> problems;
    for (size_t i = 0; i < inputs.size(); ++i) {
        const AssessmentInput& input = inputs[i];
        const int position = static_cast<int>(i) + 1;
        const std::optional<PersonSummary> person = findPerson(db, input.record);
        if (!person) {
            problems.push_back(
                {position, kRecord,
                 QStringLiteral("no person has the record number %1").arg(input.record)});
            continue;
        }
        AssessmentRows rows;
        if (input.assessment) {
            if (!rows.open(db, person->recordNumber, *input.assessment)) {
                problems.push_back(
                    {position, kAssessment,
                     QStringLiteral("the person %1 has no assessment %2")
                         .arg(person->recordNumber, QString::number(*input.assessment))});
                continue;
            }
            // A file shown before someone else saved would undo that save.
            if (!options.force && input.version && rows.version() > *input.version) {
                problems.push_back(
                    {position, kVersion,
                     QStringLiteral("assessment %1 of the person %2 was changed after the file "
                                    "was made: version %3 is stored, the file has version %4 "
                                    "(--force stores the file over it)")
                         .arg(QString::number(*input.assessment), person->recordNumber,
                              QString::number(rows.version()), QString::number(*input.version))});
                continue;
            }
        } else {
            rows.startNew(db, person->recordNumber);
            newNumbers.push_back(rows.id());
        }
        if (!problems.empty())
            continue; // nothing will be stored; only look for more problems
        fill(rows, input);
        rows.setAuditNote(AuditAction::Import, options.source);
        // A file without an assessment number makes a new one each time, as
        // batch imports of group check-ups expect.
        rows.save(db, OtherInProgress::Allow);
        if (!input.assessment)
            newNumbers.back() = rows.id();
        done.push_back({person->recordNumber, rows.id()});
    }
    if (!problems.empty())
        throw ImportError(std::move(problems));
    tx.commit();
    return done;
}

// What QJsonDocument lets through without a word: a key given twice (the
// last would win, and with "record" the answers would go to another person),
// a surrogate without its pair (turned into another character) and a NUL.
// Looks at the text as written; structure errors are left to the parser.
class JsonScan
{
public:
    explicit JsonScan(const QByteArray& text) : m_s(text) {}

    // The first problem, with the character it is at; empty when none.
    QString problem()
    {
        value(0);
        return m_problem;
    }

private:
    bool failAt(qsizetype at, const QString& what)
    {
        if (m_problem.isEmpty())
            m_problem = QStringLiteral("not accepted JSON at character %1: %2")
                            .arg(QString::number(at + 1), what);
        return false;
    }
    bool atEnd() const { return m_i >= m_s.size(); }
    char peek() const { return atEnd() ? '\0' : m_s.at(m_i); }
    void space()
    {
        while (!atEnd() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r'))
            ++m_i;
    }
    static int hex(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }
    // Four hex digits after "\u"; -1 when they are not.
    int unit(qsizetype at) const
    {
        if (at + 4 > m_s.size())
            return -1;
        int v = 0;
        for (qsizetype k = at; k < at + 4; ++k) {
            const int h = hex(m_s.at(k));
            if (h < 0)
                return -1;
            v = v * 16 + h;
        }
        return v;
    }
    // A string from its opening quote; its text (escapes kept as written,
    // which is enough to compare keys after decoding the \u ones) in *out.
    bool string(QByteArray* out)
    {
        ++m_i;
        while (!atEnd()) {
            const qsizetype at = m_i;
            const char c = m_s.at(m_i++);
            if (c == '"')
                return true;
            if (c == '\0')
                return failAt(at, QStringLiteral("a NUL character in a string"));
            if (c != '\\') {
                if (out)
                    out->append(c);
                continue;
            }
            if (atEnd())
                return false;
            const char e = m_s.at(m_i++);
            if (e != 'u') {
                if (out)
                    out->append('\\').append(e);
                continue;
            }
            const int u = unit(m_i);
            if (u < 0)
                return false;
            m_i += 4;
            if (u == 0)
                return failAt(at, QStringLiteral("a NUL character (\\u0000) in a string"));
            char32_t code = char32_t(u);
            if (u >= 0xDC00 && u <= 0xDFFF)
                return failAt(at, QStringLiteral("a low surrogate (\\u%1) without its high one")
                                      .arg(u, 4, 16, QLatin1Char('0')));
            if (u >= 0xD800 && u <= 0xDBFF) {
                const int low =
                    m_i + 6 <= m_s.size() && m_s.at(m_i) == '\\' && m_s.at(m_i + 1) == 'u'
                        ? unit(m_i + 2)
                        : -1;
                if (low < 0xDC00 || low > 0xDFFF)
                    return failAt(at, QStringLiteral("a high surrogate (\\u%1) without its low one")
                                          .arg(u, 4, 16, QLatin1Char('0')));
                m_i += 6;
                code = 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(low) - 0xDC00);
            }
            if (out)
                out->append(QString::fromUcs4(&code, 1).toUtf8());
        }
        return false;
    }
    bool value(int depth)
    {
        space();
        if (atEnd() || depth > 512)
            return false;
        const char c = peek();
        if (c == '"')
            return string(nullptr);
        if (c == '[') {
            ++m_i;
            space();
            if (peek() == ']') {
                ++m_i;
                return true;
            }
            for (;;) {
                if (!value(depth + 1))
                    return false;
                space();
                if (peek() == ',') {
                    ++m_i;
                    continue;
                }
                if (peek() != ']')
                    return false;
                ++m_i;
                return true;
            }
        }
        if (c == '{') {
            ++m_i;
            QSet<QByteArray> keys;
            space();
            if (peek() == '}') {
                ++m_i;
                return true;
            }
            for (;;) {
                space();
                if (peek() != '"')
                    return false;
                const qsizetype at = m_i;
                QByteArray key;
                if (!string(&key))
                    return false;
                if (keys.contains(key))
                    return failAt(at, QStringLiteral("the key \"%1\" is given twice in one object")
                                          .arg(QString::fromUtf8(key)));
                keys.insert(key);
                space();
                if (peek() != ':')
                    return false;
                ++m_i;
                if (!value(depth + 1))
                    return false;
                space();
                if (peek() == ',') {
                    ++m_i;
                    continue;
                }
                if (peek() != '}')
                    return false;
                ++m_i;
                return true;
            }
        }
        // A number or a literal: the parser judges it.
        while (!atEnd() && !QByteArrayView(",]} \t\r\n").contains(peek()))
            ++m_i;
        return true;
    }

    const QByteArray& m_s;
    qsizetype m_i = 0;
    QString m_problem;
};

} // namespace

QString ImportProblem::text() const
{
    QString out = position > 0 ? QStringLiteral("object %1").arg(position) : QStringLiteral("file");
    if (!where.isEmpty())
        out += QStringLiteral(", ") + where;
    return out + QStringLiteral(": ") + message;
}

ImportError::ImportError(std::vector<ImportProblem> problems)
    : std::runtime_error(problems.empty() ? std::string("import refused")
                                          : problems.front().text().toStdString()),
      m_problems(std::move(problems))
{
}

std::vector<AssessmentInput> parseAssessmentFile(const QByteArray& json)
{
    if (const QString problem = JsonScan(json).problem(); !problem.isEmpty())
        throw ImportError({{0, QString(), problem}});
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        throw ImportError({{0, QString(),
                            QStringLiteral("not valid JSON at character %1: %2")
                                .arg(QString::number(error.offset), error.errorString())}});
    QJsonArray objects;
    if (doc.isObject())
        objects.append(doc.object());
    else
        objects = doc.array();

    std::vector<AssessmentInput> inputs;
    std::vector<ImportProblem> problems;
    for (qsizetype i = 0; i < objects.size(); ++i)
        if (auto input = parseObject(static_cast<int>(i) + 1, objects.at(i), problems))
            inputs.push_back(std::move(*input));
    if (!problems.empty())
        throw ImportError(std::move(problems));
    return inputs;
}

std::vector<ImportedAssessment> importAssessments(const QSqlDatabase& db,
                                                  const std::vector<AssessmentInput>& inputs,
                                                  ImportOptions options)
{
    // Inside a caller's transaction a failed statement may have spoilt it
    // (PostgreSQL), so only a transaction of our own is tried again.
    const bool ownTransaction = !store::Transaction::isOpen(db);
    for (int attempt = 1;; ++attempt) {
        std::vector<qint32> newNumbers;
        try {
            return storeOnce(db, inputs, options, newNumbers);
        } catch (const store::ConnectionLostError&) {
            throw;
        } catch (const store::DatabaseError&) {
            // Rolled back by now. Another workstation storing one of our new
            // numbers first makes the whole file go again with fresh ones.
            if (!ownTransaction || attempt >= kFileAttempts || !anyNumberTaken(db, newNumbers))
                throw;
            qCInfo(store::lcStore)
                << "an assessment number of the file was taken meanwhile; storing it again";
        }
    }
}

std::optional<StoredAssessment> readAssessment(const QSqlDatabase& db, const QString& record,
                                               qint32 assessment)
{
    AssessmentRows rows;
    if (!rows.open(db, record, assessment))
        return std::nullopt;
    StoredAssessment out{rows.recordNumber(), rows.id(), rows.state(), rows.version(), {}};
    for (const AssessmentTable table : kSectionTables) {
        const store::TableDef* declared = store::table(tableName(table));
        if (!declared)
            throw std::logic_error("a section table is not declared");
        const QStringList identifiers{QStringLiteral("jkpg_id"), QStringLiteral("bianh"),
                                      sectionIdColumn(table), kVersion};
        QList<std::pair<QString, QVariant>> values;
        for (const store::ColumnDef& column : declared->columns)
            if (!identifiers.contains(column.name))
                values.append({column.name, rows.section(table).value(column.name)});
        out.answers.append({tableName(table), values});
    }
    return out;
}

} // namespace hra::domain

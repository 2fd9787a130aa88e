#include "cli/Books.h"
#include "cli/Command.h"
#include "cli/Json.h"
#include "domain/Assessment.h"
#include "domain/Audit.h"
#include "domain/GroupImport.h"
#include "domain/PersonRecords.h"
#include "domain/SheetExports.h"
#include "sheets/SheetReader.h"
#include "store/Schema.h"
#include "store/Sql.h"

#include <QFileInfo>
#include <QTextStream>
#include <functional>

namespace hra::cli {
namespace {

const QString kAddUsage = QStringLiteral(
    "--name N --sex 男|女 --age A [--record BH] [--id-card I] [--unit U] [--nation T] "
    "[--occupation T] [--marriage T] [--education T] [--phone T] [--address T] [--email T] "
    "[--ini FILE]");
const QString kShowUsage = QStringLiteral("--record BH [--ini FILE]");
const QString kRenumberUsage = QStringLiteral("--record BH --to BH2 [--ini FILE]");
const QString kDeleteUsage = QStringLiteral("--record BH [--with-assessments] [--ini FILE]");
const QString kListUsage = QStringLiteral("--xlsx OUT [--unit U] [--ini FILE]");
const QString kImportUsage =
    QStringLiteral("--file F.csv|F.xlsx [--dry-run] [--encoding E] [--sheet NAME] [--map FILE.csv] "
                   "[--ini FILE]");

// Options of "person add" and the person columns they fill.
const QList<std::pair<QString, QString>>& addOptions()
{
    static const QList<std::pair<QString, QString>> options{
        {QStringLiteral("record"), QStringLiteral("bianh")},
        {QStringLiteral("name"), QStringLiteral("xingm")},
        {QStringLiteral("sex"), QStringLiteral("xingb")},
        {QStringLiteral("age"), QStringLiteral("nianl")},
        {QStringLiteral("id-card"), QStringLiteral("shenfzh")},
        {QStringLiteral("nation"), QStringLiteral("minz")},
        {QStringLiteral("occupation"), QStringLiteral("zhiy")},
        {QStringLiteral("marriage"), QStringLiteral("hunyzk")},
        {QStringLiteral("education"), QStringLiteral("wenhcd")},
        {QStringLiteral("phone"), QStringLiteral("lianxfs")},
        {QStringLiteral("unit"), QStringLiteral("gongzdw")},
        {QStringLiteral("address"), QStringLiteral("tongxdz")},
        {QStringLiteral("email"), QStringLiteral("youj")},
    };
    return options;
}

int usage(const QString& words, const QString& line)
{
    QTextStream(stderr) << "usage: hra-cli person " << words << ' ' << line << '\n';
    return 2;
}

int fail(const QString& message)
{
    QTextStream(stderr) << "error: " << message << '\n';
    return 1;
}

int databaseFailure(const store::DatabaseError& e)
{
    return fail(QStringLiteral("database: ") + e.message());
}

int addCommand(const QStringList& raw)
{
    const Arguments args(raw);
    QStringList names{QStringLiteral("ini")};
    for (const auto& [option, column] : addOptions())
        names << option;
    if (!args.unknown(names, {}).isEmpty())
        return usage(QStringLiteral("add"), kAddUsage);
    const auto connection = connectFrom(args);
    if (!connection)
        return 1;
    try {
        const QSqlDatabase db = connection->db();
        QVariantMap values;
        for (const auto& [option, column] : addOptions()) {
            bool present = false;
            const QString text = args.value(option, &present).trimmed();
            if (!present)
                continue;
            if (column == u"nianl") {
                bool ok = false;
                const QVariant age = domain::parseNumber(text, &ok);
                values.insert(column, ok ? age : QVariant(text));
            } else {
                values.insert(column, text);
            }
        }
        // Without a number, the one after the highest, as a group import gives.
        if (values.value(QStringLiteral("bianh")).toString().isEmpty())
            values.insert(QStringLiteral("bianh"), domain::nextRecordNumber(db));
        const QString refused = domain::addPerson(db, connection->serverNow(), values);
        if (!refused.isEmpty())
            return fail(refused);
        QTextStream(stdout) << QStringLiteral("{\"record\": %1}\n")
                                   .arg(jsonString(
                                       values.value(QStringLiteral("bianh")).toString()));
        return 0;
    } catch (const store::DatabaseError& e) {
        return databaseFailure(e);
    }
}

// The record number of a command on one person, or nothing after the usage.
std::optional<QString> recordFrom(const Arguments& args, const QStringList& values,
                                  const QStringList& flags)
{
    bool present = false;
    const QString record = args.value(QStringLiteral("record"), &present).trimmed();
    if (!present || record.isEmpty() || !args.unknown(values, flags).isEmpty())
        return std::nullopt;
    return record;
}

int showCommand(const QStringList& raw)
{
    const Arguments args(raw);
    const auto record = recordFrom(args, {QStringLiteral("record"), QStringLiteral("ini")}, {});
    if (!record)
        return usage(QStringLiteral("show"), kShowUsage);
    const auto connection = connectFrom(args);
    if (!connection)
        return 1;
    try {
        const QSqlDatabase db = connection->db();
        store::RowBuffer row = domain::personBuffer();
        if (!row.load(db, {{QStringLiteral("bianh"), *record}}))
            return fail(domain::unknownRecordMessage(*record));
        QStringList fields;
        for (const store::ColumnDef& column : store::table(u"jkpg_jbxx")->columns) {
            // A photo's bytes are no text: its size stands for it.
            if (column.type == store::ColumnType::Binary)
                fields << QStringLiteral("  %1: %2")
                              .arg(jsonString(column.name))
                              .arg(row.value(column.name).toByteArray().size());
            else
                fields << QStringLiteral("  %1: %2")
                              .arg(jsonString(column.name), jsonValue(row.value(column.name)));
        }
        domain::noteAudit(
            db, {domain::AuditAction::View, *record, std::nullopt, QStringLiteral("person show")});
        QStringList ids;
        for (const domain::AssessmentSummary& a : domain::assessmentsOf(db, *record))
            ids << QString::number(a.id);
        fields << QStringLiteral("  \"assessments\": [%1]").arg(ids.join(QStringLiteral(", ")));
        QTextStream(stdout) << "{\n" << fields.join(QStringLiteral(",\n")) << "\n}\n";
        return 0;
    } catch (const store::DatabaseError& e) {
        return databaseFailure(e);
    }
}

// Connects, finds the stored person, refuses an unknown record number as the
// windows do, and reports a failing database; the work does the rest.
int withPerson(const Arguments& args, const QString& record,
               const std::function<int(const QSqlDatabase&, const domain::PersonSummary&)>& work)
{
    const auto connection = connectFrom(args);
    if (!connection)
        return 1;
    try {
        const QSqlDatabase db = connection->db();
        const auto person = domain::findPerson(db, record);
        if (!person)
            return fail(domain::unknownRecordMessage(record));
        return work(db, *person);
    } catch (const store::DatabaseError& e) {
        return databaseFailure(e);
    }
}

int renumberCommand(const QStringList& raw)
{
    const Arguments args(raw);
    const auto record = recordFrom(
        args, {QStringLiteral("record"), QStringLiteral("to"), QStringLiteral("ini")}, {});
    bool hasTo = false;
    const QString to = args.value(QStringLiteral("to"), &hasTo).trimmed();
    if (!record || !hasTo)
        return usage(QStringLiteral("renumber"), kRenumberUsage);
    return withPerson(
        args, *record, [&to](const QSqlDatabase& db, const domain::PersonSummary& person) {
            const QString problem = domain::renumberProblem(db, person.recordNumber, to);
            if (!problem.isEmpty())
                return fail(problem);
            // The number's width is the person form's, as the dialog limits typing to it.
            const QString tooWide = domain::personValueProblem(domain::PersonFormPurpose::Create,
                                                               QStringLiteral("bianh"), to);
            if (!tooWide.isEmpty())
                return fail(tooWide);
            try {
                domain::renumberPerson(db, person.recordNumber, to);
            } catch (const store::ConnectionLostError&) {
                throw;
            } catch (const store::DatabaseError&) {
                return fail(QStringLiteral("更改不成功!"));
            }
            QTextStream(stdout) << QStringLiteral("{\"record\": %1, \"was\": %2}\n")
                                       .arg(jsonString(to),
                                            jsonString(person.recordNumber.trimmed()));
            return 0;
        });
}

int deleteCommand(const QStringList& raw)
{
    const Arguments args(raw);
    const auto record = recordFrom(args, {QStringLiteral("record"), QStringLiteral("ini")},
                                   {QStringLiteral("with-assessments")});
    if (!record)
        return usage(QStringLiteral("delete"), kDeleteUsage);
    const bool withAssessments = args.flag(QStringLiteral("with-assessments"));
    return withPerson(
        args, *record, [&](const QSqlDatabase& db, const domain::PersonSummary& person) {
            const int assessments = domain::assessmentCount(db, person.recordNumber);
            // A person's assessments would be left without a person.
            if (assessments > 0 && !withAssessments)
                return fail(QStringLiteral("编号为“%1”的档案有%2次评估,未删除;"
                                           "连同评估一起删除请加 --with-assessments")
                                .arg(*record)
                                .arg(assessments));
            bool deleted = false;
            try {
                deleted = withAssessments
                              ? domain::deletePersonWithAssessments(db, person.recordNumber)
                              : domain::deletePerson(db, person.recordNumber);
            } catch (const store::ConnectionLostError&) {
                throw;
            } catch (const store::DatabaseError&) {
            }
            if (!deleted)
                return fail(QStringLiteral("删除不成功!"));
            QTextStream(stdout) << QStringLiteral("{\"record\": %1, \"assessments_deleted\": %2}\n")
                                       .arg(jsonString(*record))
                                       .arg(withAssessments ? assessments : 0);
            return 0;
        });
}

int importCommand(const QStringList& raw)
{
    const Arguments args(raw);
    bool hasFile = false;
    const QString path = args.value(QStringLiteral("file"), &hasFile);
    if (!args.unknown({QStringLiteral("file"), QStringLiteral("encoding"), QStringLiteral("sheet"),
                       QStringLiteral("map"), QStringLiteral("ini")},
                      {QStringLiteral("dry-run")})
             .isEmpty() ||
        !hasFile || path.isEmpty())
        return usage(QStringLiteral("import"), kImportUsage);
    if (refuseSource(path))
        return 1;
    QTextStream err(stderr);
    const bool dryRun = args.flag(QStringLiteral("dry-run"));
    domain::GroupImportOptions options{.dryRun = dryRun};
    std::optional<domain::ReopenedGroupRows> rows;
    try {
        bool hasMap = false;
        const QString mapPath = args.value(QStringLiteral("map"), &hasMap);
        if (hasMap) {
            if (refuseSource(mapPath))
                return 1;
            QList<domain::GroupRow> mapRows;
            for (const sheets::Row& r : sheets::readSheet(mapPath).rows)
                mapRows << domain::GroupRow{r.number, r.cells};
            options.headerMap = domain::readHeaderMap(mapRows);
        }
        const sheets::ReadOptions read{.encoding = args.value(QStringLiteral("encoding")),
                                       .sheet = args.value(QStringLiteral("sheet"))};
        rows.emplace([path, read] { return domain::sheetGroupRows(path, read); });
        if (rows->header().isEmpty())
            return fail(QStringLiteral("文件中没有表头"));
    } catch (const sheets::SheetError& e) {
        return fail(e.message());
    } catch (const domain::GroupImportError& e) {
        for (const QString& line : domain::problemLines(e))
            err << "error: " << line << '\n';
        return 1;
    }
    const auto connection = connectFrom(args);
    if (!connection)
        return 1;
    try {
        const std::vector<domain::GroupImportedRow> done = domain::importGroup(
            connection->db(), connection->serverNow(), rows->header(), *rows, options);
        const domain::GroupImportSummary summary = domain::summarise(done);
        QStringList lines;
        for (const domain::GroupImportedRow& r : done)
            lines << QStringLiteral("  {\"row\": %1, \"record\": %2, \"assessment\": %3, "
                                    "\"new_person\": %4}")
                         .arg(r.row)
                         .arg(jsonString(r.record),
                              r.assessment ? QString::number(*r.assessment)
                                           : QStringLiteral("null"),
                              r.newPerson ? QStringLiteral("true") : QStringLiteral("false"));
        const QString array =
            lines.isEmpty() ? QStringLiteral("[]")
                            : QStringLiteral("[\n%1\n]").arg(lines.join(QStringLiteral(",\n")));
        if (dryRun) {
            QTextStream(stdout) << QStringLiteral(
                                       "{\"dry_run\": true, \"rows\": %1, "
                                       "\"new_persons\": %2, "
                                       "\"further_assessments\": %3, \"would_store\": %4}\n")
                                       .arg(done.size())
                                       .arg(summary.newPersons)
                                       .arg(summary.furtherAssessments)
                                       .arg(array);
            return 0;
        }
        QTextStream(stdout) << array << '\n';
        if (summary.furtherAssessments > 0)
            err << "note: " << summary.furtherAssessmentsText() << '\n';
        return 0;
    } catch (const domain::GroupImportError& e) {
        for (const QString& line : domain::problemLines(e))
            err << "error: " << line << '\n';
        err << domain::nothingStoredText() << '\n';
    } catch (const sheets::SheetError& e) {
        err << "error: " << e.message() << '\n' << domain::nothingStoredText() << '\n';
    } catch (const store::DatabaseError& e) {
        err << "error: database: " << e.message() << '\n' << domain::nothingStoredText() << '\n';
    }
    return 1;
}

// Every person (of one work unit) into a book, in record-number order.
int listCommand(const QStringList& raw)
{
    const Arguments args(raw);
    bool toBook = false;
    const QString book = args.value(QStringLiteral("xlsx"), &toBook);
    if (!toBook || book.isEmpty() ||
        !args.unknown({QStringLiteral("xlsx"), QStringLiteral("unit"), QStringLiteral("ini")}, {})
             .isEmpty())
        return usage(QStringLiteral("list"), kListUsage);
    const auto connection = connectFrom(args);
    if (!connection)
        return 1;
    domain::PersonListing listing(QString(), domain::personSheetColumns());
    listing.setUnit(args.value(QStringLiteral("unit")));
    const int status = writeBook(book, *connection, [&](sheets::XlsxWriter& out) {
        domain::writePersonSheet(connection->db(), listing, out);
    });
    if (status == 0)
        domain::noteAudit(
            connection->db(),
            {domain::AuditAction::View,
             {},
             std::nullopt,
             QStringLiteral("导出人员名单%1 → %2")
                 .arg(listing.unit().isEmpty() ? QString()
                                               : QStringLiteral("(%1)").arg(listing.unit()),
                      QFileInfo(book).fileName())});
    return status;
}

} // namespace

std::vector<Command> personCommands()
{
    return {
        {{QStringLiteral("person"), QStringLiteral("add")}, kAddUsage, addCommand},
        {{QStringLiteral("person"), QStringLiteral("show")}, kShowUsage, showCommand},
        {{QStringLiteral("person"), QStringLiteral("renumber")}, kRenumberUsage, renumberCommand},
        {{QStringLiteral("person"), QStringLiteral("delete")}, kDeleteUsage, deleteCommand},
        {{QStringLiteral("person"), QStringLiteral("import")}, kImportUsage, importCommand},
        {{QStringLiteral("person"), QStringLiteral("list")}, kListUsage, listCommand},
    };
}

} // namespace hra::cli

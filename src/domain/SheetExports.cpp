#include "domain/SheetExports.h"

#include "domain/PersonListColumns.h"
#include "store/Schema.h"
#include "store/Sql.h"

#include <algorithm>

namespace hra::domain {

namespace {

constexpr int kPageSize = 1000;
constexpr double kDateTimeWidth = 20; // "2024-03-05 08:30:15"

// A stored value as its declared column holds it: numbers and dates stay
// numbers and dates in the book, text stays text (an identity number too).
sheets::SheetValue cellOf(const QVariant& value, const store::ColumnDef* column)
{
    if (store::isNull(value))
        return {};
    if (column && column->isNumber()) {
        bool ok = false;
        const double number = value.toDouble(&ok);
        if (ok)
            return number;
    }
    if (column && column->type == store::ColumnType::DateTime) {
        const QDateTime time = value.toDateTime();
        if (time.isValid())
            return time;
    }
    QString text = value.toString();
    if (column && column->type == store::ColumnType::FixedText) {
        // The server pads it; the padding is no part of the value.
        while (text.endsWith(u' '))
            text.chop(1);
    }
    return text;
}

bool proceed(const ExportProgress& progress, qint64 rows)
{
    return !progress || progress(rows);
}

} // namespace

const QStringList& searchCaptions()
{
    static const QStringList captions{QStringLiteral("编号"),     QStringLiteral("姓名"),
                                      QStringLiteral("性别"),     QStringLiteral("状态"),
                                      QStringLiteral("评估日期"), QStringLiteral("年龄")};
    return captions;
}

QStringList personSheetColumns()
{
    QStringList columns;
    for (const ListColumn& c : personListColumns())
        if (c.column != QLatin1String("zhaop"))
            columns << c.column;
    return columns;
}

bool writeSearchSheet(const QSqlDatabase& db, const AssessmentSearch& search,
                      sheets::XlsxWriter& book, const ExportProgress& progress)
{
    book.addSheet(QStringLiteral("信息查询"), searchCaptions(), {12, 10, 6, 8, kDateTimeWidth, 6});
    std::optional<qint32> below;
    for (;;) {
        const QList<FoundAssessment> page = search.page(db, below, kPageSize);
        for (const FoundAssessment& a : page) {
            bool isNumber = false;
            const double age = a.age.toDouble(&isNumber);
            book.addRow({a.recordNumber, a.name, a.sex, a.state,
                         a.date.isValid() ? sheets::SheetValue(a.date) : sheets::SheetValue(),
                         store::isNull(a.age) ? sheets::SheetValue()
                         : isNumber           ? sheets::SheetValue(age)
                                              : sheets::SheetValue(a.age.toString())});
        }
        if (!proceed(progress, book.rows()))
            return false;
        if (page.size() < kPageSize)
            return true;
        below = page.back().id;
    }
}

bool writePersonSheet(const QSqlDatabase& db, const PersonListing& listing,
                      sheets::XlsxWriter& book, const ExportProgress& progress)
{
    QStringList captions;
    QList<double> widths;
    std::vector<const store::ColumnDef*> declared;
    for (const QString& name : listing.columns()) {
        const auto& all = personListColumns();
        const auto it = std::find_if(all.begin(), all.end(),
                                     [&](const ListColumn& c) { return c.column == name; });
        captions << (it != all.end() ? it->caption : name);
        declared.push_back(store::column(u"jkpg_jbxx", name));
        const bool isTime = declared.back() && declared.back()->type == store::ColumnType::DateTime;
        widths << (isTime ? kDateTimeWidth
                          : std::clamp(double(declared.back() ? declared.back()->width : 10) + 2,
                                       8.0, 40.0));
    }
    book.addSheet(QStringLiteral("人员"), captions, widths);
    std::optional<QString> after;
    for (;;) {
        const QList<QVariantList> page = listing.page(db, after, kPageSize);
        for (const QVariantList& values : page) {
            std::vector<sheets::SheetValue> row;
            row.reserve(values.size());
            for (qsizetype i = 0; i < values.size(); ++i)
                row.push_back(cellOf(values.at(i), declared.at(std::size_t(i))));
            book.addRow(row);
        }
        if (!proceed(progress, book.rows()))
            return false;
        if (page.size() < kPageSize)
            return true;
        after = page.back().at(listing.keyColumn()).toString();
    }
}

} // namespace hra::domain

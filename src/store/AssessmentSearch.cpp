#include "store/AssessmentSearch.h"

#include "store/Dialect.h"

namespace hra::store {

namespace {

std::optional<int> wholeNumber(const QString& text)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

} // namespace

std::optional<AssessmentSearch> AssessmentSearch::build(const SearchCriteria& c)
{
    AssessmentSearch s;
    const QString number = c.recordNumber.trimmed();
    const QString name = c.name.trimmed();
    const QString sex = c.sex.trimmed();
    QStringList lines{QStringLiteral("1<2")};
    if (!number.isEmpty()) {
        lines << QStringLiteral("bianh=:bh");
        s.m_bindings.push_back({QStringLiteral("bh"), number});
    }
    if (!name.isEmpty()) {
        lines << QStringLiteral("xingm=:xm");
        s.m_bindings.push_back({QStringLiteral("xm"), name});
    }
    if (!sex.isEmpty()) {
        lines << QStringLiteral("xingb=:xb");
        s.m_bindings.push_back({QStringLiteral("xb"), sex});
    }
    const QString from = c.ageFrom.trimmed();
    const QString to = c.ageTo.trimmed();
    // One bound alone means no age condition.
    if (!from.isEmpty() && !to.isEmpty()) {
        const auto low = wholeNumber(from);
        const auto high = wholeNumber(to);
        if (!low || !high)
            return std::nullopt;
        if (*low > *high) {
            // Finds nothing; said as a constant so that the database knows
            // without walking every assessment for a match.
            lines << QStringLiteral("1>2");
        } else {
            lines << QStringLiteral("nianl between :nianl_q and :nianl_z");
            s.m_bindings.push_back({QStringLiteral("nianl_q"), *low});
            s.m_bindings.push_back({QStringLiteral("nianl_z"), *high});
        }
    }
    if (c.useDates) {
        // Whole days as date-times, the end open: a row stored at 23:59:59.5
        // of the last day counts, and no text format of the column matters.
        lines << QStringLiteral("lurrq >= :date_q and lurrq < :date_z");
        s.m_bindings.push_back({QStringLiteral("date_q"), QDateTime(c.dateFrom, QTime(0, 0))});
        s.m_bindings.push_back(
            {QStringLiteral("date_z"), QDateTime(c.dateTo.addDays(1), QTime(0, 0))});
    }
    s.m_conditions = lines.join(QStringLiteral("\n and "));
    return s;
}

QList<FoundAssessment> AssessmentSearch::page(const QSqlDatabase& db, std::optional<qint32> below,
                                              int limit) const
{
    QString sql =
        QStringLiteral(
            "select bianh, xingm, xingb, zhuangt, lurrq, nianl, jkpg_id from v_jkpg_jbxx\n"
            " where %1")
            .arg(m_conditions);
    Bindings bindings = m_bindings;
    if (below) {
        sql += QStringLiteral("\n and jkpg_id < :after");
        bindings.push_back({QStringLiteral("after"), *below});
    }
    sql += QStringLiteral("\n order by jkpg_id desc");
    const Rows rows = select(db, Dialect::of(db).firstRows(sql, limit), bindings);
    QList<FoundAssessment> out;
    out.reserve(rows.size());
    for (const QVariantList& r : rows.rows) {
        out << FoundAssessment{r.value(0).toString(),   r.value(1).toString(),
                               r.value(2).toString(),   r.value(3).toString(),
                               r.value(4).toDateTime(), r.value(5),
                               r.value(6).toInt()};
    }
    return out;
}

QList<FoundAssessment> AssessmentSearch::all(const QSqlDatabase& db, int pageSize) const
{
    QList<FoundAssessment> out;
    std::optional<qint32> below;
    for (;;) {
        const QList<FoundAssessment> next = page(db, below, pageSize);
        out << next;
        if (next.size() < pageSize)
            return out;
        below = next.last().id;
    }
}

void deleteAssessment(const QSqlDatabase& db, const QString& recordNumber, qint32 assessmentId)
{
    // The section rows first, the register row last: the order the rows were
    // made in reverse, so nothing is ever left pointing at a missing row.
    static const char* const tables[] = {"jkpg_mqzk", "jkpg_ssyy", "jkpg_ydfs",
                                         "jkpg_shfs", "jkpg_tgjc", "jkpg_id"};
    Transaction transaction(db);
    for (const char* table : tables) {
        run(db,
            QStringLiteral("delete from %1 where bianh=:bh and jkpg_id=:jkpgid")
                .arg(QLatin1String(table)),
            {{QStringLiteral("bh"), recordNumber}, {QStringLiteral("jkpgid"), assessmentId}});
    }
    transaction.commit();
}

} // namespace hra::store

#include "domain/AssessmentSearch.h"

#include "domain/Audit.h"
#include "store/Dialect.h"

#include <algorithm>

namespace hra::domain {

namespace {

std::optional<int> wholeNumber(const QString& text)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

} // namespace

std::optional<AssessmentSearch> AssessmentSearch::build(const SearchCriteria& c,
                                                        const StartLimits& limits)
{
    AssessmentSearch s;
    s.m_limits = limits;
    const QString number = c.recordNumber.trimmed();
    const QString name = c.name.trimmed();
    const QString sex = c.sex.trimmed();
    const auto add = [&s](Start start, const char* column, const char* test,
                          store::Bindings values) {
        s.m_indexed.push_back(
            {start, QLatin1String(column), QLatin1String(test), std::move(values)});
    };
    if (!number.isEmpty())
        add(Start::RecordNumber, "bianh", "=:bh", {{QStringLiteral("bh"), number}});
    if (!name.isEmpty()) {
        // Part of a name finds it ("张" finds 张三); the signs LIKE reads are
        // escaped so that they match only themselves.
        QString pattern;
        for (const QChar ch : name) {
            if (ch == u'!' || ch == u'%' || ch == u'_' || ch == u'[')
                pattern += u'!';
            pattern += ch;
        }
        add(Start::Name, "xingm", " like :xm escape '!'",
            {{QStringLiteral("xm"), u'%' + pattern + u'%'}});
    }
    if (!sex.isEmpty())
        add(Start::SexAndAge, "xingb", "=:xb", {{QStringLiteral("xb"), sex}});
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
            s.m_none = true;
        } else {
            add(Start::SexAndAge, "nianl", " between :nianl_q and :nianl_z",
                {{QStringLiteral("nianl_q"), *low}, {QStringLiteral("nianl_z"), *high}});
        }
    }
    if (c.useDates) {
        // Dates given the wrong way round mean the days between them.
        const auto [first, last] = std::minmax(c.dateFrom, c.dateTo);
        // Whole days as date-times, the end open: a row stored at 23:59:59.5
        // of the last day counts, and no text format of the column matters.
        add(Start::Dates, "lurrq", " >= :date_q",
            {{QStringLiteral("date_q"), QDateTime(first, QTime(0, 0))}});
        // The day after 9999-12-31 has no four-digit year, and its text
        // would sort before every stored time: that end stays open.
        if (last.addDays(1).year() <= 9999)
            add(Start::Dates, "lurrq", " < :date_z",
                {{QStringLiteral("date_z"), QDateTime(last.addDays(1), QTime(0, 0))}});
    }
    QStringList lines{QStringLiteral("1<2")};
    for (const Condition& condition : s.m_indexed) {
        lines << condition.column + condition.test;
        s.m_bindings.insert(s.m_bindings.end(), condition.bindings.begin(),
                            condition.bindings.end());
    }
    if (s.m_none)
        lines << QStringLiteral("1>2");
    s.m_conditions = lines.join(QStringLiteral("\n and "));
    return s;
}

std::optional<AssessmentSearch::Plan> AssessmentSearch::fewMatch(const QSqlDatabase& db,
                                                                 Start start) const
{
    // Persons for the person's own data, assessments for the dates; each
    // counted through its index, and never past the limit.
    const bool dates = start == Start::Dates;
    const int limit = dates ? m_limits.assessments : m_limits.persons;
    QStringList tests;
    store::Bindings bindings;
    for (const Condition& c : m_indexed) {
        if (c.start != start)
            continue;
        tests << c.column + c.test;
        bindings.insert(bindings.end(), c.bindings.begin(), c.bindings.end());
    }
    const QString matching =
        store::Dialect::of(db).firstRows(QStringLiteral("select %1 from %2 where %3")
                                             .arg(QLatin1String(dates ? "jkpg_id" : "1 as one"),
                                                  QLatin1String(dates ? "jkpg_id" : "jkpg_jbxx"),
                                                  tests.join(QStringLiteral(" and "))),
                                         limit);
    if (!dates) {
        const int count =
            store::scalar(db, QStringLiteral("select count(*) from (%1) t").arg(matching), bindings)
                .toInt();
        return count < limit ? std::optional<Plan>(Plan{start, {}}) : std::nullopt;
    }
    // The lowest and highest assessment number within the dates come from the
    // same read of the date index.
    const store::Rows rows = store::select(
        db, QStringLiteral("select count(*), min(jkpg_id), max(jkpg_id) from (%1) t").arg(matching),
        bindings);
    const int count = rows.rows.value(0).value(0).toInt();
    if (count >= limit)
        return std::nullopt;
    Plan plan{start, {}};
    // Numbers are given in order, so the assessments of a few days mostly
    // lie together; walking the numbers between them newest first then
    // stops after a page of matches, where a sort would read every one.
    // Numbers spread widely (an older assessment saved again, which stamps
    // it with the day of the save) are sorted instead.
    if (count > 0) {
        const qint64 low = rows.rows[0].value(1).toLongLong();
        const qint64 high = rows.rows[0].value(2).toLongLong();
        if (high - low + 1 <= qint64(m_limits.spread) * count)
            plan.numbers = {qint32(low), qint32(high)};
    }
    return plan;
}

AssessmentSearch::Plan AssessmentSearch::planOf(const QSqlDatabase& db) const
{
    if (m_plan)
        return *m_plan;
    Plan chosen{Start::Newest, {}};
    if (!m_none) {
        for (const Start start :
             {Start::RecordNumber, Start::Name, Start::Dates, Start::SexAndAge}) {
            const bool given =
                std::any_of(m_indexed.begin(), m_indexed.end(),
                            [start](const Condition& c) { return c.start == start; });
            if (!given)
                continue;
            // A record number is one person's assessments: always few.
            const std::optional<Plan> plan =
                start == Start::RecordNumber ? Plan{start, {}} : fewMatch(db, start);
            if (plan) {
                chosen = *plan;
                break;
            }
        }
    }
    m_plan = chosen;
    return chosen;
}

QList<FoundAssessment> AssessmentSearch::page(const QSqlDatabase& db, std::optional<qint32> below,
                                              int limit) const
{
    const store::Dialect dialect = store::Dialect::of(db);
    const Plan plan = planOf(db);
    // Walking newest first, a page continues down the index of assessment
    // numbers (between the numbers of the dates where they lie together).
    // Otherwise the number only filters, and "+ 0" keeps the database from
    // walking that index in search of the few rows that match.
    const bool walk = plan.start == Start::Newest || plan.numbers;
    // Only the conditions of the chosen start may be looked up through their
    // index; the others are tested on the rows it gives.
    QStringList lines{QStringLiteral("1<2")};
    store::Bindings bindings;
    for (const Condition& c : m_indexed) {
        const bool indexed = c.start == plan.start && !walk;
        lines << (indexed ? c.column : dialect.withoutIndex(c.column)) + c.test;
        bindings.insert(bindings.end(), c.bindings.begin(), c.bindings.end());
    }
    if (m_none)
        lines << QStringLiteral("1>2");
    const QString id = QStringLiteral("jkpg_id");
    if (plan.numbers) {
        lines << QStringLiteral("jkpg_id between :number_q and :number_z");
        bindings.push_back({QStringLiteral("number_q"), plan.numbers->first});
        bindings.push_back({QStringLiteral("number_z"), plan.numbers->second});
    }
    if (below) {
        lines << (walk ? id : dialect.withoutIndex(id)) + QStringLiteral(" < :after");
        bindings.push_back({QStringLiteral("after"), *below});
    }
    const QString sql =
        QStringLiteral(
            "select bianh, xingm, xingb, zhuangt, lurrq, nianl, jkpg_id from v_jkpg_jbxx\n"
            " where %1\n order by %2")
            .arg(lines.join(QStringLiteral("\n and ")),
                 walk ? QStringLiteral("jkpg_id desc") : QStringLiteral("jkpg_id + 0 desc"));
    const store::Rows rows = store::select(db, dialect.firstRows(sql, limit), bindings);
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
    store::Transaction transaction(db);
    for (const char* table : tables) {
        store::run(
            db,
            QStringLiteral("delete from %1 where bianh=:bh and jkpg_id=:jkpgid")
                .arg(QLatin1String(table)),
            {{QStringLiteral("bh"), recordNumber}, {QStringLiteral("jkpgid"), assessmentId}});
    }
    writeAudit(db, {AuditAction::Delete, recordNumber, assessmentId, QStringLiteral("评估")});
    transaction.commit();
}

QString describeCriteria(const SearchCriteria& c)
{
    QStringList parts;
    if (!c.recordNumber.trimmed().isEmpty())
        parts << QStringLiteral("编号 ") + c.recordNumber.trimmed();
    if (!c.name.trimmed().isEmpty())
        parts << QStringLiteral("姓名含 ") + c.name.trimmed();
    if (!c.sex.trimmed().isEmpty())
        parts << QStringLiteral("性别 ") + c.sex.trimmed();
    if (!c.ageFrom.trimmed().isEmpty() || !c.ageTo.trimmed().isEmpty())
        parts << QStringLiteral("年龄 %1-%2").arg(c.ageFrom.trimmed(), c.ageTo.trimmed());
    if (c.useDates)
        parts << QStringLiteral("日期 %1~%2")
                     .arg(c.dateFrom.toString(Qt::ISODate), c.dateTo.toString(Qt::ISODate));
    return parts.isEmpty() ? QStringLiteral("全部") : parts.join(QStringLiteral("; "));
}

} // namespace hra::domain

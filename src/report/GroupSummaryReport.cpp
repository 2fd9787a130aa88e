#include "report/GroupSummaryReport.h"

#include "analysis/DatabaseReferenceData.h"
#include "analysis/InputViews.h"
#include "reportengine/DataSource.h"
#include "reportengine/Report.h"
#include "sheets/XlsxWriter.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cmath>

namespace hra::report {
namespace {

using analysis::GroupColumn;
using analysis::kGroupColumnCount;
using store::Bindings;
using store::Rows;

// The chosen assessments: of each person of the unit, the highest number
// entered in the dates (numbers grow as assessments are made).
QString chosenWhere(const GroupChoice& choice, Bindings& bindings)
{
    bindings.emplace_back(QStringLiteral("dw"), choice.unit);
    QString dates;
    if (choice.from) {
        dates += QStringLiteral(" and b.lurrq>=:rq_q");
        bindings.emplace_back(QStringLiteral("rq_q"), QDateTime(*choice.from, QTime(0, 0)));
    }
    if (choice.to) {
        dates += QStringLiteral(" and b.lurrq<:rq_z");
        bindings.emplace_back(QStringLiteral("rq_z"),
                              QDateTime(choice.to->addDays(1), QTime(0, 0)));
    }
    return QStringLiteral("a.bianh=jb.bianh and jb.gongzdw=:dw and a.jkpg_id=(select "
                          "max(b.jkpg_id) from jkpg_id b where b.bianh=jb.bianh%1)")
        .arg(dates);
}

// The columns of each section the evaluations read, by alias.
struct SectionColumns
{
    const char* alias;
    QStringList columns;
};

const std::vector<SectionColumns>& sectionColumns()
{
    static const std::vector<SectionColumns> sections = {
        {"tg",
         {"sheng", "tiz", "tizzs", "yaow", "shousy", "shuzy", "zongdgc", "ganysz", "gaomdzdb",
          "dimdzdb", "kongfxt", "canhexsxt", "tanghxhdb", "xuens", "zhifg_bc", "jiangyy"}},
        {"sh", {"shifxy", "xiyzs", "shifyj", "meirjl"}},
        {"yd", {"yundjg"}},
        {"mq",
         {"erxtnb", "yixtnb", "guanxb", "naocx", "naoxs", "qitxzb", "gaoxyxxzb", "xiantxxzb",
          "feixb", "jiazs_1tnb", "jiazs_2tnb", "jiazs_gxb", "jiazs_nzz", "jiazs_ncx", "jiazs_nxs"}},
    };
    return sections;
}

QString numberOrEmpty(const std::optional<double>& age)
{
    return age ? QString::number(*age, 'f', 0) : QString();
}

QVariant percentValue(analysis::Fraction f)
{
    const std::optional<double> p = analysis::fractionPercent(f);
    return p ? QVariant(std::round(*p * 10) / 10) : QVariant();
}

} // namespace

std::vector<analysis::GroupMember> readGroupMembers(store::Sql& statements,
                                                    const GroupChoice& choice)
{
    // One statement: the chosen assessment of each person is found once, and
    // each section joined to it by its assessment number, when it was saved.
    Bindings bindings;
    const QString where = chosenWhere(choice, bindings);
    QStringList selected{QStringLiteral("jb.bianh bianh"), QStringLiteral("jb.xingm xingm"),
                         QStringLiteral("jb.xingb xingb"), QStringLiteral("jb.nianl nianl"),
                         QStringLiteral("jb.zhiy zhiy")};
    const int personFields = int(selected.size());
    QString joins;
    const QStringList tables{QStringLiteral("jkpg_tgjc"), QStringLiteral("jkpg_shfs"),
                             QStringLiteral("jkpg_ydfs"), QStringLiteral("jkpg_mqzk")};
    for (size_t i = 0; i < sectionColumns().size(); ++i) {
        const QString alias = QLatin1String(sectionColumns()[i].alias);
        selected << QStringLiteral("%1.jkpg_id %1_jkpg_id").arg(alias);
        for (const QString& column : sectionColumns()[i].columns)
            selected << QStringLiteral("%1.%2 %2").arg(alias, column);
        joins += QStringLiteral(" left join %1 %2 on %2.jkpg_id=a.jkpg_id").arg(tables[i], alias);
    }
    // Before the group's statement: no other may run while its rows are read.
    analysis::InputViews views;
    views.centre = statements.select(QStringLiteral("select * from jkpg_pgzx"));
    // Read a row at a time: the group's rows are never held all at once.
    QSqlQuery rows = statements.run(
        QStringLiteral("select %1 from jkpg_jbxx jb join jkpg_id a on %2%3 order by jb.bianh")
            .arg(selected.join(u','), where, joins),
        bindings);

    // The person's part of each view, then each section's columns.
    Rows person;
    const QSqlRecord record = rows.record();
    for (int i = 0; i < personFields; ++i)
        person.fields << record.fieldName(i).toLower();
    std::vector<Rows> sections(sectionColumns().size());
    for (size_t i = 0; i < sections.size(); ++i) {
        sections[i].fields = person.fields;
        sections[i].fields += sectionColumns()[i].columns;
    }
    std::vector<analysis::GroupMember> members;
    QVariantList r;
    while (rows.next()) {
        r.clear();
        for (int i = 0; i < record.count(); ++i)
            r << store::normalised(rows.value(i));
        person.rows = {r.mid(0, personFields)};
        int at = personFields;
        for (size_t i = 0; i < sections.size(); ++i) {
            const int count = int(sectionColumns()[i].columns.size());
            sections[i].rows.clear();
            if (!store::isNull(r[at]))
                sections[i].rows << (person.rows.front() + r.mid(at + 1, count));
            at += 1 + count;
        }
        views.exam = sections[0];
        views.lifestyle = sections[1];
        views.exercise = sections[2];
        views.status = sections[3];

        analysis::GroupMember m;
        m.recordNo = r[0].toString();
        m.name = r[1].toString();
        m.exam = analysis::examInput(views);
        // Without an examination the person still has a sex and an age.
        if (views.exam.isEmpty()) {
            m.exam.sex = analysis::textField(person, QStringLiteral("xingb"));
            m.exam.age = analysis::numberField(person, QStringLiteral("nianl"));
        }
        m.lifestyle = analysis::lifestyleInput(views);
        m.exerciseVerdict = analysis::textField(views.exercise, QStringLiteral("yundjg"));
        m.chinaPar = analysis::chinaParInput(views);
        m.diabetesScore = analysis::diabetesScoreInput(views);
        members.push_back(std::move(m));
    }
    // A link lost while reading ends the rows early: say so, never count half a group.
    if (rows.lastError().isValid())
        throw store::DatabaseError(rows.lastError().text());
    return members;
}

GroupSummaryData readGroupSummary(store::Sql& statements, const GroupChoice& choice)
{
    const std::vector<analysis::GroupMember> members = readGroupMembers(statements, choice);
    analysis::DatabaseReferenceData reference(statements);
    return {choice, analysis::summarizeGroup(members, reference)};
}

QString datesText(const GroupChoice& choice)
{
    const auto text = [](const QDate& d) { return d.toString(QStringLiteral("yyyy-MM-dd")); };
    if (choice.from && choice.to)
        return text(*choice.from) + QStringLiteral(" 至 ") + text(*choice.to);
    if (choice.from)
        return text(*choice.from) + QStringLiteral(" 起");
    if (choice.to)
        return QStringLiteral("至 ") + text(*choice.to);
    return QStringLiteral("全部日期");
}

std::vector<SummaryTable> summaryTables(const GroupSummaryData& data)
{
    const analysis::GroupSummary& s = data.summary;
    const auto& titles = analysis::groupColumnTitles();
    std::vector<SummaryTable> tables;

    tables.push_back({QStringLiteral("概况"),
                      {QStringLiteral("单位"), QStringLiteral("日期"), QStringLiteral("人数"),
                       QStringLiteral("重点随访人数")},
                      {QStringLiteral("danw"), QStringLiteral("rqfw"), QStringLiteral("rens"),
                       QStringLiteral("sfrs")},
                      {{data.choice.unit, datesText(data.choice), s.persons[analysis::AllPersons],
                        int(s.followUp.size())}}});

    SummaryTable who{QStringLiteral("人员构成"),
                     {QStringLiteral("分组"), QStringLiteral("人数")},
                     {QStringLiteral("zub"), QStringLiteral("rens")},
                     {}};
    for (int c = 0; c < kGroupColumnCount; ++c)
        who.rows << QVariantList{titles[c], s.persons[c]};
    if (s.unknownSex > 0)
        who.rows << QVariantList{QStringLiteral("性别未填"), s.unknownSex};
    if (s.unknownAge > 0)
        who.rows << QVariantList{QStringLiteral("年龄未填"), s.unknownAge};
    tables.push_back(who);

    SummaryTable prevalence{QStringLiteral("患病率"),
                            {QStringLiteral("类别"), QStringLiteral("项目")},
                            {QStringLiteral("leib"), QStringLiteral("xiangm")},
                            {}};
    for (int c = 0; c < kGroupColumnCount; ++c) {
        prevalence.headers << titles[c] + QStringLiteral("检出人数")
                           << titles[c] + QStringLiteral("受检人数")
                           << titles[c] + QStringLiteral("检出率(%)");
        prevalence.fields << QStringLiteral("n%1").arg(c) << QStringLiteral("d%1").arg(c)
                          << QStringLiteral("p%1").arg(c);
    }
    for (const analysis::PrevalenceRow& row : s.prevalence) {
        QVariantList values{row.category, row.item};
        for (const analysis::Fraction& f : row.cells)
            values << f.numerator << f.denominator << percentValue(f);
        prevalence.rows << values;
    }
    tables.push_back(prevalence);

    SummaryTable followUp{QStringLiteral("重点随访"),
                          {QStringLiteral("序号"), QStringLiteral("编号"), QStringLiteral("姓名"),
                           QStringLiteral("性别"), QStringLiteral("年龄"), QStringLiteral("原因")},
                          {QStringLiteral("xuh"), QStringLiteral("bianh"), QStringLiteral("xingm"),
                           QStringLiteral("xingb"), QStringLiteral("nianl"),
                           QStringLiteral("yuany")},
                          {}};
    int n = 0;
    for (const analysis::FollowUp& f : s.followUp)
        followUp.rows << QVariantList{++n,
                                      f.recordNo,
                                      f.name,
                                      f.sex.value_or(QString()),
                                      f.age ? QVariant(*f.age) : QVariant(),
                                      f.reasons.join(QStringLiteral("；"))};
    tables.push_back(followUp);
    return tables;
}

QString writeSummaryBook(const GroupSummaryData& data, const QString& path,
                         const QStringList& protectedFiles)
{
    try {
        sheets::XlsxWriter book(path, protectedFiles);
        for (const SummaryTable& table : summaryTables(data)) {
            book.addSheet(table.title, table.headers);
            for (const QVariantList& row : table.rows) {
                std::vector<sheets::SheetValue> cells;
                for (const QVariant& v : row) {
                    if (store::isNull(v))
                        cells.emplace_back(std::monostate());
                    else if (v.typeId() == QMetaType::QString)
                        cells.emplace_back(v.toString());
                    else
                        cells.emplace_back(v.toDouble());
                }
                book.addRow(cells);
            }
        }
        book.close();
        return {};
    } catch (const sheets::SheetWriteError& e) {
        return e.message();
    }
}

void addGroupSummarySources(reportengine::Report& report, const GroupSummaryData& data)
{
    using reportengine::TableDataSource;
    const analysis::GroupSummary& s = data.summary;
    const auto& titles = analysis::groupColumnTitles();
    const int total = s.persons[analysis::AllPersons];
    auto add = [&report](const QString& name, const QStringList& fields,
                         const QList<QVariantList>& rows) {
        report.dataSources().add(std::make_shared<TableDataSource>(name, fields, rows));
    };
    const std::vector<SummaryTable> tables = summaryTables(data);

    QVariantList heading = tables[0].rows.front();
    // Both notes always say something, so that no box prints empty.
    heading << (total == 0 ? QStringLiteral("所选单位在所选日期内没有评估记录，无从统计。")
                           : QStringLiteral("统计每人在所选日期内最近一次评估的结果。"))
            << (total == 0 ? QStringLiteral("所选单位在所选日期内没有评估记录。")
                : s.followUp.empty()
                    ? QStringLiteral("本次评估中没有需要重点随访的人员。")
                    : QStringLiteral("共%1人，按编号排列。").arg(s.followUp.size()));
    add(QStringLiteral("frxDB_tjhz"),
        tables[0].fields + QStringList{QStringLiteral("shuom"), QStringLiteral("sfsm")}, {heading});

    QList<QVariantList> who;
    for (const QVariantList& row : tables[1].rows)
        who << QVariantList{row[0], row[1], analysis::fractionText({row[1].toInt(), total})};
    add(QStringLiteral("frxDB_tjhz_rs"),
        {QStringLiteral("zub"), QStringLiteral("rens"), QStringLiteral("zhanb")}, who);

    QStringList prevalenceFields{QStringLiteral("leib"), QStringLiteral("xiangm")};
    for (int c = 0; c < kGroupColumnCount; ++c)
        prevalenceFields << QStringLiteral("c%1").arg(c);
    QList<QVariantList> prevalence;
    QString lastCategory;
    for (const analysis::PrevalenceRow& row : s.prevalence) {
        // The category prints on its first row only.
        QVariantList values{row.category == lastCategory ? QString() : row.category, row.item};
        lastCategory = row.category;
        for (const analysis::Fraction& f : row.cells)
            values << analysis::fractionText(f);
        prevalence << values;
    }
    add(QStringLiteral("frxDB_tjhz_yb"), prevalenceFields, prevalence);

    const QStringList& charted = analysis::chartedItems();
    for (int i = 0; i < charted.size(); ++i) {
        QList<QVariantList> bars;
        for (const analysis::PrevalenceRow& row : s.prevalence) {
            if (row.item != charted[i])
                continue;
            for (int c = analysis::Men; c < kGroupColumnCount; ++c)
                bars << QVariantList{row.item, titles[c], percentValue(row.cells[c])};
        }
        add(QStringLiteral("frxDB_tjhz_tb%1").arg(i + 1),
            {QStringLiteral("xiangm"), QStringLiteral("zub"), QStringLiteral("lv")}, bars);
    }

    QList<QVariantList> followUp;
    for (const QVariantList& row : tables[3].rows) {
        QVariantList r = row;
        r[4] = row[4].isNull() ? QString() : numberOrEmpty(row[4].toDouble());
        followUp << r;
    }
    add(QStringLiteral("frxDB_tjhz_sf"), tables[3].fields, followUp);
}

domain::AuditEntry groupSummaryAudit(domain::AuditAction action, const GroupChoice& choice,
                                     const QString& file)
{
    QString detail = QStringLiteral("团体报告 %1 %2").arg(choice.unit.trimmed(), datesText(choice));
    if (!file.isEmpty())
        detail += QStringLiteral(" → ") + QFileInfo(file).fileName();
    return {action, {}, std::nullopt, detail};
}

} // namespace hra::report

#include "analysis/AnalysisSession.h"

#include "analysis/BloodPressureGrade.h"
#include "analysis/DatabaseReferenceData.h"
#include "analysis/DietEvaluation.h"
#include "analysis/DiseaseIndices.h"
#include "analysis/ExercisePrescription.h"
#include "analysis/LabJudgement.h"
#include "analysis/LifestyleRisks.h"
#include "analysis/Log.h"
#include "analysis/MetabolicScreen.h"
#include "analysis/PrintedValues.h"
#include "store/NumberText.h"
#include "store/Sql.h"

#include <QUuid>
#include <cmath>
#include <optional>

namespace hra::analysis {

// A result table: its data columns in their stored order and how its rows
// are ordered when read back.
struct ResultTable
{
    const char* name;
    QStringList columns;
    enum Order
    {
        None,
        BySequence,
        ById
    } order;
};

namespace {

// Rows of sessions not seen for this long belong to workstations that ended
// without cleaning up.
constexpr qint64 kSessionLifetimeSeconds = 24 * 60 * 60;

QStringList latin(std::initializer_list<const char*> names)
{
    QStringList out;
    for (const char* n : names)
        out << QString::fromLatin1(n);
    return out;
}

template <size_t N> QStringList latin(const std::array<const char*, N>& names)
{
    QStringList out;
    for (const char* n : names)
        out << QString::fromLatin1(n);
    return out;
}

QStringList riskFields()
{
    QStringList out{QStringLiteral("id")};
    for (const RiskColumns& c : riskColumns())
        out << QString::fromLatin1(c.item) << QString::fromLatin1(c.advice);
    return out;
}

const ResultTable kBloodPressureTable{"jkpg_gxy", latin({"gxyjb", "gxy1"}),
                                      ResultTable::BySequence};
const ResultTable kCoronaryTable{"jkpg_gxb", latin({"gxbid", "gxbbwxx"}), ResultTable::BySequence};
const ResultTable kStrokeTable{"jkpg_ncz", latin({"nczid", "nczbwxx"}), ResultTable::BySequence};
const ResultTable kDiabetesTable{"jkpg_tnb", latin({"tnbid", "tnbpgxx"}), ResultTable::BySequence};
const ResultTable kDietTable{"jkpg_ssyypg", latin({"mingc", "neir", "zhis"}),
                             ResultTable::BySequence};
const ResultTable kExerciseTable{
    "jkpg_ydcf", latin({"jianyydl", "yundfs", "yundsj", "yundqd", "yundpd"}), ResultTable::None};
const ResultTable kLabMarksTable{"jkpg_tgjc_pd", latin(labMarkColumns()), ResultTable::None};
const ResultTable kLifestyleRisksTable{"jkpg_shfs_wxys", riskFields(), ResultTable::ById};

const ResultTable* const kResultTables[] = {
    &kBloodPressureTable, &kCoronaryTable, &kStrokeTable,   &kDiabetesTable,
    &kDietTable,          &kExerciseTable, &kLabMarksTable, &kLifestyleRisksTable};

// What each evaluation is called in messages and which result table it
// writes (none for the metabolic screen, which keeps only a level).
struct EvaluationEntry
{
    Evaluation evaluation;
    const char16_t* name;
    const ResultTable* table;
};

const EvaluationEntry kEvaluations[] = {
    {Evaluation::BloodPressure, u"高血压分级", &kBloodPressureTable},
    {Evaluation::Coronary, u"冠心病指数", &kCoronaryTable},
    {Evaluation::Stroke, u"脑卒中指数", &kStrokeTable},
    {Evaluation::Diabetes, u"糖尿病指数", &kDiabetesTable},
    {Evaluation::MetabolicScreen, u"代谢紊乱筛查", nullptr},
    {Evaluation::DietScores, u"膳食评价", &kDietTable},
    {Evaluation::ExercisePrescription, u"运动处方", &kExerciseTable},
    {Evaluation::LabJudgement, u"检查值判定", &kLabMarksTable},
    {Evaluation::LifestyleRisks, u"生活方式危险因素", &kLifestyleRisksTable},
};

const EvaluationEntry& entryOf(Evaluation e)
{
    for (const EvaluationEntry& entry : kEvaluations)
        if (entry.evaluation == e)
            return entry;
    throw std::logic_error("evaluation missing from the table");
}

const ResultTable* tableOf(Evaluation e)
{
    return entryOf(e).table;
}

QVariant emptyIfNull(const QString& text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

QVariant textOrNull(const std::optional<QString>& text)
{
    return text ? QVariant(*text) : nullText();
}

// Index values are stored as the 15-digit text would store them.
QVariant indexValue(double v)
{
    return store::roundToNumberText(v);
}

QString tableName(const ResultTable& t)
{
    return QString::fromLatin1(t.name);
}

} // namespace

QString evaluationName(Evaluation e)
{
    return QString::fromUtf16(entryOf(e).name);
}

AnalysisSession::AnalysisSession(const store::Connection& connection,
                                 ReferenceFactory referenceFactory)
    : m_statements(connection.sql()), m_referenceFactory(std::move(referenceFactory)),
      m_key(QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    if (!m_referenceFactory)
        m_referenceFactory = [](store::Sql& s) {
            return std::make_unique<DatabaseReferenceData>(s);
        };
    registerSession();
}

AnalysisSession::~AnalysisSession()
{
    // A session that cannot clean up now is swept by a later one.
    try {
        store::Transaction tx(m_statements.db());
        for (const ResultTable* t : kResultTables)
            clearRows(*t);
        m_statements.run(QStringLiteral("delete from jkpg_fxhh where session_key=:k"),
                         {{QStringLiteral("k"), m_key}});
        tx.commit();
    } catch (const store::DatabaseError&) {
        qCWarning(lcAnalysis) << "session" << m_key << "left its rows for a later sweep";
    }
}

void AnalysisSession::registerSession()
{
    store::Transaction tx(m_statements.db());
    const QDateTime now = m_statements.serverNow();
    const QDateTime cutoff = now.addSecs(-kSessionLifetimeSeconds);
    for (const ResultTable* t : kResultTables)
        m_statements.run(
            QStringLiteral("delete from %1 where session_key not in "
                           "(select session_key from jkpg_fxhh where huodsj >= :cutoff)")
                .arg(tableName(*t)),
            {{QStringLiteral("cutoff"), cutoff}});
    m_statements.run(QStringLiteral("delete from jkpg_fxhh where huodsj < :cutoff"),
                     {{QStringLiteral("cutoff"), cutoff}});
    m_statements.run(QStringLiteral("insert into jkpg_fxhh(session_key,huodsj) values(:k,:now)"),
                     {{QStringLiteral("k"), m_key}, {QStringLiteral("now"), now}});
    tx.commit();
}

void AnalysisSession::open(const QString& recordNo, qint32 assessmentId)
{
    m_open = false;
    m_ran.clear();
    m_problems.clear();
    m_notices.clear();
    m_bloodPressureLevel = QStringLiteral("0级");
    m_metabolicLevel.clear();
    m_exerciseIntro.clear();
    m_exerciseFrequency.clear();
    m_exerciseIntensityAdvice.clear();
    m_exerciseFrequencyAdvice.clear();

    // The request is checked before anything is written: a record number the
    // register cannot hold is simply not found.
    const Rows owner =
        m_statements.select(QStringLiteral("select bianh from jkpg_id where jkpg_id=:jkpgid"),
                            {{QStringLiteral("jkpgid"), assessmentId}});
    m_views = readInputViews(m_statements, recordNo, assessmentId);
    m_recordNo = recordNo;
    m_assessmentId = assessmentId;
    if (m_views.person.isEmpty())
        throw AnalysisError(QStringLiteral("档案编号“%1”不存在。").arg(recordNo));
    if (owner.isEmpty())
        throw AnalysisError(QStringLiteral("评估编号 %1 不存在。").arg(assessmentId));
    if (owner.value(0, QStringLiteral("bianh")).toString() != recordNo)
        throw AnalysisError(
            QStringLiteral("评估编号 %1 不属于档案编号“%2”。").arg(assessmentId).arg(recordNo));
    {
        // Nothing of the previous assessment may survive into this one, even
        // if an evaluation fails later.
        store::Transaction tx(m_statements.db());
        const QDateTime now = m_statements.serverNow();
        const int touched =
            m_statements.change(QStringLiteral("update jkpg_fxhh set bianh=:bh, jkpg_id=:jkpgid, "
                                               "huodsj=:now where session_key=:k"),
                                {{QStringLiteral("bh"), recordNo},
                                 {QStringLiteral("jkpgid"), assessmentId},
                                 {QStringLiteral("now"), now},
                                 {QStringLiteral("k"), m_key}});
        if (touched == 0) // swept while idle
            m_statements.run(
                QStringLiteral("insert into jkpg_fxhh(session_key,bianh,jkpg_id,huodsj) "
                               "values(:k,:bh,:jkpgid,:now)"),
                {{QStringLiteral("k"), m_key},
                 {QStringLiteral("bh"), recordNo},
                 {QStringLiteral("jkpgid"), assessmentId},
                 {QStringLiteral("now"), now}});
        if (m_wroteRows)
            for (const ResultTable* t : kResultTables)
                clearRows(*t);
        tx.commit();
        m_wroteRows = false;
    }

    m_exam = examInput(m_views);
    m_reference = m_referenceFactory(m_statements);
    m_open = true;
}

void AnalysisSession::requireOpen() const
{
    if (!m_open)
        throw AnalysisError(QStringLiteral("尚未选择要分析的评估。"));
}

const std::vector<Evaluation>& AnalysisSession::wholeReportOrder()
{
    static const std::vector<Evaluation> order = {
        Evaluation::LabJudgement,  Evaluation::MetabolicScreen,
        Evaluation::DietScores,    Evaluation::ExercisePrescription,
        Evaluation::LabJudgement,  Evaluation::LifestyleRisks,
        Evaluation::BloodPressure, Evaluation::Coronary,
        Evaluation::Stroke,        Evaluation::Diabetes,
    };
    return order;
}

bool AnalysisSession::run(Evaluation e)
{
    requireOpen();
    std::erase_if(m_notices, [e](const EvaluationProblem& n) { return n.evaluation == e; });
    try {
        compute(e);
        m_ran.insert(e);
        return true;
    } catch (const AnalysisError& error) {
        qCInfo(lcAnalysis).noquote() << evaluationName(e) << "has no result:" << error.message();
        clearResults(e);
        m_problems.push_back({e, error.message()});
        m_ran.insert(e);
        return false;
    } catch (const store::DatabaseError&) {
        m_ran.erase(e);
        try {
            clearResults(e);
        } catch (const store::DatabaseError&) {
            // The connection itself may be gone; the original error tells why.
        }
        throw;
    }
}

bool AnalysisSession::runAll(const std::vector<Evaluation>& order)
{
    requireOpen();
    // One transaction for the whole run: each evaluation's delete and inserts
    // stay together, other sessions see all results at once, and the server
    // (or SQLite) syncs its log once instead of once per evaluation.
    store::Transaction tx(m_statements.db());
    m_inRunAll = true;
    bool ok = true;
    try {
        for (Evaluation e : order)
            ok = run(e) && ok;
    } catch (const store::DatabaseError&) {
        m_inRunAll = false;
        m_ran.clear(); // rolled back: nothing of this run is stored
        throw;
    }
    m_inRunAll = false;
    tx.commit();
    return ok;
}

void AnalysisSession::ensureRan(Evaluation e)
{
    requireOpen();
    if (!m_ran.contains(e))
        run(e);
}

void AnalysisSession::compute(Evaluation e)
{
    const ReferenceData& ref = *m_reference;
    switch (e) {
    case Evaluation::BloodPressure: {
        const BloodPressureGrade grade = gradeBloodPressure(m_exam);
        std::vector<QVariantList> rows;
        for (const BarRow& r : grade.rows)
            rows.push_back({r.label, r.value});
        replaceRows(kBloodPressureTable, rows);
        m_bloodPressureLevel = grade.adviceLevel;
        return;
    }
    case Evaluation::Coronary:
    case Evaluation::Stroke:
    case Evaluation::Diabetes: {
        const Disease disease =
            e == Evaluation::Coronary
                ? Disease::Coronary
                : (e == Evaluation::Stroke ? Disease::Stroke : Disease::Diabetes);
        const DiseaseIndex index =
            diseaseIndex(disease, {m_exam, statusInput(m_views), lifestyleInput(m_views)}, ref);
        replaceRows(*tableOf(e), {{peerLabel(), indexValue(index.peer)},
                                  {personLabel(disease), indexValue(index.index)}});
        return;
    }
    case Evaluation::MetabolicScreen:
        m_metabolicLevel = screenMetabolicDisorder(m_exam).level;
        return;
    case Evaluation::DietScores: {
        std::vector<QVariantList> rows;
        for (const DietScore& s : scoreDiet(dietInput(m_views)))
            rows.push_back({s.name, textOrNull(s.answer), s.score});
        replaceRows(kDietTable, rows);
        return;
    }
    case Evaluation::ExercisePrescription: {
        // Without height and weight there is nothing to prescribe: older or
        // imported assessments may lack the examination. That is said, and
        // is no failure of the analysis.
        if (!m_exam.height || !m_exam.weight) {
            replaceRows(kExerciseTable, {});
            m_notices.push_back(
                {e, QStringLiteral("该次评估没有身高和体重的检查数据，未生成运动处方。")});
            m_exerciseIntro = QStringLiteral("　　缺少身高和体重的检查数据，未能为您制定运动处方。"
                                             "补测身高和体重后，可重新生成本报告。");
            m_exerciseFrequency = QStringLiteral("未制定");
            return;
        }
        const ExercisePrescription p =
            prescribeExercise(m_exam, exerciseInput(m_views), ref, statusInput(m_views));
        replaceRows(kExerciseTable, {{textOrNull(p.amount), textOrNull(p.kind),
                                      textOrNull(p.minutes), textOrNull(p.intensity), nullText()}});
        m_exerciseIntro = p.intro;
        m_exerciseFrequency = p.frequency;
        m_exerciseIntensityAdvice = p.intensityAdvice;
        m_exerciseFrequencyAdvice = p.frequencyAdvice;
        return;
    }
    case Evaluation::LabJudgement: {
        QVariantList row;
        for (const std::optional<QString>& mark : judgeLabValues(m_exam, ref))
            row << textOrNull(mark);
        replaceRows(kLabMarksTable, {row});
        return;
    }
    case Evaluation::LifestyleRisks: {
        // The advice follows the stored judgement of this assessment.
        Rows stored = storedMarks();
        if (stored.isEmpty()) {
            compute(Evaluation::LabJudgement);
            m_ran.insert(Evaluation::LabJudgement);
            stored = storedMarks();
        }
        LabMarks marks;
        for (int i = 0; i < kLabValueCount; ++i)
            marks[i] = textField(stored, QString::fromLatin1(labMarkColumns()[i]));
        const bool doctorFirst = exerciseNeedsDoctor(m_exam, statusInput(m_views));
        QVariantList row;
        for (const RiskItem& item : assessLifestyleRisks(m_exam, marks, ref))
            // An item without advice prints as empty text, not as NULL.
            row << emptyIfNull(item.text)
                << emptyIfNull(doctorFirst ? adviceForDoctorFirst(item.advice) : item.advice);
        replaceRows(kLifestyleRisksTable, {row});
        return;
    }
    }
}

void AnalysisSession::replaceRows(const ResultTable& table, const std::vector<QVariantList>& rows)
{
    QStringList columns = table.columns;
    if (table.order == ResultTable::ById)
        columns.removeFirst(); // assigned by the database
    columns << QStringLiteral("session_key");
    if (table.order == ResultTable::BySequence)
        columns << QStringLiteral("xuh");

    Bindings bindings;
    QStringList tuples;
    for (size_t r = 0; r < rows.size(); ++r) {
        QVariantList values = rows[r];
        values << m_key;
        if (table.order == ResultTable::BySequence)
            values << static_cast<int>(r + 1);
        QStringList names;
        for (qsizetype c = 0; c < values.size(); ++c) {
            const QString name = QStringLiteral("v%1_%2").arg(r).arg(c);
            names << QLatin1Char(':') + name;
            bindings.emplace_back(name, values.at(c));
        }
        tuples << QLatin1Char('(') + names.join(QLatin1Char(',')) + QLatin1Char(')');
    }

    std::optional<store::Transaction> tx;
    if (!m_inRunAll)
        tx.emplace(m_statements.db());
    m_wroteRows = true;
    clearRows(table);
    if (!rows.empty())
        // One statement for all rows; the three backends accept a list of tuples.
        m_statements.run(QStringLiteral("insert into %1(%2) values %3")
                             .arg(tableName(table), columns.join(QLatin1Char(',')),
                                  tuples.join(QLatin1Char(','))),
                         bindings);
    if (tx)
        tx->commit();
}

void AnalysisSession::clearRows(const ResultTable& table)
{
    m_statements.run(QStringLiteral("delete from %1 where session_key=:k").arg(tableName(table)),
                     {{QStringLiteral("k"), m_key}});
}

void AnalysisSession::clearResults(Evaluation e)
{
    if (const ResultTable* t = tableOf(e))
        clearRows(*t);
    if (e == Evaluation::MetabolicScreen)
        m_metabolicLevel.clear();
    if (e == Evaluation::BloodPressure)
        m_bloodPressureLevel = QStringLiteral("0级");
    if (e == Evaluation::ExercisePrescription) {
        m_exerciseIntro.clear();
        m_exerciseFrequency.clear();
        m_exerciseIntensityAdvice.clear();
        m_exerciseFrequencyAdvice.clear();
    }
}

Rows AnalysisSession::readResult(const ResultTable& table)
{
    QString order;
    if (table.order == ResultTable::BySequence)
        order = QStringLiteral(" order by xuh");
    else if (table.order == ResultTable::ById)
        order = QStringLiteral(" order by id");
    Rows d =
        m_statements.select(QStringLiteral("select %1 from %2 where session_key=:k%3")
                                .arg(table.columns.join(QLatin1Char(',')), tableName(table), order),
                            {{QStringLiteral("k"), m_key}});
    // The names as the report knows them, whatever case the backend reports.
    d.fields = table.columns;
    return d;
}

Rows AnalysisSession::storedMarks()
{
    return readResult(kLabMarksTable);
}

Rows AnalysisSession::adviceDataset(const std::vector<AdviceRow>& rows,
                                    const QStringList& fields) const
{
    Rows d;
    d.fields = fields;
    const bool doctorFirst = exerciseNeedsDoctor(m_exam, statusInput(m_views));
    for (const AdviceRow& a : rows) {
        QVariantList row;
        for (const QString& f : fields) {
            if (f == QLatin1String("id"))
                row << a.id;
            else if (f == QLatin1String("xiangm"))
                row << textOrNull(a.item);
            else if (f == QLatin1String("zhuangt"))
                row << textOrNull(a.state);
            else if (f == QLatin1String("jib"))
                row << textOrNull(a.level);
            else if (doctorFirst && a.text)
                row << adviceForDoctorFirst(*a.text);
            else
                row << textOrNull(a.text);
        }
        d.rows << row;
    }
    return d;
}

// Every report dataset: its name, the evaluation that must have run before
// it is read (if any), and either the result table it reads back or the
// function that makes it.
struct AnalysisSession::DatasetEntry
{
    const char* name;
    std::optional<Evaluation> evaluation;
    const ResultTable* table;
    Rows (AnalysisSession::*produce)();
};

const std::vector<AnalysisSession::DatasetEntry>& AnalysisSession::datasetTable()
{
    using S = AnalysisSession;
    static const std::vector<DatasetEntry> table = {
        {"frxDB_jbxx", {}, nullptr, &S::personRows},
        {"frxDB_dw", {}, nullptr, &S::centreRows},
        {"frxDB_jbxx_mqzk", {}, nullptr, &S::statusRows},
        {"frxDB_jbxx_tgjc", {}, nullptr, &S::examRows},
        {"frxDB_jbxx_shfs", {}, nullptr, &S::lifestyleRows},
        {"frxDB_jbxx_ydfs", {}, nullptr, &S::exerciseRows},
        {"frxDB_ssyy", {}, nullptr, &S::dietRows},
        {"frxDB_gxyjb", Evaluation::BloodPressure, &kBloodPressureTable, nullptr},
        {"frxDB_gxy_ts", Evaluation::BloodPressure, nullptr, &S::bloodPressureAdvice},
        {"frxDB_gxb", Evaluation::Coronary, &kCoronaryTable, nullptr},
        {"frxDB_ncz", Evaluation::Stroke, &kStrokeTable, nullptr},
        {"frxDB_tnb", Evaluation::Diabetes, &kDiabetesTable, nullptr},
        {"frxDBD_dxzhz", Evaluation::MetabolicScreen, nullptr, &S::metabolicAdvice},
        {"frxDB_ssyytb", Evaluation::DietScores, nullptr, &S::dietChartRows},
        {"frxDB_ydcf", Evaluation::ExercisePrescription, nullptr, &S::prescriptionRows},
        {"frxDB_ckzpd_pd", Evaluation::LabJudgement, &kLabMarksTable, nullptr},
        {"frxDB_yczb_pd", Evaluation::LabJudgement, nullptr, &S::abnormalIndicatorRows},
        {"frxDB_yczb", Evaluation::LabJudgement, nullptr, &S::abnormalIndicatorListRows},
        {"frxDB_tjjg", {}, nullptr, &S::printedValueRows},
        {"frxDBD_shfs_wxys", Evaluation::LifestyleRisks, &kLifestyleRisksTable, nullptr},
        {"frxDB_chinapar", {}, nullptr, &S::chinaParRows},
        {"frxDB_chinapar_jd", {}, nullptr, &S::chinaParReductionRows},
        {"frxDB_cdrs", {}, nullptr, &S::diabetesScoreRows},
        {"frxDB_trend", {}, nullptr, &S::trendRows},
    };
    return table;
}

const QStringList& AnalysisSession::datasetNames()
{
    static const QStringList names = [] {
        QStringList out;
        for (const DatasetEntry& d : datasetTable())
            out << QString::fromLatin1(d.name);
        return out;
    }();
    return names;
}

Rows AnalysisSession::dataset(const QString& name)
{
    requireOpen();
    for (const DatasetEntry& d : datasetTable()) {
        if (name != QLatin1String(d.name))
            continue;
        if (d.evaluation)
            ensureRan(*d.evaluation);
        return d.produce ? (this->*d.produce)() : readResult(*d.table);
    }
    throw AnalysisError(QStringLiteral("没有名为“%1”的报表数据集。").arg(name));
}

namespace {

// A section nobody filled in still prints one row, so that its judgements
// say "未填写" instead of leaving the cells empty.
void ensureOneRow(Rows& d)
{
    if (d.rows.isEmpty())
        d.rows << QVariantList(d.fields.size());
}

// An answer nobody gave prints "未填写" (or `text`) instead of an empty cell.
void markUnanswered(Rows& d, const QStringList& fields,
                    const QString& text = QStringLiteral("未填写"))
{
    for (const QString& f : fields) {
        const qsizetype c = d.fields.indexOf(f);
        if (c < 0)
            continue;
        for (QVariantList& row : d.rows)
            if (isNull(row.value(c)) || row.value(c).toString().trimmed().isEmpty())
                row[c] = text;
    }
}

// A section row that is missing still names its person: the pages print
// sex and age from it.
void fillPerson(Rows& d, const Rows& person)
{
    if (person.rows.isEmpty())
        return;
    for (const char* f : {"bianh", "xingm", "xingb", "nianl"}) {
        const qsizetype c = d.fields.indexOf(QLatin1String(f));
        if (c < 0)
            continue;
        for (QVariantList& row : d.rows)
            if (isNull(row.value(c)))
                row[c] = person.value(0, QLatin1String(f));
    }
}

// The disease cells of the health list in print order: the ticked diseases
// fill them from the first, so that none stands between blanks.
const char* const kDiseaseCells[] = {
    "manxzqgy", "gaoxyxxzb", "naoxs", "erxtnb", "qitxzb", "qitnr", "feia",      "gaoxy", "feiqz",
    "feixb",    "guanxb",    "ruxa",  "yixtnb", "naocx",  "ruxzs", "xiantxxzb", "xiaoc", "qianlxa"};

} // namespace

Rows AnalysisSession::personRows()
{
    return m_views.person;
}

Rows AnalysisSession::centreRows()
{
    return m_views.centre;
}

Rows AnalysisSession::statusRows()
{
    // An unticked disease box holds "0"; the report shows it as nothing.
    Rows d = m_views.status;
    const bool answered = !d.rows.isEmpty();
    ensureOneRow(d);
    for (QVariantList& row : d.rows)
        for (QVariant& v : row)
            if (!isNull(v) && v.metaType().id() == QMetaType::QString &&
                v.toString() == QLatin1String("0"))
                v = QString();
    // Answers of several boxes print as one cell, joined with "、".
    auto answers = [&d](qsizetype row, std::initializer_list<const char*> fields) {
        QStringList out;
        for (const char* f : fields)
            out << d.value(row, QLatin1String(f)).toString();
        return out;
    };
    QVariantList diabetes, heart, familyDiabetes;
    for (qsizetype i = 0; i < d.rows.size(); ++i) {
        diabetes << joinedAnswers(answers(i, {"yixtnb", "erxtnb"}));
        heart << joinedAnswers(answers(i, {"guanxb", "gaoxyxxzb", "qitxzb", "xiantxxzb", "feixb"}));
        QStringList family;
        const QString type1 = d.value(i, QStringLiteral("jiazs_1tnb")).toString().trimmed();
        const QString type2 = d.value(i, QStringLiteral("jiazs_2tnb")).toString().trimmed();
        if (!type1.isEmpty())
            family << QStringLiteral("1型：") + type1;
        if (!type2.isEmpty())
            family << QStringLiteral("2型：") + type2;
        familyDiabetes << joinedAnswers(family);
    }
    d.addField(QStringLiteral("tnb_hz"), diabetes);
    d.addField(QStringLiteral("xxgjb_hz"), heart);
    d.addField(QStringLiteral("jiazs_tnb_hz"), familyDiabetes);
    // xianb_1..18: the ticked diseases packed; the first says "无" when none
    // is ticked, "未填写" when the section was never saved.
    std::vector<QVariantList> cells(std::size(kDiseaseCells));
    for (qsizetype i = 0; i < d.rows.size(); ++i) {
        QStringList ticked;
        for (const char* f : kDiseaseCells) {
            const QString name = d.value(i, QLatin1String(f)).toString().trimmed();
            if (!name.isEmpty())
                ticked << name;
        }
        if (ticked.isEmpty())
            ticked << (answered ? QStringLiteral("无") : QStringLiteral("未填写"));
        for (size_t c = 0; c < cells.size(); ++c)
            cells[c] << ticked.value(qsizetype(c));
    }
    for (size_t c = 0; c < cells.size(); ++c)
        d.addField(QStringLiteral("xianb_%1").arg(c + 1), cells[c]);
    // A family-history question left empty names no relative; in a section
    // never saved nobody was asked.
    for (QVariantList& row : d.rows)
        for (qsizetype f = 0; f < d.fields.size(); ++f) {
            const QString& name = d.fields[f];
            if (!answered &&
                (name.startsWith(QStringLiteral("jiazs_")) || name == QStringLiteral("tnb_hz") ||
                 name == QStringLiteral("xxgjb_hz")))
                row[f] = QStringLiteral("未填写");
            else if (name.startsWith(QStringLiteral("jiazs_")) &&
                     row[f].toString().trimmed().isEmpty())
                row[f] = QStringLiteral("无");
        }
    return d;
}

Rows AnalysisSession::examRows()
{
    Rows d = m_views.exam;
    ensureOneRow(d);
    fillPerson(d, m_views.person);
    return d;
}

Rows AnalysisSession::lifestyleRows()
{
    Rows d = m_views.lifestyle;
    ensureOneRow(d);
    QVariantList smoking;
    QVariantList drinking;
    for (qsizetype i = 0; i < d.rows.size(); ++i) {
        const QVariant smokes = d.value(i, QStringLiteral("shifxy"));
        const QVariant drinks = d.value(i, QStringLiteral("shifyj"));
        smoking << smokingStatement(isNull(smokes) ? std::nullopt
                                                   : std::optional(smokes.toString()));
        drinking << drinkingStatement(isNull(drinks) ? std::nullopt
                                                     : std::optional(drinks.toString()));
    }
    d.addField(QStringLiteral("xiy_pd"), smoking);
    d.addField(QStringLiteral("yinj_pd"), drinking);
    QVariantList summary;
    for (qsizetype i = 0; i < d.rows.size(); ++i) {
        const QVariant smokes = d.value(i, QStringLiteral("shifxy"));
        const QVariant count = d.value(i, QStringLiteral("xiyzs"));
        summary << smokingSummary(isNull(smokes) ? std::nullopt : std::optional(smokes.toString()),
                                  isNull(count) ? std::nullopt : std::optional(count.toString()));
    }
    d.addField(QStringLiteral("xiy_hz"), summary);
    fillPerson(d, m_views.person);
    markUnanswered(d, {QStringLiteral("shifyj")});
    return d;
}

Rows AnalysisSession::exerciseRows()
{
    Rows d = m_views.exercise;
    const QString verdict = QStringLiteral("yundjg");
    if (!d.fields.contains(verdict))
        d.fields << verdict;
    ensureOneRow(d);
    const qsizetype column = d.fields.indexOf(verdict);
    for (QVariantList& row : d.rows) {
        row.resize(d.fields.size());
        if (isNull(row[column]) || row[column].toString().trimmed().isEmpty())
            row[column] = QStringLiteral("未填写");
    }
    fillPerson(d, m_views.person);
    markUnanswered(d, {QStringLiteral("meizgzts"), QStringLiteral("zuozsj"),
                       QStringLiteral("chuxfs"), QStringLiteral("duanlfs"),
                       QStringLiteral("duanlcs"), QStringLiteral("duanlsj")});
    return d;
}

Rows AnalysisSession::dietRows()
{
    Rows d;
    d.fields << QStringLiteral("bianh");
    for (const DietItem& item : dietItems())
        d.fields << QString::fromLatin1(item.column);
    d.fields << QStringLiteral("lurrq");
    for (qsizetype i = 0; i < m_views.diet.rows.size(); ++i) {
        QVariantList row;
        for (const QString& f : d.fields)
            row << m_views.diet.value(i, f);
        d.rows << row;
    }
    ensureOneRow(d);
    const auto values = dietJudgementValues(judgeDiet(dietInput(m_views)));
    for (size_t f = 0; f < values.size(); ++f)
        d.addField(QString::fromLatin1(dietJudgementFields()[f]), {values[f]});
    d.addField(QStringLiteral("fxys"), {dietRiskText(judgeDiet(dietInput(m_views)))});
    QStringList answers;
    for (const DietItem& item : dietItems())
        answers << QString::fromLatin1(item.column);
    markUnanswered(d, answers);
    return d;
}

Rows AnalysisSession::dietChartRows()
{
    // A question nobody answered scores 0 in the stored rows; the chart
    // leaves it out instead of drawing it below "缺乏".
    Rows d = readResult(kDietTable);
    const qsizetype answer = d.fields.indexOf(QStringLiteral("neir"));
    const qsizetype score = d.fields.indexOf(QStringLiteral("zhis"));
    for (QVariantList& row : d.rows)
        if (isNull(row.value(answer)) || row.value(answer).toString().trimmed().isEmpty())
            row[score] = QVariant(QMetaType(QMetaType::Int));
    return d;
}

Rows AnalysisSession::prescriptionRows()
{
    Rows d = readResult(kExerciseTable);
    QString intro = m_exerciseIntro;
    QString frequency = m_exerciseFrequency;
    QString intensityAdvice = m_exerciseIntensityAdvice;
    // Nothing prescribed: the page says why instead of a prescription's words.
    if (d.rows.isEmpty()) {
        ensureOneRow(d);
        if (!m_exam.height || !m_exam.weight)
            d.rows[0][d.fields.indexOf(QStringLiteral("jianyydl"))] =
                QStringLiteral("缺少身高和体重，未制定运动处方");
        for (const EvaluationProblem& problem : m_problems)
            if (problem.evaluation == Evaluation::ExercisePrescription)
                intro = QStringLiteral("　　") + problem.message;
        markUnanswered(d,
                       {QStringLiteral("jianyydl"), QStringLiteral("yundfs"),
                        QStringLiteral("yundsj"), QStringLiteral("yundqd")},
                       QStringLiteral("未制定"));
        frequency = QStringLiteral("未制定");
        intensityAdvice = exerciseIntensityAdviceWithoutPrescription();
    }
    d.addField(QStringLiteral("shuom"), {intro});
    d.addField(QStringLiteral("pind"), {frequency});
    // The advice page's paragraphs on intensity and frequency.
    d.addField(QStringLiteral("qdjy"), {intensityAdvice});
    d.addField(QStringLiteral("csjy"),
               {m_exerciseFrequencyAdvice.isEmpty() ? exerciseFrequencyAdvice()
                                                    : m_exerciseFrequencyAdvice});
    return d;
}

Rows AnalysisSession::bloodPressureAdvice()
{
    return adviceDataset(
        m_reference->adviceByLevel(QStringLiteral("gaoxyjb"), m_bloodPressureLevel),
        latin({"id", "xiangm", "zhuangt", "jib", "tis"}));
}

Rows AnalysisSession::metabolicAdvice()
{
    if (m_metabolicLevel.isEmpty())
        return adviceDataset({}, latin({"jib", "tis"}));
    return adviceDataset(m_reference->adviceByLevel(std::nullopt, m_metabolicLevel),
                         latin({"jib", "tis"}));
}

Rows AnalysisSession::abnormalIndicatorRows()
{
    const Rows stored = storedMarks();
    Rows d;
    for (int i = 0; i < kAbnormalViewCount; ++i)
        d.fields << QString::fromLatin1(labMarkColumns()[i]);
    if (stored.isEmpty())
        return d;
    LabMarks marks;
    for (int i = 0; i < kLabValueCount; ++i)
        marks[i] = textField(stored, QString::fromLatin1(labMarkColumns()[i]));
    QVariantList row;
    for (const std::optional<QString>& v : abnormalIndicators(m_exam, marks, *m_reference))
        row << textOrNull(v);
    d.rows << row;
    return d;
}

namespace {

// A percentage as the report prints it: one decimal.
QVariant percentValue(const std::optional<double>& risk)
{
    if (!risk)
        return QVariant(QMetaType(QMetaType::Double));
    return std::round(*risk * 10.0) / 10.0;
}

QString chinaParSentence(const ChinaParResult& r)
{
    if (!r.riskPercent)
        return QStringLiteral("缺少%1，无法计算未来10年发生心肌梗死、冠心病死亡或脑卒中的风险。")
            .arg(r.missing.join(QStringLiteral("、")));
    const double risk = *r.riskPercent;
    const QString people =
        risk < 0.5 ? QStringLiteral("不到1人") : QStringLiteral("约有%1人").arg(std::lround(risk));
    QString s = QStringLiteral("与您情况相同的100个人中，未来10年内%1会发生心肌梗死、"
                               "冠心病死亡或脑卒中。")
                    .arg(people);
    if (r.treatmentAssumed)
        s += QStringLiteral("（未询问是否服用降压药，按未服药计算。）");
    return s;
}

QString diabetesScoreSentence(const DiabetesScoreResult& r)
{
    switch (r.band) {
    case DiabetesScoreBand::High:
        return QStringLiteral(
                   "您的评分达到%1分及以上，属于糖尿病高风险，建议到医院做口服葡萄糖耐量试验"
                   "（OGTT）。")
            .arg(kDiabetesScoreHighRisk);
    case DiabetesScoreBand::Low:
        return QStringLiteral(
                   "您的评分低于%1分，目前糖尿病风险较低，请保持健康的生活方式并定期复查。")
            .arg(kDiabetesScoreHighRisk);
    case DiabetesScoreBand::AlreadyDiabetic:
        return QStringLiteral(
            "您已患糖尿病或空腹血糖已达到糖尿病水平，不再计算风险评分，请在医生指导下"
            "治疗和随访。");
    case DiabetesScoreBand::NotAssessable:
        break;
    }
    return QStringLiteral("缺少%1，无法计算糖尿病风险评分。")
        .arg(r.missing.join(QStringLiteral("、")));
}

} // namespace

Rows AnalysisSession::chinaParRows()
{
    const ChinaParResult r = chinaParRisk(chinaParInput(m_views));
    const QVariant risk = percentValue(r.riskPercent);
    // fengxwb is the figure as the page prints it, a dash when there is none.
    Rows d;
    d.fields =
        QStringList{QStringLiteral("fengx"),  QStringLiteral("dengj"), QStringLiteral("queshi"),
                    QStringLiteral("moxing"), QStringLiteral("shuom"), QStringLiteral("fengxwb")};
    d.rows << QVariantList{risk,
                           riskBandText(r.band),
                           r.missing.join(QStringLiteral("、")),
                           QStringLiteral("China-PAR 2016"),
                           chinaParSentence(r),
                           r.riskPercent ? store::numberText(risk.toDouble()) + u'%'
                                         : QStringLiteral("—")};
    return d;
}

Rows AnalysisSession::chinaParReductionRows()
{
    Rows d;
    d.fields = QStringList{QStringLiteral("xiangm"), QStringLiteral("mub"), QStringLiteral("fengx"),
                           QStringLiteral("shuom")};
    const ChinaParInput input = chinaParInput(m_views);
    const std::vector<RiskReduction> reductions = chinaParReductions(input);
    // The page always says something: why there is no way down to show.
    if (reductions.empty()) {
        const bool assessable = chinaParRisk(input).riskPercent.has_value();
        d.rows << QVariantList{QString(), QString(), QVariant(QMetaType(QMetaType::Double)),
                               assessable ? QStringLiteral("您的血压、血脂、腰围和吸烟情况都已在"
                                                           "理想范围，请继续保持。")
                                          : QStringLiteral("未能计算10年风险，暂不能给出。")};
    }
    for (const RiskReduction& r : reductions) {
        const QVariant risk = percentValue(r.riskPercent);
        const QString change = r.item == QStringLiteral("吸烟") ? QStringLiteral("戒烟后")
                               : r.item == QStringLiteral("高密度脂蛋白胆固醇")
                                   ? r.item + QStringLiteral("升到") + r.target
                                   : r.item + QStringLiteral("降到") + r.target;
        d.rows << QVariantList{r.item, r.target, risk,
                               QStringLiteral("%1，10年风险可降为%2%。")
                                   .arg(change, store::numberText(risk.toDouble()))};
    }
    return d;
}

Rows AnalysisSession::diabetesScoreRows()
{
    const DiabetesScoreResult r = diabetesRiskScore(diabetesScoreInput(m_views));
    Rows d;
    d.fields =
        QStringList{QStringLiteral("defen"),  QStringLiteral("dengj"),   QStringLiteral("queshi"),
                    QStringLiteral("moxing"), QStringLiteral("defenwb"), QStringLiteral("shuom")};
    d.rows << QVariantList{r.score ? QVariant(*r.score) : QVariant(QMetaType(QMetaType::Int)),
                           diabetesScoreBandText(r.band),
                           r.missing.join(QStringLiteral("、")),
                           QStringLiteral("CDRS 2013"),
                           r.score ? QStringLiteral("%1分").arg(*r.score) : QStringLiteral("—"),
                           diabetesScoreSentence(r)};
    return d;
}

Rows AnalysisSession::trendRows()
{
    // Every assessment of the person up to and including this one, by entry
    // date; each with its own examination and answers.
    const Rows assessments = m_statements.select(
        QStringLiteral(
            "select jkpg_id, lurrq from jkpg_id where bianh=:bh order by lurrq, jkpg_id"),
        {{QStringLiteral("bh"), m_recordNo}});
    Rows d;
    d.fields =
        QStringList{QStringLiteral("jkpg_id"), QStringLiteral("lurrq"),   QStringLiteral("shousy"),
                    QStringLiteral("shuzy"),   QStringLiteral("tizzs"),   QStringLiteral("yaow"),
                    QStringLiteral("kongfxt"), QStringLiteral("zongdgc"), QStringLiteral("fengx"),
                    QStringLiteral("rq")};
    for (qsizetype i = 0; i < assessments.size(); ++i) {
        const qint32 id = assessments.value(i, QStringLiteral("jkpg_id")).toInt();
        const InputViews views =
            id == m_assessmentId ? m_views : readInputViews(m_statements, m_recordNo, id);
        QVariantList row{id, assessments.value(i, QStringLiteral("lurrq"))};
        for (const char* f : {"shousy", "shuzy", "tizzs", "yaow", "kongfxt", "zongdgc"})
            row << views.exam.value(0, QLatin1String(f));
        row << percentValue(chinaParRisk(chinaParInput(views)).riskPercent);
        // The date alone, as the charts label their points.
        row << assessments.value(i, QStringLiteral("lurrq")).toDate().toString(Qt::ISODate);
        d.rows << row;
        if (id == m_assessmentId)
            break;
    }
    return d;
}

Rows AnalysisSession::abnormalIndicatorListRows()
{
    Rows d;
    d.fields << QStringLiteral("yczb");
    d.rows << QVariantList{abnormalIndicatorText(m_exam, *m_reference)};
    return d;
}

Rows AnalysisSession::printedValueRows()
{
    // One row: for each examination value "z_" the value or "未测", "fw_" the
    // range it is judged by, "pd_" a mark within range and "yc_" a mark
    // outside it (printed in red); "xy" is the pressure pair.
    Rows d;
    QVariantList row;
    auto add = [&](const QString& name, const QString& value) {
        d.fields << name;
        row << value;
    };
    const auto printed = printedLabValues(m_exam, *m_reference);
    for (int i = 0; i < kLabValueCount; ++i) {
        const QString c = QString::fromLatin1(labColumns()[i]);
        const PrintedValue& p = printed[i];
        add(QStringLiteral("z_") + c, p.value);
        add(QStringLiteral("fw_") + c, p.range);
        add(QStringLiteral("pd_") + c, p.abnormal ? QString() : p.mark);
        add(QStringLiteral("yc_") + c, p.abnormal ? p.mark : QString());
    }
    // The body-mass index's class in words, beside its mark.
    add(QStringLiteral("zk_tizzs"),
        m_exam.bmi ? weightClassText(*m_exam.bmi) : QStringLiteral("未测"));
    const PrintedValue& s = printed[1];
    const PrintedValue& dia = printed[2];
    add(QStringLiteral("z_xy"),
        m_exam.systolic || m_exam.diastolic ? s.value + u'/' + dia.value : QStringLiteral("未测"));
    const QString unit = m_reference->unit(QStringLiteral("shousy"));
    add(QStringLiteral("fw_xy"), QStringLiteral("收缩压") + QString(s.range).remove(unit) +
                                     QStringLiteral("，舒张压") + dia.range);
    auto measured = [](const std::optional<double>& v, const char16_t* unit) {
        return v ? store::numberText(*v) + QString::fromUtf16(unit) : QStringLiteral("未测");
    };
    add(QStringLiteral("z_sheng"), measured(m_exam.height, u"m"));
    add(QStringLiteral("z_tiz"), measured(m_exam.weight, u"kg"));
    const QVariant hip = m_views.exam.value(0, QStringLiteral("tunw"));
    add(QStringLiteral("z_tunw"),
        isNull(hip) ? QStringLiteral("未测") : store::valueText(hip) + QStringLiteral("cm"));
    const QString heart = m_views.exam.value(0, QStringLiteral("zuoxsfd")).toString().trimmed();
    add(QStringLiteral("z_zuoxsfd"), heart.isEmpty() ? QStringLiteral("未测") : heart);
    d.rows << row;
    return d;
}

} // namespace hra::analysis

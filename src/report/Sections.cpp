#include "report/Sections.h"

#include "store/Settings.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QRegularExpression>

namespace hra::report {

using analysis::Evaluation;

const std::vector<Section>& sections()
{
    static const std::vector<Section> table{
        {QStringLiteral("封面前言"), QStringLiteral("fpqy.fr3"), {}, true},
        {QStringLiteral("当前状况"),
         QStringLiteral("jkxx.fr3"),
         {Evaluation::LabJudgement, Evaluation::MetabolicScreen},
         false},
        {QStringLiteral("代谢紊乱"), QStringLiteral("dxwl.fr3"), {}, false},
        {QStringLiteral("高血压"), QStringLiteral("gxy.fr3"), {}, false},
        {QStringLiteral("糖尿病"), QStringLiteral("tnb.fr3"), {}, false},
        {QStringLiteral("冠心病"), QStringLiteral("gxb.fr3"), {}, false},
        {QStringLiteral("动脉粥样化"), QStringLiteral("dmzy.fr3"), {}, false},
        {QStringLiteral("脑卒中"), QStringLiteral("nzz.fr3"), {}, false},
        {QStringLiteral("膳食营养"), QStringLiteral("ssyy.fr3"), {Evaluation::DietScores}, false},
        {QStringLiteral("运动分析"),
         QStringLiteral("yd.fr3"),
         {Evaluation::ExercisePrescription, Evaluation::LabJudgement},
         false},
        {QStringLiteral("评估建议"),
         QStringLiteral("wxys.fr3"),
         {Evaluation::LabJudgement, Evaluation::LifestyleRisks},
         false},
        {kWholeReport,
         QStringLiteral("pgbg.fr3"),
         {Evaluation::LabJudgement, Evaluation::MetabolicScreen, Evaluation::DietScores,
          Evaluation::ExercisePrescription, Evaluation::LabJudgement, Evaluation::LifestyleRisks},
         true},
        // Not part of the whole report: the calibrated models and the values over time.
        {QStringLiteral("风险预测与趋势"), QStringLiteral("fxyc.fr3"), {}, false},
    };
    return table;
}

QStringList sectionNames()
{
    QStringList names;
    for (const Section& s : sections())
        names << s.name;
    return names;
}

const Section* findSection(const QString& name)
{
    for (const Section& s : sections())
        if (s.name == name)
            return &s;
    return nullptr;
}

const std::vector<Evaluation>& inputEvaluations()
{
    static const std::vector<Evaluation> order{Evaluation::BloodPressure, Evaluation::Coronary,
                                               Evaluation::Stroke, Evaluation::Diabetes};
    return order;
}

std::vector<Evaluation> runOrder(const Section& section)
{
    std::vector<Evaluation> order = section.evaluations;
    order.insert(order.end(), inputEvaluations().begin(), inputEvaluations().end());
    return order;
}

QString defaultReportsDirectory()
{
    // Beside the program in a build tree, under share/hra when installed.
    return store::sharedDirectory(QStringLiteral("reports"));
}

QString templatePath(const QString& reportsDirectory, const Section& section)
{
    return QDir(reportsDirectory).filePath(section.templateFile);
}

QString safeFileName(const QStringList& parts)
{
    static const QRegularExpression unsafe(QStringLiteral(R"([\\/:*?"<>|\x00-\x1f\x7f]+)"));
    QStringList kept;
    for (const QString& part : parts) {
        QString clean = part.trimmed();
        clean.replace(unsafe, QStringLiteral("_"));
        if (!clean.isEmpty())
            kept << clean;
    }
    if (kept.isEmpty())
        kept << QStringLiteral("report");
    return kept.join(u'_') + QStringLiteral(".pdf");
}

QString pdfFileName(const QString& recordNumber, const QString& name, const QDate& date)
{
    return safeFileName({recordNumber, name,
                         date.isValid() ? date.toString(QStringLiteral("yyyyMMdd")) : QString()});
}

} // namespace hra::report

#pragma once

#include "analysis/AnalysisSession.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace hra::report {

// One node of the data-analysis tree: the template it builds and the
// evaluations run again, in order, before the report's input is reopened.
struct Section
{
    QString name;
    QString templateFile;
    std::vector<analysis::Evaluation> evaluations;
    // Whether the template's full-page picture "Pic_fm" takes the stored cover.
    bool cover = false;
};

// The twelve sections in tree order; the last, "评估报告", is the whole report.
const std::vector<Section>& sections();
QStringList sectionNames();
inline const QString kWholeReport = QStringLiteral("评估报告");
// Names are compared exactly; null for a name not in the table.
const Section* findSection(const QString& name);

// The evaluations every report reopens with its input, in order: blood
// pressure, then the three disease indices.
const std::vector<analysis::Evaluation>& inputEvaluations();

// What is run for a section: its own evaluations, then those every report
// reopens with its input (blood pressure, then the three disease indices).
std::vector<analysis::Evaluation> runOrder(const Section& section);

// "reports" beside the program.
QString defaultReportsDirectory();
QString templatePath(const QString& reportsDirectory, const Section& section);

// The name offered for a report exported as PDF: record number, name and
// date, with characters a file name cannot hold replaced.
QString pdfFileName(const QString& recordNumber, const QString& name, const QDate& date);
// The parts joined by '_' as a PDF's file name, each trimmed and with runs of
// characters a file name cannot hold (path separators, control characters)
// replaced by '_'; empty parts are left out.
QString safeFileName(const QStringList& parts);

} // namespace hra::report

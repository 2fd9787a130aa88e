#pragma once

#include "domain/QuestionnaireForms.h"

#include <QString>
#include <vector>

namespace hra::reportengine {
class Report;
}

namespace hra::paper {

// One printed line of the blank questionnaire: a heading, or a question with
// a box to tick before each option and a blank for each value to write.
struct PaperLine
{
    bool heading = false;
    QString text;
};

// The lines of one questionnaire page, from its declaration: every section's
// caption, every field's caption with its options, units and ranges.
std::vector<PaperLine> paperLines(const domain::QuestionnairePage& page);

// Loads the blank questionnaire into a report (one template page per
// questionnaire page, continued on further sheets as needed) with its data
// sources; false and *error when the template does not load.
bool preparePaperQuestionnaire(reportengine::Report& report, QString* error);

// Builds it and writes it as PDF; false and *error on failure.
bool writePaperQuestionnaire(const QString& pdfPath, QString* error);

} // namespace hra::paper

#include "report/Lookup.h"

namespace hra::report {

AnalysisLookup lookupForAnalysis(const QSqlDatabase& db, const QString& recordNumber, bool history)
{
    AnalysisLookup out;
    const std::optional<domain::AssessmentSummary> latest =
        domain::latestAssessment(db, recordNumber);
    if (!latest)
        return out;
    out.person = domain::findPerson(db, recordNumber);
    if (history) {
        out.action = AnalysisLookup::Action::ChooseFrom;
        out.assessments = domain::assessmentsOf(db, recordNumber);
    } else if (latest->state == domain::kInProgress) {
        out.action = AnalysisLookup::Action::Analyse;
        out.assessmentId = latest->id;
        out.stateText = latest->state;
    } else if (latest->state == domain::kEnded) {
        out.action = AnalysisLookup::Action::ChooseFrom;
        out.stateText = latest->state;
        out.assessments = domain::assessmentsOf(db, recordNumber);
    } else {
        out.action = AnalysisLookup::Action::Nothing;
    }
    return out;
}

} // namespace hra::report

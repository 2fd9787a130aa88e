#pragma once

#include "domain/FormDeclaration.h"
#include "domain/SaveRules.h"

#include <array>

namespace hra::domain {

// The five pages of the questionnaire as declared forms, in page order:
// current health and family history, diet, exercise, lifestyle, physical
// examination. The window is built from them and imported answers are
// checked against them; the option texts are stored data and are compared
// character for character by the evaluations.
struct QuestionnairePage
{
    AssessmentTable table;
    QString caption; // the page's tab
    FormDeclaration form;
};

const std::array<QuestionnairePage, 5>& questionnairePages();
const QuestionnairePage& questionnairePage(AssessmentTable table);

} // namespace hra::domain

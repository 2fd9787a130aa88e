#pragma once

#include <QString>

namespace hra::app {

// What the navigation tree needs of the work windows that later areas build.
// A window registered under the kind implements the interface; the main
// window finds it with dynamic_cast.

// TFrm_jkpg: the five questionnaire pages, 0 to 4.
class QuestionnaireView
{
public:
    virtual ~QuestionnaireView() = default;
    virtual void showSection(int index) = 0;
};

// TFrm_sjfx: the record number typed in its record-number box, and its report preview.
class AnalysisView
{
public:
    virtual ~AnalysisView() = default;
    virtual QString recordNumber() const = 0;
    virtual void clearPreview() = 0;
};

// TFrm_sjfxhc: the dialog building one report section.
class SectionReportView
{
public:
    virtual ~SectionReportView() = default;
    virtual void setSectionName(const QString& name) = 0;
};

} // namespace hra::app

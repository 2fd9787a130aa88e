#pragma once

#include "windows/shell/Shell.h"
#include "windows/shell/WindowRegistry.h"

#include <QString>
#include <QWidget>

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
    // The hand-over of an assessment from another window: the record number
    // goes into the box without its change behaviour, the navigation tree is
    // switched on, the assessment is opened for the report (the blood-pressure
    // grade and disease indices run) and the person is shown. False, with the
    // reason told to the operator, when the assessment cannot be opened.
    virtual bool analyseAssessment(const QString& recordNumber, qint32 assessmentId,
                                   const QString& stateText) = 0;
    // A section chosen in the navigation tree: built into the preview at once,
    // or the operator is told what is missing.
    virtual void chooseSection(const QString& section) = 0;
};

// TFrm_sjfxhc: the dialog building one report section.
class SectionReportView
{
public:
    virtual ~SectionReportView() = default;
    virtual void setSectionName(const QString& name) = 0;
};

// Moves the operator into data analysis with this assessment chosen, as the
// questionnaire does after "是否进行数据分析及生成报告？" and the information
// query does: the main window's "数据分析" command, then the hand-over.
inline bool handOverToAnalysis(Shell& shell, const QString& recordNumber, qint32 assessmentId,
                               const QString& stateText)
{
    shell.openAnalysis();
    auto* view = dynamic_cast<AnalysisView*>(shell.window(kinds::analysis));
    return view && view->analyseAssessment(recordNumber, assessmentId, stateText);
}

} // namespace hra::app

#include "windows/areas/AreaWindows.h"

#include "windows/query/QueryWindow.h"
#include "windows/records/BrowseRecordWindow.h"
#include "windows/records/CreateRecordWindow.h"
#include "windows/records/DeleteRecordWindow.h"
#include "windows/records/GroupImportWindow.h"
#include "windows/records/ModifyRecordWindow.h"
#include "windows/report/AnalysisWindow.h"
#include "windows/report/BatchReportWindow.h"
#include "windows/report/GroupSummaryDialog.h"
#include "windows/report/SectionDialog.h"
#include "windows/report/SettingsDialogs.h"
#include "windows/shell/AppContext.h"
#include "windows/shell/Shell.h"
#include "windows/shell/WindowRegistry.h"
#include "windows/shell/WorkWindows.h"

namespace hra::app {
namespace {

// The questionnaire as the main window's navigation tree sees it.
class QuestionnaireChild : public questionnaire::QuestionnaireWindow, public QuestionnaireView
{
public:
    using QuestionnaireWindow::QuestionnaireWindow;
    void showSection(int index) override { QuestionnaireWindow::showSection(index); }
};

// The report windows as the main window knows them.
class AnalysisWindowKind final : public report::AnalysisWindow, public AnalysisView
{
public:
    using report::AnalysisWindow::AnalysisWindow;
    QString recordNumber() const override { return report::AnalysisWindow::recordNumber(); }
    void clearPreview() override { report::AnalysisWindow::clearPreview(); }
    bool analyseAssessment(const QString& recordNumber, qint32 assessmentId,
                           const QString& stateText) override
    {
        return report::AnalysisWindow::analyseAssessment(recordNumber, assessmentId, stateText);
    }
    void chooseSection(const QString& section) override
    {
        report::AnalysisWindow::chooseSection(section);
    }
};

class SectionDialogKind final : public report::SectionDialog, public SectionReportView
{
public:
    using report::SectionDialog::SectionDialog;
    void setSectionName(const QString& name) override
    {
        report::SectionDialog::setSectionName(name);
    }
};

} // namespace

AreaWindows::AreaWindows(AppContext& context, WindowRegistry& registry)
    : m_context(context), m_registry(registry)
{
    auto child = [&registry, this](const QString& kind, auto make) {
        registry.add(kind, Presentation::ChildWindow,
                     [this, make](AppContext&, Shell& shell) -> QWidget* {
                         records::Context& rc = recordsContext();
                         // The hand-over goes through the main window's questionnaire
                         // command once the questionnaire is there; until then it only
                         // leaves the record number for it.
                         if (m_registry.find(kinds::questionnaire))
                             rc.openQuestionnaire = [&shell] { shell.openQuestionnaire(); };
                         return make(rc);
                     });
    };
    child(kinds::createRecord,
          [](records::Context& c) { return new records::CreateRecordWindow(c); });
    child(kinds::modifyRecord,
          [](records::Context& c) { return new records::ModifyRecordWindow(c); });
    child(kinds::deleteRecord,
          [](records::Context& c) { return new records::DeleteRecordWindow(c); });
    child(kinds::browseRecords,
          [](records::Context& c) { return new records::BrowseRecordWindow(c); });
    // The assessments a group import made go straight to the batch report.
    registry.add(kinds::groupImport, Presentation::ChildWindow,
                 [this](AppContext&, Shell& shell) -> QWidget* {
                     auto* w = new records::GroupImportWindow(recordsContext());
                     QObject::connect(
                         w, &records::GroupImportWindow::reportsRequested, w,
                         [&shell](const QList<qint64>& ids) {
                             shell.open(kinds::batchReports, [&ids](QWidget* batch) {
                                 if (auto* b = qobject_cast<report::BatchReportWindow*>(batch))
                                     b->setAssessments(ids);
                             });
                         });
                     return w;
                 });
    registry.add(kinds::questionnaire, Presentation::ChildWindow,
                 [this](AppContext&, Shell& shell) -> QWidget* {
                     return new QuestionnaireChild(questionnaireContext(shell));
                 });
    registry.add(kinds::query, Presentation::Modal, [this](AppContext&, Shell& shell) -> QWidget* {
        return new query::QueryWindow(queryContext(shell));
    });

    registry.add(kinds::analysis, Presentation::ChildWindow,
                 [this](AppContext&, Shell& shell) -> QWidget* {
                     return new AnalysisWindowKind(reportContext(shell));
                 });
    registry.add(
        kinds::reportSection, Presentation::Modal, [this](AppContext&, Shell& shell) -> QWidget* {
            auto* analysis = dynamic_cast<report::AnalysisWindow*>(shell.window(kinds::analysis));
            return new SectionDialogKind(analysis, reportContext(shell).prompts);
        });
    registry.add(kinds::groupSummary, Presentation::Modal,
                 [this](AppContext&, Shell& shell) -> QWidget* {
                     return new report::GroupSummaryDialog(reportContext(shell));
                 });
    registry.add(kinds::batchReports, Presentation::Modal,
                 [this](AppContext&, Shell& shell) -> QWidget* {
                     return new report::BatchReportWindow(reportContext(shell));
                 });
    registry.add(kinds::centreSettings, Presentation::Modal,
                 [this](AppContext&, Shell& shell) -> QWidget* {
                     return new report::CentreDialog(reportContext(shell));
                 });
    registry.add(kinds::coverSettings, Presentation::Modal,
                 [this](AppContext&, Shell& shell) -> QWidget* {
                     return new report::CoverDialog(reportContext(shell));
                 });
}

records::Context& AreaWindows::recordsContext()
{
    if (!m_records)
        m_records.emplace(
            records::Context{*m_context.connection, m_context.session, m_context.prompts, {}, {}});
    return *m_records;
}

query::Context& AreaWindows::queryContext(Shell& shell)
{
    if (m_query)
        return *m_query;
    m_query.emplace(
        query::Context{*m_context.connection, m_context.session, m_context.prompts, {}, {}, {}});
    // The entered data: the questionnaire command, then the assessment opened
    // in its window (which disables saving for everyone but the manager).
    m_query->openEnteredData = [&shell](const QString& number, qint32 id, const QString& state) {
        shell.openQuestionnaire();
        auto* window =
            dynamic_cast<questionnaire::QuestionnaireWindow*>(shell.window(kinds::questionnaire));
        if (window)
            window->openAssessment(number, id, state);
    };
    // The person in the modify-record window, looked up as Enter there does.
    m_query->modifyPerson = [&shell](const QString& number) {
        shell.openCreateRecord();
        if (shell.window(kinds::modifyRecord))
            return;
        if (auto* window =
                dynamic_cast<records::ModifyRecordWindow*>(shell.open(kinds::modifyRecord)))
            window->lookup(number);
    };
    // The report: the data analysis opened on that assessment.
    m_query->openReport = [&shell](const QString& number, qint32 id, const QString& state) {
        handOverToAnalysis(shell, number, id, state);
    };
    return *m_query;
}

questionnaire::Context& AreaWindows::questionnaireContext(Shell& shell)
{
    if (!m_questionnaire) {
        m_questionnaire.emplace(questionnaire::Context{
            *m_context.connection, m_context.session, m_context.prompts, {}});
        // "是否进行数据分析及生成报告？": the saved assessment goes to the data analysis.
        if (m_registry.find(kinds::analysis))
            m_questionnaire->analyse = [&shell](const QString& record, qint32 id,
                                                const QString& state) {
                handOverToAnalysis(shell, record, id, state);
            };
    }
    return *m_questionnaire;
}

report::Context& AreaWindows::reportContext(Shell& shell)
{
    if (!m_report)
        m_report.emplace(report::Context{*m_context.connection,
                                         m_context.prompts,
                                         [&shell](bool on) { shell.setNavigationEnabled(on); },
                                         {},
                                         [&shell] { shell.open(kinds::batchReports); }});
    return *m_report;
}

} // namespace hra::app

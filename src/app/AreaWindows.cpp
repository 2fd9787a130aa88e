#include "app/AreaWindows.h"

#include "app/AppContext.h"
#include "app/Shell.h"
#include "app/WindowRegistry.h"
#include "app/WorkWindows.h"
#include "query/QueryWindow.h"
#include "records/BrowseRecordWindow.h"
#include "records/CreateRecordWindow.h"
#include "records/DeleteRecordWindow.h"
#include "records/ModifyRecordWindow.h"
#include "records/Photos.h"

namespace hra::app {
namespace {

// The questionnaire as the main window's navigation tree sees it.
class QuestionnaireChild : public questionnaire::QuestionnaireWindow, public QuestionnaireView
{
public:
    using QuestionnaireWindow::QuestionnaireWindow;
    void showSection(int index) override { QuestionnaireWindow::showSection(index); }
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
                         if (m_registry.find(kinds::jkpg))
                             rc.openQuestionnaire = [&shell] { shell.N_xxdcClick(); };
                         return make(rc);
                     });
    };
    child(kinds::jbxx, [](records::Context& c) { return new records::CreateRecordWindow(c); });
    child(kinds::xgda, [](records::Context& c) { return new records::ModifyRecordWindow(c); });
    child(kinds::scda, [](records::Context& c) { return new records::DeleteRecordWindow(c); });
    child(kinds::llda, [](records::Context& c) { return new records::BrowseRecordWindow(c); });
    registry.add(kinds::jkpg, Presentation::ChildWindow,
                 [this](AppContext&, Shell& shell) -> QWidget* {
                     return new QuestionnaireChild(questionnaireContext(shell));
                 });
    registry.add(kinds::xxcx, Presentation::Modal, [this](AppContext&, Shell& shell) -> QWidget* {
        return new query::QueryWindow(queryContext(shell));
    });
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
        shell.N_xxdcClick();
        auto* window = dynamic_cast<questionnaire::QuestionnaireWindow*>(shell.window(kinds::jkpg));
        if (window)
            window->openAssessment(number, id, state);
    };
    // The person in the modify-record window, looked up as Enter there does.
    m_query->modifyPerson = [&shell](const QString& number) {
        shell.N_jldaClick();
        if (shell.window(kinds::xgda))
            return;
        if (auto* window = dynamic_cast<records::ModifyRecordWindow*>(shell.open(kinds::xgda)))
            window->lookup(number);
    };
    // openReport is wired once the data analysis window is there.
    return *m_query;
}

questionnaire::Context& AreaWindows::questionnaireContext(Shell& shell)
{
    if (!m_questionnaire) {
        m_questionnaire.emplace(questionnaire::Context{
            *m_context.connection, m_context.session, m_context.prompts, {}});
        // The saved assessment goes to the data analysis window, once there is one.
        if (m_registry.find(kinds::sjfx))
            m_questionnaire->analyse = [&shell](const QString&, qint32, const QString&) {
                shell.N_sjfxClick();
            };
    }
    return *m_questionnaire;
}

records::Context& AreaWindows::recordsContext()
{
    if (!m_records)
        m_records.emplace(records::Context{*m_context.connection,
                                           m_context.session,
                                           m_context.prompts,
                                           records::defaultPhotoDirectory(),
                                           {},
                                           {}});
    return *m_records;
}

} // namespace hra::app

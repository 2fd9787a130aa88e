#pragma once

#include "windows/query/Context.h"
#include "windows/questionnaire/QuestionnaireWindow.h"
#include "windows/records/Context.h"
#include "windows/report/Context.h"

#include <optional>

namespace hra::app {

struct AppContext;
class WindowRegistry;
class Shell;

// Plugs the windows of the areas of work into the main window's registry and
// holds what they share for the whole run.
class AreaWindows
{
public:
    AreaWindows(AppContext& context, WindowRegistry& registry);

private:
    // Built when the first person-record window opens: the connection only
    // exists after the log-in.
    records::Context& recordsContext();
    questionnaire::Context& questionnaireContext(class Shell& shell);
    report::Context& reportContext(Shell& shell);
    query::Context& queryContext(Shell& shell);

    AppContext& m_context;
    const WindowRegistry& m_registry;
    std::optional<records::Context> m_records;
    std::optional<questionnaire::Context> m_questionnaire;
    std::optional<report::Context> m_report;
    std::optional<query::Context> m_query;
};

} // namespace hra::app

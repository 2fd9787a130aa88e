#include "app/AreaWindows.h"

#include "app/AppContext.h"
#include "app/Shell.h"
#include "app/WindowRegistry.h"
#include "records/BrowseRecordWindow.h"
#include "records/CreateRecordWindow.h"
#include "records/DeleteRecordWindow.h"
#include "records/ModifyRecordWindow.h"
#include "records/Photos.h"

namespace hra::app {

AreaWindows::AreaWindows(AppContext& context, WindowRegistry& registry)
    : m_context(context), m_registry(registry)
{
    auto child = [&registry, this](const QString& kind, auto make) {
        registry.add(kind, Presentation::ChildWindow, [this, make](AppContext&, Shell& shell) -> QWidget* {
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
}

records::Context& AreaWindows::recordsContext()
{
    if (!m_records)
        m_records.emplace(records::Context{*m_context.connection, m_context.session, m_context.prompts,
                                           records::defaultPhotoDirectory(), {}, {}});
    return *m_records;
}

} // namespace hra::app

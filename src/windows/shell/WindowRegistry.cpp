#include "windows/shell/WindowRegistry.h"

#include "windows/shell/AboutDialog.h"
#include "windows/shell/AuditLogWindow.h"
#include "windows/shell/OperatorWindow.h"
#include "windows/shell/ReferencesDialog.h"

namespace hra::app {

void WindowRegistry::add(const QString& kind, Presentation presentation, Factory create)
{
    m_entries.insert_or_assign(kind, Entry{presentation, std::move(create)});
}

const WindowRegistry::Entry* WindowRegistry::find(const QString& kind) const
{
    const auto it = m_entries.find(kind);
    return it == m_entries.end() ? nullptr : &it->second;
}

QStringList WindowRegistry::kinds() const
{
    QStringList out;
    for (const auto& [kind, entry] : m_entries)
        out << kind;
    return out;
}

void registerShellWindows(WindowRegistry& registry)
{
    registry.add(kinds::about, Presentation::Modal,
                 [](AppContext&, Shell&) -> QWidget* { return new AboutDialog; });
    registry.add(kinds::references, Presentation::Modal,
                 [](AppContext&, Shell&) -> QWidget* { return new ReferencesDialog; });
    registry.add(
        kinds::operators, Presentation::Modal,
        [](AppContext& context, Shell&) -> QWidget* { return new OperatorWindow(context); });
    registry.add(kinds::auditLog, Presentation::Modal, [](AppContext& context, Shell&) -> QWidget* {
        return new AuditLogWindow(context);
    });
}

} // namespace hra::app

#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <map>

class QWidget;

namespace hra::app {

struct AppContext;
class Shell;

// The window kinds the main window opens. The values are the windows'
// object names, which the tests and the declared texts use.
namespace kinds {
inline const QString createRecord = QStringLiteral("TFrm_jbxx");
inline const QString modifyRecord = QStringLiteral("TFrm_xgda");
inline const QString deleteRecord = QStringLiteral("TFrm_scda");
inline const QString browseRecords = QStringLiteral("TFrm_llda");
inline const QString groupImport = QStringLiteral("TFrm_pldr");
inline const QString questionnaire = QStringLiteral("TFrm_jkpg");
inline const QString analysis = QStringLiteral("TFrm_sjfx");
inline const QString reportSection = QStringLiteral("TFrm_sjfxhc");
inline const QString groupSummary = QStringLiteral("TFrm_tjhz");
inline const QString batchReports = QStringLiteral("TFrm_plbg");
inline const QString query = QStringLiteral("TFrm_xxcx");
inline const QString operators = QStringLiteral("Tfrm_ryxx");
inline const QString auditLog = QStringLiteral("Tfrm_czrz");
inline const QString centreSettings = QStringLiteral("TFrm_pgzx");
inline const QString coverSettings = QStringLiteral("TFrm_bgfm");
inline const QString about = QStringLiteral("TFrm_gy");
inline const QString references = QStringLiteral("TFrm_ckwx");
} // namespace kinds

// How a kind is shown: inside the main window, or as a modal dialog.
enum class Presentation
{
    ChildWindow,
    Modal
};

// Every window kind the main window can open, with the factory creating it.
// Each area registers its windows here; a kind nobody registered opens
// nothing. The factory returns a new widget without parent; the main window
// owns it from then on and frees it when it closes.
class WindowRegistry
{
public:
    using Factory = std::function<QWidget*(AppContext& context, Shell& shell)>;

    struct Entry
    {
        Presentation presentation;
        Factory create;
    };

    // Registering a kind again replaces its factory.
    void add(const QString& kind, Presentation presentation, Factory create);
    const Entry* find(const QString& kind) const;
    QStringList kinds() const;

private:
    std::map<QString, Entry> m_entries;
};

// The about box, the references window and the operator window.
void registerShellWindows(WindowRegistry& registry);

} // namespace hra::app

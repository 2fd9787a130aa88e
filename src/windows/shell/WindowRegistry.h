#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <map>

class QWidget;

namespace hra::app {

struct AppContext;
class Shell;

// The window kinds the main window opens, by name.
namespace kinds {
inline const QString jbxx = QStringLiteral("TFrm_jbxx");     // new person record
inline const QString xgda = QStringLiteral("TFrm_xgda");     // modify record
inline const QString scda = QStringLiteral("TFrm_scda");     // delete record
inline const QString llda = QStringLiteral("TFrm_llda");     // browse records
inline const QString jkpg = QStringLiteral("TFrm_jkpg");     // questionnaire
inline const QString sjfx = QStringLiteral("TFrm_sjfx");     // data analysis
inline const QString sjfxhc = QStringLiteral("TFrm_sjfxhc"); // one report section
inline const QString xxcx = QStringLiteral("TFrm_xxcx");     // information query
inline const QString ryxx = QStringLiteral("Tfrm_ryxx");     // operators
inline const QString pgzx = QStringLiteral("TFrm_pgzx");     // assessment centre settings
inline const QString bgfm = QStringLiteral("TFrm_bgfm");     // report cover settings
inline const QString gy = QStringLiteral("TFrm_gy");         // about
inline const QString ckwx = QStringLiteral("TFrm_ckwx");     // references
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

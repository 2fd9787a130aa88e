#pragma once

#include "windows/shell/NavigationTree.h"
#include "windows/shell/Shell.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>

class QMdiArea;
class QMdiSubWindow;
class QToolBar;

class QLabel;

namespace hra::app {

struct AppContext;
class WindowRegistry;

// TFrm_main: menu, toolbar, the navigation tree on the left and the child
// windows of the areas of work beside it. Every window kind is opened at most
// once; its reference empties when it closes.
class MainWindow : public QMainWindow, public Shell
{
    Q_OBJECT
public:
    MainWindow(AppContext& context, const WindowRegistry& registry, QWidget* parent = nullptr);

    // Shows the logged-in operator's code and name in the status bar.
    void showLoggedInOperator();

    void openCreateRecord() override;
    void openQuestionnaire() override;
    void openAnalysis() override;
    void openQuery();
    bool closeAllChildWindows() override;
    void setNavigationEnabled(bool enabled) override;
    QWidget* window(const QString& kind) const override;
    QWidget* open(const QString& kind, const std::function<void(QWidget*)>& prepare = {}) override
    {
        return openWindow(kind, prepare);
    }

    // Opens a registered kind unless it is open already; prepare runs on a
    // new window before it is shown. Modal kinds return once they closed.
    // Returns the open window (null for a modal one, or an unregistered kind).
    QWidget* openWindow(const QString& kind, const std::function<void(QWidget*)>& prepare = {});

    NavigationTree* tree() const { return m_tree; }
    // The connection's state in the status bar ("ConnectionState"), every two
    // seconds; a lost link is tried again from here too, so that the bar
    // turns back without an operator's action.
    void showConnectionState();
    QMdiArea* mdiArea() const { return m_mdi; }

protected:
    // Leaving the program closes the child windows first, so that none drops
    // changes unasked; it stays when one of them is kept open.
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildToolBar();
    // Closes the child windows and empties the tree, as the dialogs of the menu do first.
    bool clearWorkArea();
    void openManagerDialog(const QString& kind);
    void openModalAfterClearing(const QString& kind);
    // Opens the centre's own document beside the program when it is there,
    // else shows the program's own in a window of the program.
    void askAndOpenDocument(const QString& question, const QString& fileName,
                            const std::function<void()>& showOwn);
    void showPaperQuestionnaire();
    void showUserGuide();
    void startBackup();
    void chooseNode(QTreeWidgetItem* item);
    bool showArea(TreeMode mode, bool enableTree);

    AppContext& m_context;
    const WindowRegistry& m_registry;
    NavigationTree* m_tree;
    QMdiArea* m_mdi;
    QLabel* m_operatorState = nullptr;
    QLabel* m_connectionState = nullptr;
    std::map<QString, QPointer<QWidget>> m_open;
    QPointer<QWidget> m_guide;
    QPointer<QWidget> m_paper;
};

} // namespace hra::app

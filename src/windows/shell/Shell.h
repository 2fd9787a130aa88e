#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace hra::app {

// The main window's operations that other windows call to move the operator
// between areas of work.
class Shell
{
public:
    virtual ~Shell() = default;

    virtual void openCreateRecord() = 0;  // person-records tree
    virtual void openQuestionnaire() = 0; // questionnaire tree and window
    virtual void openAnalysis() = 0;      // data-analysis tree and window
    // Closes the child windows, the last opened first; false when one of
    // them stays open (the operator kept changes it holds), leaving the
    // windows before it open too.
    virtual bool closeAllChildWindows() = 0;
    // While off, the navigation tree ignores mouse and keyboard.
    virtual void setNavigationEnabled(bool enabled) = 0;
    // Opens a window kind unless it is open; returns it (null for a modal
    // kind, which has closed again by then). `prepare` runs on a new window
    // before it shows.
    virtual QWidget* open(const QString& kind,
                          const std::function<void(QWidget*)>& prepare = {}) = 0;
    // The open window of a kind, or null.
    virtual QWidget* window(const QString& kind) const = 0;
};

} // namespace hra::app

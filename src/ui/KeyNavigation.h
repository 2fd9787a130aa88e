#pragma once

#include <QObject>
#include <functional>

class QWidget;

namespace hra::ui {

// The keys of every window: Enter moves the focus to the next control in tab
// order, Escape closes the window. A control may instead run an action on
// Enter (a record-number box runs its lookup, a password box logs in).
class KeyNavigation : public QObject
{
    Q_OBJECT
public:
    // Installs itself on the window and on every child widget it has now.
    static KeyNavigation* install(QWidget* window);

    // Enter in this control runs the action (after the focus has moved on, if
    // alsoMoveFocus) instead of only moving the focus.
    void setEnterAction(QWidget* control, std::function<void()> action, bool alsoMoveFocus = false);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit KeyNavigation(QWidget* window);

    struct EnterAction
    {
        QWidget* control;
        std::function<void()> action;
        bool alsoMoveFocus;
    };

    QWidget* m_window;
    std::vector<EnterAction> m_actions;
};

} // namespace hra::ui

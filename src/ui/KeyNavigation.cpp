#include "ui/KeyNavigation.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

namespace hra::ui {
namespace {

// The next control in the window's tab order that can take the focus,
// wrapping from the last to the first.
void focusNextInWindow(QWidget* window, QWidget* from)
{
    QWidget* w = from ? from : window;
    for (;;) {
        w = w->nextInFocusChain();
        if (!w || w == from)
            return;
        if (w != window && window->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) &&
            w->isVisibleTo(window) && w->isEnabled() && !w->focusProxy()) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

} // namespace

KeyNavigation::KeyNavigation(QWidget* window) : QObject(window), m_window(window) {}

KeyNavigation* KeyNavigation::install(QWidget* window)
{
    auto* nav = new KeyNavigation(window);
    window->installEventFilter(nav);
    for (QWidget* child : window->findChildren<QWidget*>())
        child->installEventFilter(nav);
    return nav;
}

void KeyNavigation::setEnterAction(QWidget* control, std::function<void()> action,
                                   bool alsoMoveFocus)
{
    control->installEventFilter(this);
    m_actions.push_back({control, std::move(action), alsoMoveFocus});
}

bool KeyNavigation::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier))
        return false;
    // An open drop-down list keeps its keys: Escape closes the list only and
    // Enter picks the item, the window stays as it is.
    if (auto* w = qobject_cast<QWidget*>(watched); w && w->window()->windowType() == Qt::Popup)
        return false;
    if (key->key() == Qt::Key_Escape) {
        m_window->close();
        return true;
    }
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    // Multi-line text boxes keep Enter for new lines; buttons keep it for clicking.
    if (qobject_cast<QTextEdit*>(watched) || qobject_cast<QPlainTextEdit*>(watched) ||
        qobject_cast<QAbstractButton*>(watched))
        return false;
    for (const EnterAction& a : m_actions) {
        if (a.control == watched) {
            if (a.alsoMoveFocus)
                focusNextInWindow(m_window, qobject_cast<QWidget*>(watched));
            a.action();
            return true;
        }
    }
    focusNextInWindow(m_window, qobject_cast<QWidget*>(watched));
    return true;
}

} // namespace hra::ui

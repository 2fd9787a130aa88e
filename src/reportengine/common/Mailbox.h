#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class QSocketNotifier;

namespace hra::reportengine {

// Calls sent from any thread to run on the thread that made the mailbox, in
// the order sent, while that thread runs its event loop.
//
// The calls wait in a list under a mutex of our own, and an eventfd wakes the
// mailbox's thread through a socket notifier that lives there. Nothing is
// posted through Qt's event queue: its lock lives inside libQt6Core, where
// the thread sanitizer cannot see it, so a queued call's data looked
// unguarded to the tool. Every hand-over here is one it follows (a mutex, and
// an eventfd's write and read).
//
// A mailbox ends on its own thread after the last send, and not from inside
// one of its calls (its notifier is delivering then): the object whose calls
// it carries keeps it, and joins its workers before it ends.
class Mailbox
{
public:
    // Works on the calling thread, which must be a QThread with an event loop.
    Mailbox();
    ~Mailbox();
    Mailbox(const Mailbox&) = delete;
    Mailbox& operator=(const Mailbox&) = delete;

    // Any thread. Throws std::system_error when no eventfd could be made.
    void send(std::function<void()> call);

private:
    void deliver();

    int m_wakeFd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::mutex m_mutex;
    std::deque<std::function<void()>> m_mail;
    bool m_wakePending = false;
};

} // namespace hra::reportengine

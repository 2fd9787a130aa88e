#include "reportengine/common/Mailbox.h"

#include <QSocketNotifier>
#include <cerrno>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace hra::reportengine {

Mailbox::Mailbox() : m_wakeFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (m_wakeFd < 0)
        throw std::system_error(errno, std::generic_category(), "eventfd");
    m_notifier = std::make_unique<QSocketNotifier>(m_wakeFd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                     [this] { deliver(); });
}

Mailbox::~Mailbox()
{
    m_notifier.reset();
    close(m_wakeFd);
}

void Mailbox::send(std::function<void()> call)
{
    bool wakeNeeded = false;
    {
        const std::lock_guard lock(m_mutex);
        m_mail.push_back(std::move(call));
        wakeNeeded = !std::exchange(m_wakePending, true);
    }
    // The counter cannot overflow: it is read back before the next wake.
    if (wakeNeeded)
        eventfd_write(m_wakeFd, 1);
}

void Mailbox::deliver()
{
    eventfd_t count = 0;
    eventfd_read(m_wakeFd, &count);
    std::deque<std::function<void()>> calls;
    {
        const std::lock_guard lock(m_mutex);
        m_wakePending = false;
        calls = std::exchange(m_mail, {});
    }
    for (const auto& call : calls)
        call();
}

} // namespace hra::reportengine

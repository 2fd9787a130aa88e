#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTest>
#include <functional>

namespace hra::test {

// Runs the event loop until the condition holds or a generous deadline
// passes; returns the condition. Animations and queued work finish here.
inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 10000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(10);
    }
    return true;
}

} // namespace hra::test

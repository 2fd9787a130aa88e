#include "reportengine/common/Mailbox.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace hra::reportengine {
namespace {

// Two threads send many calls while the receiving thread delivers them: each
// call runs on the receiving thread, each sender's calls in the order sent,
// and none is lost between a delivery and the next wake.
TEST(Mailbox, RunsEverySendersCallsInOrderOnItsOwnThread)
{
    constexpr int kSenders = 2;
    constexpr int kCalls = 5000;
    Mailbox mail;
    std::vector<std::vector<int>> seen(kSenders);
    int offThread = 0;
    std::vector<std::thread> senders;
    for (int s = 0; s < kSenders; ++s) {
        senders.emplace_back([&, s] {
            for (int i = 0; i < kCalls; ++i) {
                mail.send([&, s, i] {
                    if (QThread::currentThread() != qApp->thread())
                        ++offThread;
                    seen[size_t(s)].push_back(i);
                });
            }
        });
    }
    QElapsedTimer waited;
    waited.start();
    auto delivered = [&] {
        size_t n = 0;
        for (const auto& calls : seen)
            n += calls.size();
        return n;
    };
    while (delivered() < size_t(kSenders * kCalls) && waited.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    for (auto& t : senders)
        t.join();

    EXPECT_EQ(offThread, 0);
    for (const auto& calls : seen) {
        ASSERT_EQ(calls.size(), size_t(kCalls));
        for (int i = 0; i < kCalls; ++i)
            ASSERT_EQ(calls[size_t(i)], i);
    }
}

} // namespace
} // namespace hra::reportengine

#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>

namespace hra::cli {

// Runs functions one after another on a thread of its own, for work that
// must stay on one thread (a Qt SQL connection serves only the thread that
// opened it) while the caller does something else. The destructor runs
// what is queued and then ends the thread.
class WorkerThread
{
public:
    WorkerThread() : m_thread([this] { loop(); }) {}
    ~WorkerThread()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_closing = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Queues `f`; the future gives its result or rethrows what it threw.
    template <typename F> std::future<std::invoke_result_t<F>> post(F f)
    {
        auto task = std::make_shared<std::packaged_task<std::invoke_result_t<F>()>>(std::move(f));
        auto result = task->get_future();
        {
            const std::lock_guard lock(m_mutex);
            m_queue.emplace_back([task] { (*task)(); });
        }
        m_wake.notify_one();
        return result;
    }

    // Runs `f` there and waits for it.
    template <typename F> std::invoke_result_t<F> run(F f) { return post(std::move(f)).get(); }

private:
    void loop()
    {
        while (true) {
            std::function<void()> next;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] { return m_closing || !m_queue.empty(); });
                if (m_queue.empty())
                    return;
                next = std::move(m_queue.front());
                m_queue.pop_front();
            }
            next();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_queue;
    bool m_closing = false;
    std::thread m_thread; // last: starts when the rest is ready
};

} // namespace hra::cli

#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>

namespace hra::reportengine {

// Runs functions one after another on a thread of its own, in the order
// posted. Every function runs as a packaged task: what it returns or throws
// (bad_alloc included) reaches the caller through its future, never ends the
// thread or the process. The destructor runs what is queued and then ends
// the thread.
class TaskQueue
{
public:
    TaskQueue() : m_thread([this] { loop(); }) {}
    ~TaskQueue()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_closing = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    TaskQueue(const TaskQueue&) = delete;
    TaskQueue& operator=(const TaskQueue&) = delete;

    // Queues `f`; the future gives its result or rethrows what it threw.
    template <typename F> std::future<std::invoke_result_t<F>> post(F f)
    {
        // std::function needs a copyable callable; the task is shared.
        auto task = std::make_shared<std::packaged_task<std::invoke_result_t<F>()>>(std::move(f));
        auto result = task->get_future();
        {
            const std::lock_guard lock(m_mutex);
            m_queue.emplace_back([task] { (*task)(); });
        }
        m_wake.notify_all();
        return result;
    }

    // Runs `f` there and waits for it.
    template <typename F> std::invoke_result_t<F> run(F f) { return post(std::move(f)).get(); }

    // Waits until everything posted has run.
    void drain()
    {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return m_queue.empty() && !m_busy; });
    }

private:
    void loop()
    {
        std::unique_lock lock(m_mutex);
        while (true) {
            m_wake.wait(lock, [this] { return m_closing || !m_queue.empty(); });
            if (m_queue.empty())
                return;
            std::function<void()> next = std::move(m_queue.front());
            m_queue.pop_front();
            m_busy = true;
            lock.unlock();
            next();         // a packaged task: throws nothing
            next = nullptr; // what it held goes here, not under the lock
            lock.lock();
            m_busy = false;
            m_wake.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_queue;
    bool m_busy = false;
    bool m_closing = false;
    std::thread m_thread; // last: starts when the rest is ready
};

} // namespace hra::reportengine

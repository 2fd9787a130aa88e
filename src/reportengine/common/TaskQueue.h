#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <type_traits>
#include <utility>

namespace hra::reportengine {

// What a task posted to a TaskQueue gives back: its value, or what it threw,
// rethrown by get(). The hand-over is a mutex and a condition variable of
// our own, not std::future, whose wait inside libstdc++ the thread sanitizer
// cannot see.
template <typename T> class TaskResult
{
    struct State
    {
        std::mutex mutex;
        std::condition_variable done;
        bool ready = false;
        std::optional<std::conditional_t<std::is_void_v<T>, bool, T>> value;
        std::exception_ptr error;
    };

public:
    TaskResult() = default;

    // False once get() has taken the result, or for a default-made one.
    bool valid() const { return m_state != nullptr; }

    void wait() const
    {
        std::unique_lock lock(state().mutex);
        state().done.wait(lock, [this] { return m_state->ready; });
    }
    // True when the task has ended within `timeout`.
    template <typename Rep, typename Period>
    bool waitFor(const std::chrono::duration<Rep, Period>& timeout) const
    {
        std::unique_lock lock(state().mutex);
        return state().done.wait_for(lock, timeout, [this] { return m_state->ready; });
    }

    // Waits for the task, then gives its value or rethrows what it threw.
    // Once only: the result is no longer valid() after.
    T get()
    {
        wait();
        const std::shared_ptr<State> s = std::move(m_state);
        if (s->error)
            std::rethrow_exception(s->error);
        if constexpr (!std::is_void_v<T>)
            return std::move(*s->value);
    }

private:
    friend class TaskQueue;
    explicit TaskResult(std::shared_ptr<State> s) : m_state(std::move(s)) {}

    State& state() const
    {
        if (!m_state)
            throw std::logic_error("TaskResult: no result to wait for");
        return *m_state;
    }

    // Runs `f` and hands what it returned or threw to the waiting side.
    template <typename F> static void run(State& s, F& f) noexcept
    {
        std::optional<std::conditional_t<std::is_void_v<T>, bool, T>> value;
        std::exception_ptr error;
        try {
            if constexpr (std::is_void_v<T>) {
                f();
                value.emplace(true);
            } else {
                value.emplace(f());
            }
        } catch (...) {
            error = std::current_exception();
        }
        {
            const std::lock_guard lock(s.mutex);
            s.value = std::move(value);
            s.error = std::move(error);
            s.ready = true;
        }
        s.done.notify_all();
    }

    std::shared_ptr<State> m_state;
};

// Runs functions one after another on a thread of its own, in the order
// posted. What a function returns or throws (bad_alloc included) reaches the
// caller through its TaskResult, never ends the thread or the process. The
// destructor runs what is queued and then ends the thread.
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

    // Queues `f`; the result gives what it returned or rethrows what it threw.
    template <typename F> TaskResult<std::invoke_result_t<F>> post(F f)
    {
        using Result = TaskResult<std::invoke_result_t<F>>;
        auto state = std::make_shared<typename Result::State>();
        {
            const std::lock_guard lock(m_mutex);
            // std::function needs a copyable callable; the function is shared.
            m_queue.emplace_back(
                [state, f = std::make_shared<F>(std::move(f))] { Result::run(*state, *f); });
        }
        m_wake.notify_all();
        return Result(state);
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
            next();         // hands over what it threw: throws nothing
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

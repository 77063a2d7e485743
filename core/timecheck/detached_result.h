// Work on a detached worker whose result a caller may wait for until a deadline, and leave
// behind after it: the worker shares the result with the caller and owns what it touches, so it
// ends on its own whenever its call returns.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

namespace tk {

// Where detached work runs: a thread of its own in the program; a test may run it at once, or
// later by hand.
class IWorkerStarter {
public:
    virtual ~IWorkerStarter() = default;
    // False when the work could not be started.
    virtual bool Start(std::function<void()> work) = 0;
};

class DetachedThreads final : public IWorkerStarter {
public:
    bool Start(std::function<void()> work) override {
        try {
            std::thread(std::move(work)).detach();
            return true;
        } catch (const std::system_error&) {
            return false;
        }
    }
};

// The result, shared by the worker and the caller.
template <typename T>
class DetachedResult {
public:
    using Steady = std::chrono::steady_clock;

    // Runs work on a worker that starter gives (nullptr: a thread of its own); nullptr when none
    // could be started.
    static std::shared_ptr<DetachedResult> Start(std::function<T()> work,
                                                 IWorkerStarter* starter = nullptr) {
        auto result = std::make_shared<DetachedResult>();
        DetachedThreads threads;
        IWorkerStarter& start = starter != nullptr ? *starter : threads;
        if (!start.Start([result, work = std::move(work)] { result->Put(work()); })) {
            return nullptr;
        }
        return result;
    }

    // Without waiting: the value once the work has ended.
    std::optional<T> Peek() {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_value;
    }
    // The value, waiting for it at most until deadline; none when the work has not ended by then.
    std::optional<T> WaitUntil(Steady::time_point deadline) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_ended.wait_until(lock, deadline, [this] { return m_value.has_value(); });
        return m_value;
    }
    std::optional<T> WaitFor(std::chrono::milliseconds wait) {
        return WaitUntil(Steady::now() + wait);
    }

private:
    void Put(T value) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_value = std::move(value);
        m_ended.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_ended;
    std::optional<T> m_value;
};

}  // namespace tk

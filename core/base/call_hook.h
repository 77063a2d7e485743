// A stand-in for one call to the system that tests may put in place: the program makes the real
// call while none is set. Each such call has one, a static of the file that makes the call.
#pragma once

#include <functional>
#include <mutex>
#include <utility>

namespace tk {

template <typename Signature>
class CallHook;

template <typename R, typename... Args>
class CallHook<R(Args...)> {
public:
    using Function = std::function<R(Args...)>;

    // Puts a stand-in in place and hands back the one it replaces; an empty one brings back the
    // real call.
    Function Set(Function stand) {
        const std::lock_guard<std::recursive_mutex> lock(m_mutex);
        return std::exchange(m_stand, std::move(stand));
    }

    // The stand-in's result, or, with none set, real's. The stand-in is called under the lock,
    // so a test's recorder is never replaced while a worker thread is in it; the real call is
    // made outside it (it may be a modal loop).
    template <typename Real>
    R Call(Real&& real, Args... args) {
        {
            const std::lock_guard<std::recursive_mutex> lock(m_mutex);
            if (m_stand) return m_stand(args...);
        }
        return real(args...);
    }

private:
    std::recursive_mutex m_mutex;
    Function m_stand;
};

}  // namespace tk

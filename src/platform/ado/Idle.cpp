#include "Idle.h"

#include <atomic>
#include <thread>

namespace tw::ado {

namespace {
std::function<void()> &installed()
{
    static std::function<void()> callback;
    return callback;
}
// The callback lets the window's events run: only on the thread that installed it.
// Other threads read this to learn it is not theirs, and never touch the callback.
std::atomic<std::thread::id> &installer()
{
    static std::atomic<std::thread::id> id;
    return id;
}
} // namespace

void setIdleCallback(std::function<void()> callback)
{
    installed() = std::move(callback);
    installer() = std::this_thread::get_id();
}

void idle()
{
    if (idleRunsHere())
        installed()();
}

bool idleRunsHere()
{
    // Only the installing thread writes the callback, and only it reads it.
    return installer().load(std::memory_order_relaxed) == std::this_thread::get_id() && installed();
}

ScopedIdleCallback::ScopedIdleCallback(std::function<void()> callback) : m_previous(installed())
{
    installed() = std::move(callback);
    installer() = std::this_thread::get_id();
}

ScopedIdleCallback::~ScopedIdleCallback()
{
    installed() = std::move(m_previous);
}

} // namespace tw::ado

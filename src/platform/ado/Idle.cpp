#include "Idle.h"

#include <thread>

namespace tw::ado {

namespace {
std::function<void()> &installed()
{
    static std::function<void()> callback;
    return callback;
}
// The callback lets the window's events run: only on the thread that installed it.
std::thread::id &installer()
{
    static std::thread::id id;
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
    if (installed() && std::this_thread::get_id() == installer())
        installed()();
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

#include "Idle.h"

namespace tw::ado {

namespace {
std::function<void()> &installed()
{
    static std::function<void()> callback;
    return callback;
}
} // namespace

void setIdleCallback(std::function<void()> callback)
{
    installed() = std::move(callback);
}

void idle()
{
    if (installed())
        installed()();
}

ScopedIdleCallback::ScopedIdleCallback(std::function<void()> callback) : m_previous(installed())
{
    installed() = std::move(callback);
}

ScopedIdleCallback::~ScopedIdleCallback()
{
    installed() = std::move(m_previous);
}

} // namespace tw::ado

#pragma once
// Idle: lets a provider's long inner work (writing out a whole table, dropping
// a large one) give the program's window a chance to repaint. The program
// installs what "let pending events run" means; providers call idle().

#include <functional>

namespace tw::ado {

// Installs the callback (an empty function removes it).
void setIdleCallback(std::function<void()> callback);
// Runs the callback when one is installed, on the thread that installed it
// (elsewhere it does nothing). Cheap enough to call per row: the callback is
// expected to throttle itself.
void idle();
// True on the thread idle() runs a callback on: a wait there should wait in
// short slices and call idle() between them (see BatchQueue).
bool idleRunsHere();

// Installs a callback for the lifetime of this object, then restores the previous one.
class ScopedIdleCallback {
public:
    explicit ScopedIdleCallback(std::function<void()> callback);
    ~ScopedIdleCallback();
    ScopedIdleCallback(const ScopedIdleCallback &) = delete;
    ScopedIdleCallback &operator=(const ScopedIdleCallback &) = delete;

private:
    std::function<void()> m_previous;
};

} // namespace tw::ado

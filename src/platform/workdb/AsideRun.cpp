#include "AsideRun.h"

#include "Sqlite.h"

#include "platform/ado/Idle.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace tw::workdb {

namespace {
constexpr std::chrono::milliseconds kIdleEvery(5);
}

void runAside(const std::function<void()> &work)
{
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::exception_ptr failure;
    std::thread worker([&] {
        suppressIdleOnThisThread();
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        {
            const std::lock_guard lock(mutex);
            done = true;
        }
        finished.notify_all();
    });
    std::exception_ptr idleFailure;
    {
        std::unique_lock lock(mutex);
        while (!finished.wait_for(lock, kIdleEvery, [&] { return done; })) {
            lock.unlock();
            try {
                ado::idle();
            } catch (...) {
                if (!idleFailure)
                    idleFailure = std::current_exception();
            }
            lock.lock();
        }
    }
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
    if (idleFailure)
        std::rethrow_exception(idleFailure);
}

} // namespace tw::workdb

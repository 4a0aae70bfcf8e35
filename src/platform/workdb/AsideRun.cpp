#include "AsideRun.h"

#include "Sqlite.h"

#include "platform/ado/BatchQueue.h"

#include <thread>

namespace tw::workdb {

void runAside(const std::function<void()> &work)
{
    // Nothing is handed over but the end of the work, or what it threw.
    ado::BatchQueue<bool> done(1);
    std::thread worker([&] {
        suppressIdleOnThisThread();
        try {
            work();
            done.close();
        } catch (...) {
            done.close(std::current_exception());
        }
    });
    struct Join {
        std::thread &thread;
        ~Join() { thread.join(); }
    } join{worker};
    // The wait lets the window's events run; the work's failure, or theirs, is thrown after it.
    done.pop();
}

} // namespace tw::workdb

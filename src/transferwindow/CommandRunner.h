#pragma once
// How a window runs a command: one at a time (a click while another command
// runs is refused), and a close asked for meanwhile ends the program as soon
// as the running command returns.

#include "common/CommandGuard.h"

class QCloseEvent;

namespace tw::transferwindow {

// Ends the program: hides every top-level window and leaves the event loop.
void EndProgram();

// For a window's close event: while a command runs, records the request and
// keeps the window; otherwise ends the program.
void CloseWindow(BusyState &busy, QCloseEvent *event);

// Runs routine unless another command is running.
template <typename Routine> void RunCommand(BusyState &busy, Routine &&routine)
{
    {
        CommandGuard guard(busy);
        if (!guard)
            return; // refused: another command is running
        routine();
    }
    if (busy.closeRequested() && !busy.busy())
        EndProgram();
}

} // namespace tw::transferwindow

#pragma once
// CommandGuard: marks a window busy for the length of one command, so that a
// second command clicked while the first runs is refused.
//
//   CommandGuard guard(m_busy);
//   if (!guard) return; // another command is running

namespace tw {

class BusyState {
public:
    bool busy() const { return m_busy; }
    // Set when the window was asked to close while a command ran; the command
    // finishes its current row and the program then ends.
    bool closeRequested() const { return m_closeRequested; }
    void requestClose() { m_closeRequested = true; }

private:
    friend class CommandGuard;
    bool m_busy = false;
    bool m_closeRequested = false;
};

class CommandGuard {
public:
    explicit CommandGuard(BusyState &state) : m_state(state), m_owns(!state.m_busy) { m_state.m_busy = true; }
    ~CommandGuard()
    {
        if (m_owns)
            m_state.m_busy = false;
    }
    CommandGuard(const CommandGuard &) = delete;
    CommandGuard &operator=(const CommandGuard &) = delete;

    // False when another command already held the state.
    explicit operator bool() const { return m_owns; }

private:
    BusyState &m_state;
    bool m_owns;
};

} // namespace tw

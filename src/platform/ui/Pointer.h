#pragma once
// Window pointer codes and the small interface through which commands set the
// pointer of the window they run in (the pointer doubles as the busy flag).

namespace tw::ui {

enum Pointer : int {
    PointerDefault = 0,
    PointerBusy = 11,   // hourglass
    PointerCustom = 99, // the hand picture loaded from HAND-M.CUR
};

class PointerTarget {
public:
    virtual ~PointerTarget() = default;
    virtual int MousePointer() const = 0;
    virtual void setMousePointer(int code) = 0;
};

// A pointer holder for windowless runs.
class PlainPointer final : public PointerTarget {
public:
    int MousePointer() const override { return m_code; }
    void setMousePointer(int code) override { m_code = code; }

private:
    int m_code = PointerDefault;
};

} // namespace tw::ui

#pragma once
// WindowPointer: a window's mouse pointer by code (0 default, 11 busy, 99 the
// custom hand). The code set on the window governs the window and all its
// controls; it doubles as the busy flag commands set while they work.

#include "platform/ui/Pointer.h"

#include <QCursor>
#include <QString>

#include <optional>

class QWidget;

namespace tw::gui {

class WindowPointer final : public ui::PointerTarget {
public:
    explicit WindowPointer(QWidget *window) : m_window(window) {}

    int MousePointer() const override { return m_code; }
    void setMousePointer(int code) override;

    // Loads the custom pointer picture (a .cur or .ico file, path as a text);
    // false when the file cannot be read as one, and the picture stays empty.
    bool loadCustomPointer(const QString &path);
    bool hasCustomPointer() const { return m_custom.has_value(); }
    const std::optional<QCursor> &customPointer() const { return m_custom; }

private:
    void apply();

    QWidget *m_window;
    int m_code = ui::PointerDefault;
    std::optional<QCursor> m_custom;
};

// The hot spot of a Windows cursor file (.cur): the first image's, as its
// directory entry gives it; nullopt when the bytes are not a cursor file.
std::optional<QPoint> cursorHotSpot(const QByteArray &file);

} // namespace tw::gui

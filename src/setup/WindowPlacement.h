#pragma once
// WindowPlacement: keeps the program's window where the user put it. The
// window that comes up takes the place of the one that goes (the windows see
// to that when they change); the first window of a run comes up where the
// last run left it, kept in the settings store, as long as that place is on a
// screen there now; otherwise it comes up centred on the primary screen.

#include <QList>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>

#include <optional>

class QWidget;

namespace tw::setup {

class WindowPlacement final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WindowPlacement)

public:
    explicit WindowPlacement(QObject *parent = nullptr) : QObject(parent) {}

    // Each time window goes out of sight (the other window takes over, or the
    // program ends) its place is stored.
    void watch(QWidget *window);
    // Moves window, not yet shown, to the stored place.
    void restore(QWidget *window) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

// "x,y", the stored form of a window's place, and back; nothing for a text
// that is not one.
QString positionText(QPoint position);
std::optional<QPoint> positionFromText(const QString &text);

// Where a window of size comes up: at stored when its top-left corner lies on
// one of screens, else centred on primary.
QPoint placeOnScreens(const std::optional<QPoint> &stored, QSize size, const QList<QRect> &screens,
                      const QRect &primary);

} // namespace tw::setup
